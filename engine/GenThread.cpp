// The job record and the conversion sequence of one request.
#include "engine/GenThread.h"

#include <utility>

#include "engine/TextUtil.h"

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
    if (!m_formFile.Load(m_strFrmPath) || !ReadSystemSettings() || !TokenizeText(&bInlineStyles))
        return;
    const bool bWritten = bInlineStyles ? WriteInlineStylePage(m_strResultFile)
                                        : WriteSectionPage(m_strSectionName, m_strResultFile);
    // A page left unfinished stays on disk, but its name is not the request's result.
    if (!bWritten)
        m_strResultFile.clear();
}

bool CGenThread::BeginPage(std::string& strResultFile, platform::TextFileWriter& file) {
    if (m_arrTokenText.empty())
        return false; // no words, no page: not even a file
    strResultFile = MakeHtmlFileName();
    if (strResultFile.empty() || !file.Create(strResultFile))
        return false;
    try {
        file.WriteString(BuildPageHead(std::string(engine::kPageTitle)));
    } catch (const platform::FileException&) {
        return false;
    }
    return true;
}

void CGenThread::AppendListItems(std::string& strOut, std::size_t& nCursor) const {
    while (nCursor < m_arrTokenKind.size() && m_arrTokenKind[nCursor] == KIND_LIST_ITEM) {
        strOut += "<LI>";
        strOut += m_arrTokenText[nCursor++];
    }
}
