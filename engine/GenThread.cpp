// The job record and the conversion sequence of one request.
#include "engine/GenThread.h"

#include <cstring>
#include <utility>

#include "engine/PageRenderer.h"
#include "engine/TextUtil.h"
#include "engine/Vocabulary.h"

CGenThread::CGenThread(CPagewright* pOwner, std::string strText, std::string strFrmPath,
                       std::string strSectionName, std::int32_t nRequestIndex)
    : m_nRequestIndex(nRequestIndex), m_strText(std::move(strText)),
      m_strFrmPath(std::move(strFrmPath)), m_strSectionName(std::move(strSectionName)),
      m_pOwner(pOwner) {}

CGenThread::~CGenThread() = default;

void CGenThread::GeneratePage() {
    // Each step can end the job without a page; the result stays empty until a page
    // generator names its file.
    BOOL bInlineStyles = FALSE;
    if (!m_formFile.Load(m_strFrmPath)) {
        Fail(m_formFile.GetLoadError());
        return;
    }
    m_nTokenWindow = m_nPageTokenWindow;
    if (!ReadSystemSettings() || !TokenizeText(&bInlineStyles))
        return;
    const bool bWritten = bInlineStyles ? WriteInlineStylePage(m_strResultFile)
                                        : WriteSectionPage(m_strSectionName, m_strResultFile);
    // A page left unfinished stays on disk, but its name is not the request's result.
    if (!bWritten)
        m_strResultFile.clear();
}

bool CGenThread::BeginPage(std::string& strResultFile, platform::TextFileWriter& file) {
    if (!RequireWords()) // no words, no page: not even a file
        return false;
    strResultFile = MakeHtmlFileName();
    if (strResultFile.empty())
        return Fail(MissingDestDirReason());
    int nError = 0;
    if (!CreatePageFile(strResultFile, file, nError)) {
        std::string strReason = "cannot create the page file \"" + strResultFile + "\"";
        if (nError != 0)
            strReason += std::string(": ") + platform::FileErrorText(nError);
        return Fail(std::move(strReason));
    }
    return true;
}

bool CGenThread::CreatePageFile(std::string& strResultFile, platform::TextFileWriter& file,
                                int& nError) const {
    if (m_nPageFormat != PageFormat::kHtml5)
        return file.Create(strResultFile, &nError);
    // The name is the same for every page of a request index made in the same second, by this
    // object or another one, and a page of an earlier run may still be there: the page takes
    // the first name nobody has, and the test for it is the creation itself.
    const std::string strStem = strResultFile.substr(0, strResultFile.size() - 4); // ".htm"
    for (int nSuffix = 1;; ++nSuffix) {
        nError = 0;
        if (file.Create(strResultFile, &nError, platform::CreateMode::kNew))
            return true;
        if (!platform::IsFileExistsError(nError) || nSuffix > kMaxNameSuffix)
            return false;
        strResultFile = strStem + "-" + std::to_string(nSuffix) + ".htm";
    }
}

bool CGenThread::RequireWords() {
    if (m_nTokenCount != 0)
        return true;
    // A style name whose ">>" was forgotten runs on to a later ">>" and takes the words in.
    const std::size_t nOpen = m_strText.find("<<");
    const std::size_t nClose =
        nOpen == std::string::npos ? std::string::npos : m_strText.find(">>", nOpen + 2);
    if (nClose != std::string::npos) {
        const std::string_view name =
            std::string_view(m_strText).substr(nOpen + 2, nClose - nOpen - 2);
        if (const std::size_t nTag = name.find('<'); nTag != std::string_view::npos)
            return Fail(TextLocation(nOpen) +
                        "the style name begun with << runs on to the >> at offset " +
                        std::to_string(TextOffset(nClose)) + " and takes in " +
                        engine::QuoteTag(name.substr(nTag)) +
                        ", so the text holds no words; close the name with >> where it ends");
    }
    return Fail(m_strTextLabel + ": the text holds no words, so there is no page to write");
}

std::string CGenThread::MissingDestDirReason() const {
    const std::size_t nLine =
        m_formFile.GetValueLine(engine::kSystemSection, engine::keys::kHtmlDestDir);
    if (nLine == 0)
        return FormLocation(
                   m_formFile.GetHeaderLine(m_formFile.FindSection(engine::kSystemSection))) +
               "[SYSTEM] has no HTML_DEST_DIR key, so the page has nowhere to go";
    return FormLocation(nLine) + "[SYSTEM] HTML_DEST_DIR is empty, so the page has nowhere to go";
}

bool CGenThread::Fail(std::string strReason) {
    m_strFailReason = std::move(strReason);
    return false;
}

std::string CGenThread::FormLocation(std::size_t nLine) const {
    // Appended piece by piece: g++ 12 at -O3 mistakes ":" + std::to_string(...) for an
    // overlapping copy (-Wrestrict) once this is inlined into the settings reader.
    std::string strOut = m_formFile.GetPath();
    if (nLine != 0) {
        strOut += ':';
        strOut += std::to_string(nLine);
    }
    strOut += ": ";
    return strOut;
}

std::string CGenThread::SectionLineLocation(std::size_t nSection, std::size_t nLine) const {
    return FormLocation(m_formFile.GetDataLine(nSection, nLine)) + "section [" +
           m_formFile.GetSectionNames()[nSection] + "], line " + std::to_string(nLine + 1) + ": ";
}

std::string CGenThread::TextLocation(std::size_t nPos) const {
    return m_strTextLabel + ", offset " + std::to_string(TextOffset(nPos)) + ": ";
}

std::string CGenThread::WriteFailure(const std::exception& e) {
    return std::string("the page was left unfinished: ") + e.what();
}

std::span<const std::string_view> CGenThread::TakeListItems(std::size_t& nCursor) {
    if (nCursor >= m_nTokenCount)
        return {};
    const std::size_t nFirst = ReachToken(nCursor);
    std::size_t nLast = nFirst;
    while (nLast < m_arrTokenKind.size() && m_arrTokenKind[nLast] == KIND_LIST_ITEM)
        ++nLast;
    nCursor += nLast - nFirst;
    return std::span<const std::string_view>(m_arrTokenText).subspan(nFirst, nLast - nFirst);
}

void CGenThread::LayOutList(engine::CPageRenderer& renderer, const engine::ItemStyle& style,
                            bool bNumbered, std::size_t& nCursor, std::string& strChunk,
                            const std::function<void(const std::string&)>* pSink) {
    renderer.ListBegin(strChunk, style, bNumbered);
    do {
        renderer.ListItems(strChunk, TakeListItems(nCursor));
        if (pSink)
            HandOnFullChunk(strChunk, *pSink);
    } while (nCursor < m_nTokenCount && TokenKind(nCursor) == KIND_LIST_ITEM);
    renderer.ListEnd(strChunk, style, bNumbered);
}

engine::CPageRenderer& CGenThread::Renderer() {
    if (!m_pRenderer)
        m_pRenderer = m_nPageFormat == PageFormat::kHtml5 ? engine::MakeHtml5Renderer(*this)
                                                          : engine::MakeCompatibleRenderer(*this);
    return *m_pRenderer;
}
