// The checker behind "pagewright check": the job's own steps, run without writing, plus
// warnings about what is legal but probably a slip.
#include "engine/Check.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

#include "engine/GenThread.h"
#include "engine/TextUtil.h"
#include "engine/Vocabulary.h"
#include "platform/hostfs.h"
#include "platform/textfile.h"

namespace engine {
namespace {

// A name as someone careless about case and blanks would read it.
std::string Fold(std::string_view s, std::string_view drop = kWhiteSpace) {
    std::string out;
    for (char c : s) {
        if (drop.find(c) == std::string_view::npos)
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

// Edits (insert, delete, replace one character) that turn a into b.
std::size_t Distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A key written close to a known one: other case, blanks or underscores, or two slips.
bool IsMisspeltKey(std::string_view key, std::string_view known) {
    return Fold(key, " \t_-") == Fold(known, "_") || Distance(Fold(key), known) <= 2;
}

class CChecker {
public:
    explicit CChecker(const CheckRequest& request)
        : m_request(request), m_job(nullptr, "", request.strFormPath, request.strSection, 0) {}

    std::vector<Diagnostic> Run();

private:
    // strMessage as the engine words it, its place in front ("form.frm:12: ", "text, offset
    // 3: "); nRequest the text it is about, or -1.
    void Report(Severity severity, std::string strMessage, int nRequest = -1);
    // "; [Notice] (line 12) differs from it only in letter case or blanks", or empty.
    std::string NearMissHint(const std::string& strName) const;
    void CheckSectionNames();
    void CheckSystemKeys();
    // strWhere: where the name is used; nRequest: the text that uses it there, or -1.
    void CheckStyle(const std::string& strName, const std::string& strWhere, int nRequest = -1);
    bool IsStyleSection(std::size_t nSection) const;
    void CheckLayoutSection(std::size_t nSection);
    void CheckDestination();
    void CheckCutLines();
    void CheckCutValues(std::size_t nSystem, const std::vector<std::string>& arrRaw);
    void CheckText(CGenThread& text, int nRequest, BOOL bInline, bool bTokenized);

    const CheckRequest& m_request;
    CGenThread m_job; // the form file and its settings, as every request's job reads them
    std::size_t m_nLayout = std::string::npos; // the requested section, when it exists
    std::set<std::string> m_setStyleNames;     // every name used as a style
    std::set<std::string> m_setStylesChecked;
    // What was reported: severity, line, message, request.
    std::set<std::tuple<Severity, std::size_t, std::string, int>> m_setReported;
    std::vector<Diagnostic> m_out;
};

void CChecker::Report(Severity severity, std::string strMessage, int nRequest) {
    Diagnostic d{severity, m_request.strFormPath, 0, nRequest, std::string::npos, {}};
    // Take the place apart: "form.frm:12: " or "form.frm: " for the form file, "text, offset
    // 3: " or "text: " for a text alone.
    const std::string& strPath = m_request.strFormPath;
    std::string_view rest = strMessage;
    const auto takeNumber = [&](std::size_t& nOut) {
        std::size_t n = 0;
        while (n < rest.size() && std::isdigit(static_cast<unsigned char>(rest[n])))
            ++n;
        // No form file has a line number of 13 digits: a longer run of digits is something else,
        // and would not fit the number it is read into.
        if (n == 0 || n > 12 || rest.substr(n, 2) != ": ")
            return false;
        nOut = std::stoul(std::string(rest.substr(0, n)));
        rest.remove_prefix(n + 2);
        return true;
    };
    if (StartsWith(rest, strPath + ":")) {
        rest.remove_prefix(strPath.size() + 1);
        if (StartsWith(rest, " "))
            rest.remove_prefix(1);
        else if (!takeNumber(d.nLine))
            rest = strMessage; // the path was only the start of something else
    } else if (nRequest >= 0 && StartsWith(rest, "text")) {
        d.strFile.clear();
        constexpr std::string_view kOffsetPlace = "text, offset ";
        if (StartsWith(rest, kOffsetPlace)) {
            rest.remove_prefix(kOffsetPlace.size());
            std::size_t nOffset = 0;
            if (takeNumber(nOffset))
                d.nTextOffset = nOffset;
        }
        rest = strMessage; // the offset stays in the message
    }
    d.strMessage = std::string(rest);
    // A section's broken line fails every text laid out by it; saying so once is enough.
    if (nRequest >= 0 && m_setReported.count({severity, d.nLine, d.strFile + d.strMessage, -1}))
        return;
    if (m_setReported.insert({severity, d.nLine, d.strFile + d.strMessage, nRequest}).second)
        m_out.push_back(std::move(d));
}

std::string CChecker::NearMissHint(const std::string& strName) const {
    const CFormFile& form = m_job.m_formFile;
    const std::vector<std::string>& names = form.GetSectionNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != strName && Fold(names[i]) == Fold(strName))
            return "; [" + names[i] + "] (line " + std::to_string(form.GetHeaderLine(i)) +
                   ") differs from it only in letter case or blanks";
    }
    return {};
}

void CChecker::CheckSectionNames() {
    const CFormFile& form = m_job.m_formFile;
    const std::vector<std::string>& names = form.GetSectionNames();
    for (std::size_t j = 0; j < names.size(); ++j) {
        for (std::size_t i = 0; i < j; ++i) {
            const std::string strFirst = " (line " + std::to_string(form.GetHeaderLine(i)) + ")";
            if (names[i] == names[j]) {
                Report(Severity::kWarning, m_job.FormLocation(form.GetHeaderLine(j)) +
                                               "a second section [" + names[j] +
                                               "] is never read; the first is" + strFirst);
                break;
            }
            if (Fold(names[i]) == Fold(names[j])) {
                Report(Severity::kWarning, m_job.FormLocation(form.GetHeaderLine(j)) + "section [" +
                                               names[j] + "] differs from [" + names[i] + "]" +
                                               strFirst + " only in letter case or blanks");
                break;
            }
        }
    }
}

void CChecker::CheckSystemKeys() {
    const CFormFile& form = m_job.m_formFile;
    const std::size_t nSystem = form.FindSection(kSystemSection);
    if (nSystem == std::string::npos)
        return;
    const CFormFile::Lines lines = form.GetSectionLines(nSystem);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string strWhere = m_job.FormLocation(form.GetDataLine(nSystem, i));
        const std::size_t nEquals = lines[i].find('=');
        if (nEquals == std::string::npos) {
            Report(Severity::kWarning, strWhere + "[SYSTEM] line \"" + std::string(lines[i]) +
                                           "\" has no \"=\" and is ignored");
            continue;
        }
        const std::string strKey(TrimView(lines[i].substr(0, nEquals)));
        if (std::find(std::begin(kSystemKeys), std::end(kSystemKeys), strKey) !=
            std::end(kSystemKeys))
            continue;
        const auto* pKnown =
            std::find_if(std::begin(kSystemKeys), std::end(kSystemKeys),
                         [&](std::string_view known) { return IsMisspeltKey(strKey, known); });
        Report(Severity::kWarning, strWhere + "[SYSTEM] key \"" + strKey + "\" is not known" +
                                       (pKnown == std::end(kSystemKeys)
                                            ? std::string(" and is ignored")
                                            : "; did you mean " + std::string(*pKnown) + "?"));
    }
}

void CChecker::CheckStyle(const std::string& strName, const std::string& strWhere, int nRequest) {
    if (!m_setStylesChecked.insert(strName).second)
        return;
    const CFormFile& form = m_job.m_formFile;
    const std::size_t nSection = form.FindSection(strName);
    if (nSection == std::string::npos) {
        Report(Severity::kWarning,
               strWhere + "style \"" + strName + "\" has no section, so it is written unstyled" +
                   NearMissHint(strName),
               nRequest);
        return;
    }
    if (form.GetSectionLines(nSection).empty()) {
        Report(Severity::kWarning, m_job.FormLocation(form.GetHeaderLine(nSection)) +
                                       "style section [" + strName +
                                       "] has no lines, so it is written unstyled");
        return;
    }
    std::string strAttribute;
    std::size_t nBad = 0;
    if (!m_job.BuildStyleAttribute(strName, strAttribute, &nBad)) {
        Report(Severity::kWarning, m_job.SectionLineLocation(nSection, nBad) + "\"" +
                                       std::string(form.GetSectionLines(nSection)[nBad]) +
                                       "\" is not a style tag, so every style of [" + strName +
                                       "] is dropped");
    }
}

bool CChecker::IsStyleSection(std::size_t nSection) const {
    const std::string& strName = m_job.m_formFile.GetSectionNames()[nSection];
    if (m_setStyleNames.count(strName))
        return true;
    // Nothing names it, but it reads as a style: every line a style tag.
    std::string strAttribute;
    return m_job.BuildStyleAttribute(strName, strAttribute) != FALSE;
}

void CChecker::CheckLayoutSection(std::size_t nSection) {
    const CFormFile::Lines lines = m_job.m_formFile.GetSectionLines(nSection);
    std::string strTag, strArgument, strAttribute, strStyle, strChunk;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string strWhere = m_job.SectionLineLocation(nSection, i);
        const std::string strLine(lines[i]);
        if (strLine.find("<<") != std::string::npos &&
            m_job.SplitSectionLine(strLine, &strTag, &strArgument, &strAttribute, &strStyle))
            CheckStyle(strStyle, strWhere);
        if (!m_job.LayOutLine(strLine, nullptr, strChunk))
            Report(Severity::kError, strWhere + m_job.m_strFailReason);
    }
}

void CChecker::CheckText(CGenThread& text, int nRequest, BOOL bInline, bool bTokenized) {
    if (!bTokenized) {
        Report(Severity::kError, text.m_strFailReason, nRequest);
        return;
    }
    if (text.m_nStrayAngle != std::string::npos) {
        const std::string_view rest =
            std::string_view(text.m_strText).substr(text.m_nStrayAngle - text.m_nTextLead);
        Report(Severity::kWarning,
               text.m_strTextLabel + ", offset " + std::to_string(text.m_nStrayAngle) + ": " +
                   QuoteTag(rest) +
                   " is no markup, so tokenizing stops here: the rest of the text, markers "
                   "included, is one paragraph",
               nRequest);
    }
    if (!text.RequireWords()) {
        Report(Severity::kError, text.m_strFailReason, nRequest);
        return;
    }
    if (bInline) {
        for (std::string_view style : text.m_arrTokenStyle) {
            if (style.empty())
                continue; // the default style, checked with [SYSTEM]
            // A style name stands right after its "<<".
            const std::size_t nPos = static_cast<std::size_t>(style.data() - text.m_strText.data());
            CheckStyle(std::string(TrimView(style)), text.TextLocation(nPos - 2), nRequest);
        }
        return;
    }
    if (m_nLayout == std::string::npos)
        return; // plain paragraphs cannot fail
    // The text's own read of the form file: a position from another read may not fit it.
    const std::size_t nLayout = text.m_formFile.FindSection(m_request.strSection);
    if (nLayout == std::string::npos)
        return;
    std::size_t nCursor = 0;
    if (!text.LayOutSection(nLayout, &nCursor, [](const std::string&) {})) {
        Report(Severity::kError, text.m_strFailReason, nRequest);
        return;
    }
    const std::size_t nRuns = text.m_arrTokenText.size();
    if (nCursor < nRuns) {
        Report(Severity::kWarning,
               text.FormLocation(text.m_formFile.GetHeaderLine(nLayout)) + "section [" +
                   m_request.strSection + "] shows " + std::to_string(nCursor) + " of the text's " +
                   std::to_string(nRuns) + " runs; the last " + std::to_string(nRuns - nCursor) +
                   " are never written",
               nRequest);
    }
}

void CChecker::CheckDestination() {
    // What MakeHtmlFileName and the page file's creation will meet, said before they do.
    const std::string strDir(TrimView(m_job.m_strHtmlDestDir));
    if (strDir.empty()) {
        Report(Severity::kError, m_job.MissingDestDirReason());
        return;
    }
    const std::string strWhere =
        m_job.FormLocation(m_job.m_formFile.GetValueLine(kSystemSection, keys::kHtmlDestDir)) +
        "[SYSTEM] HTML_DEST_DIR \"" + strDir + "\" ";
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(strDir, ec);
    if (!std::filesystem::exists(status)) {
        const bool bRelative =
            !std::filesystem::path(strDir).is_absolute() && !IsDirSeparator(strDir.front());
        Report(Severity::kError,
               strWhere + "does not exist, so no page can be written; create it" +
                   (bRelative ? " (it is relative to the current directory, not the form file's "
                                "folder)"
                              : ""));
    } else if (!std::filesystem::is_directory(status)) {
        Report(Severity::kError, strWhere + "is not a directory, so no page can be written "
                                            "there; name the directory pages should go to");
    } else if (!platform::hostfs::CanCreateFilesIn(strDir)) {
        Report(Severity::kError, strWhere + "is not writable, so no page can be written there; "
                                            "make it writable or name another directory");
    }
}

void CChecker::CheckCutLines() {
    // ";" starts a comment anywhere, so items whose argument is free text lose what follows it.
    // The form file as read holds the lines already cut; the raw lines show what was lost.
    platform::TextFileReader file;
    if (!file.Open(m_request.strFormPath))
        return;
    std::vector<std::string> arrRaw;
    try {
        for (std::string strLine; file.ReadLine(strLine);)
            arrRaw.push_back(strLine);
    } catch (const platform::FileException&) {
        return;
    }
    const CFormFile& form = m_job.m_formFile;
    const std::vector<std::string>& names = form.GetSectionNames();
    std::string strTag, strArgument, strAttribute;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == kSystemSection) {
            CheckCutValues(i, arrRaw);
            continue;
        }
        const CFormFile::Lines lines = form.GetSectionLines(i);
        for (std::size_t j = 0; j < lines.size(); ++j) {
            const std::size_t nLine = form.GetDataLine(i, j);
            if (nLine == 0 || nLine > arrRaw.size())
                continue;
            const std::string_view raw = TrimView(arrRaw[nLine - 1]);
            const std::size_t nCut = raw.find(';');
            if (nCut == std::string_view::npos ||
                !m_job.SplitSectionLine(std::string(lines[j]), &strTag, &strArgument,
                                        &strAttribute))
                continue;
            if (!TakesFreeText(strTag))
                continue;
            Report(Severity::kWarning, m_job.SectionLineLocation(i, j) +
                                           "\";\" starts a comment, so this " + strTag +
                                           " line loses \"" + std::string(raw.substr(nCut)) + "\"");
        }
    }
}

void CChecker::CheckCutValues(std::size_t nSystem, const std::vector<std::string>& arrRaw) {
    // A comment is set off by blanks ("KEY = value   ; note"); a ";" right after the value's
    // last character was most likely meant to be part of it.
    const CFormFile& form = m_job.m_formFile;
    const CFormFile::Lines lines = form.GetSectionLines(nSystem);
    for (std::size_t j = 0; j < lines.size(); ++j) {
        const std::size_t nLine = form.GetDataLine(nSystem, j);
        const std::size_t nEquals = lines[j].find('=');
        if (nLine == 0 || nLine > arrRaw.size() || nEquals == std::string::npos)
            continue;
        const std::string_view raw = TrimView(arrRaw[nLine - 1]);
        const std::size_t nCut = raw.find(';');
        if (nCut == std::string_view::npos || nCut == 0 ||
            kWhiteSpace.find(raw[nCut - 1]) != std::string_view::npos)
            continue;
        Report(Severity::kWarning, m_job.FormLocation(nLine) +
                                       "\";\" starts a comment, so the value of [SYSTEM] " +
                                       std::string(TrimView(lines[j].substr(0, nEquals))) +
                                       " loses \"" + std::string(raw.substr(nCut)) + "\"");
    }
}

std::vector<Diagnostic> CChecker::Run() {
    CFormFile& form = m_job.m_formFile;
    if (!form.Load(m_request.strFormPath)) {
        Report(Severity::kError, form.GetLoadError());
        return std::move(m_out);
    }
    CheckSectionNames();
    CheckSystemKeys();
    if (!m_job.ReadSystemSettings()) {
        Report(Severity::kError, m_job.m_strFailReason);
        if (form.FindSection(kSystemSection) == std::string::npos) {
            if (const std::string strHint = NearMissHint(kSystemSection); !strHint.empty())
                Report(Severity::kWarning, m_job.FormLocation(0) + "no [SYSTEM] section" + strHint);
        }
        return std::move(m_out); // without settings no request gets further
    }
    CheckDestination();
    CheckCutLines();

    // Tokenize the texts first: the style names they use tell style sections from layouts.
    struct Text {
        std::unique_ptr<CGenThread> pJob;
        BOOL bInline = FALSE;
        bool bRead = false; // the form file and its settings
        bool bTokenized = false;
    };
    std::vector<Text> texts;
    for (std::size_t i = 0; i < m_request.arrTexts.size(); ++i) {
        Text text;
        text.pJob =
            std::make_unique<CGenThread>(nullptr, m_request.arrTexts[i], m_request.strFormPath,
                                         m_request.strSection, static_cast<std::int32_t>(i));
        CGenThread& job = *text.pJob;
        // Each text is a request of its own and reads the form file for itself, as its job
        // would; when that read fails, so would the request.
        if (!job.m_formFile.Load(m_request.strFormPath)) {
            Report(Severity::kError, job.m_formFile.GetLoadError(), static_cast<int>(i));
            texts.push_back(std::move(text));
            continue;
        }
        if (!job.ReadSystemSettings()) {
            Report(Severity::kError, job.m_strFailReason, static_cast<int>(i));
            texts.push_back(std::move(text));
            continue;
        }
        text.bRead = true;
        text.bTokenized = job.TokenizeText(&text.bInline) != FALSE;
        for (std::string_view style : job.m_arrTokenStyle)
            m_setStyleNames.emplace(TrimView(style));
        texts.push_back(std::move(text));
    }
    const std::vector<std::string>& names = form.GetSectionNames();
    m_setStyleNames.insert(m_job.m_strDefaultStyle);
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string strTag, strArgument, strAttribute, strStyle;
        for (const std::string_view line : form.GetSectionLines(i)) {
            if (line.find("<<") != std::string_view::npos &&
                m_job.SplitSectionLine(std::string(line), &strTag, &strArgument, &strAttribute,
                                       &strStyle))
                m_setStyleNames.insert(strStyle);
        }
    }

    if (!m_job.m_strDefaultStyle.empty())
        CheckStyle(m_job.m_strDefaultStyle,
                   m_job.FormLocation(form.GetValueLine(kSystemSection, keys::kDefaultStyle)) +
                       "DEFAULT_STYLE: ");
    if (m_request.bHaveSection) {
        m_nLayout = form.FindSection(m_request.strSection);
        if (m_nLayout == std::string::npos)
            Report(Severity::kWarning, m_job.FormLocation(0) + "no section [" +
                                           m_request.strSection +
                                           "], so texts without styles of their own are written "
                                           "as plain paragraphs" +
                                           NearMissHint(m_request.strSection));
        else
            CheckLayoutSection(m_nLayout);
    } else {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] != kSystemSection && form.FindSection(names[i]) == i && !IsStyleSection(i))
                CheckLayoutSection(i);
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].bRead)
            CheckText(*texts[i].pJob, static_cast<int>(i), texts[i].bInline, texts[i].bTokenized);
    }
    return std::move(m_out);
}

} // namespace

std::vector<Diagnostic> CheckForm(const CheckRequest& request) {
    return CChecker(request).Run();
}

} // namespace engine
