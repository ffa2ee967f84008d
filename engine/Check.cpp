// The checker behind "pagewright check": the job's own steps, run without writing, plus
// warnings about what is legal but probably a slip.
#include "engine/Check.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

#include "engine/GenThread.h"
#include "engine/TextUtil.h"

namespace engine {
namespace {

constexpr std::string_view kSystemKeys[] = {"DEFAULT_STYLE",  "HTML_DEST_DIR", "PIC_SOURCE_DIR",
                                            "BACKGROUND_PIC", "PAGE_FORMAT",   "PAGE_LANGUAGE"};

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
    void Report(Severity severity, std::string strMessage);
    // "; [Notice] (line 12) differs from it only in letter case or blanks", or empty.
    std::string NearMissHint(const std::string& strName) const;
    void CheckSectionNames();
    void CheckSystemKeys();
    void CheckStyle(const std::string& strName, const std::string& strWhere);
    bool IsStyleSection(std::size_t nSection) const;
    void CheckLayoutSection(std::size_t nSection);
    void CheckText(CGenThread& text, BOOL bInline, bool bTokenized);

    const CheckRequest& m_request;
    CGenThread m_job; // the form file and its settings, as every request's job reads them
    std::size_t m_nLayout = std::string::npos; // the requested section, when it exists
    std::set<std::string> m_setStyleNames;     // every name used as a style
    std::set<std::string> m_setStylesChecked;
    std::set<std::string> m_setReported;
    std::vector<Diagnostic> m_out;
};

void CChecker::Report(Severity severity, std::string strMessage) {
    // A section's broken line fails every text laid out by it; saying so once is enough.
    if (m_setReported.insert(strMessage).second)
        m_out.push_back({severity, std::move(strMessage)});
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
    const std::size_t nSystem = form.FindSection("SYSTEM");
    if (nSystem == std::string::npos)
        return;
    const std::vector<std::string>& lines = form.GetSectionLines(nSystem);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string strWhere = m_job.FormLocation(form.GetDataLine(nSystem, i));
        const std::size_t nEquals = lines[i].find('=');
        if (nEquals == std::string::npos) {
            Report(Severity::kWarning,
                   strWhere + "[SYSTEM] line \"" + lines[i] + "\" has no \"=\" and is ignored");
            continue;
        }
        const std::string strKey(TrimView(std::string_view(lines[i]).substr(0, nEquals)));
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

void CChecker::CheckStyle(const std::string& strName, const std::string& strWhere) {
    if (!m_setStylesChecked.insert(strName).second)
        return;
    const CFormFile& form = m_job.m_formFile;
    const std::size_t nSection = form.FindSection(strName);
    if (nSection == std::string::npos) {
        Report(Severity::kWarning, strWhere + "style \"" + strName +
                                       "\" has no section, so it is written unstyled" +
                                       NearMissHint(strName));
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
                                       form.GetSectionLines(nSection)[nBad] +
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
    const std::vector<std::string>& lines = m_job.m_formFile.GetSectionLines(nSection);
    std::string strTag, strArgument, strAttribute, strStyle, strChunk;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string strWhere = m_job.SectionLineLocation(nSection, i);
        if (lines[i].find("<<") != std::string::npos &&
            m_job.SplitSectionLine(lines[i], &strTag, &strArgument, &strAttribute, &strStyle))
            CheckStyle(strStyle, strWhere);
        if (!m_job.LayOutLine(lines[i], nullptr, strChunk))
            Report(Severity::kError, strWhere + m_job.m_strFailReason);
    }
}

void CChecker::CheckText(CGenThread& text, BOOL bInline, bool bTokenized) {
    if (!bTokenized) {
        Report(Severity::kError, text.m_strFailReason);
        return;
    }
    if (text.m_nStrayAngle != std::string::npos) {
        const std::string_view rest =
            std::string_view(text.m_strText).substr(text.m_nStrayAngle - text.m_nTextLead);
        Report(Severity::kWarning,
               text.m_strTextLabel + ", offset " + std::to_string(text.m_nStrayAngle) + ": " +
                   QuoteTag(rest) +
                   " is no markup, so tokenizing stops here: the rest of the text, markers "
                   "included, is one paragraph");
    }
    if (!text.RequireWords()) {
        Report(Severity::kError, text.m_strFailReason);
        return;
    }
    if (bInline) {
        for (std::string_view style : text.m_arrTokenStyle) {
            if (style.empty())
                continue; // the default style, checked with [SYSTEM]
            // A style name stands right after its "<<".
            const std::size_t nPos = static_cast<std::size_t>(style.data() - text.m_strText.data());
            CheckStyle(std::string(TrimView(style)), text.TextLocation(nPos - 2));
        }
        return;
    }
    if (m_nLayout == std::string::npos)
        return; // plain paragraphs cannot fail
    std::size_t nCursor = 0;
    if (!text.LayOutSection(m_nLayout, &nCursor, [](const std::string&) {})) {
        Report(Severity::kError, text.m_strFailReason);
        return;
    }
    const std::size_t nRuns = text.m_arrTokenText.size();
    if (nCursor < nRuns) {
        Report(Severity::kWarning, text.m_strTextLabel + ": section [" + m_request.strSection +
                                       "] shows " + std::to_string(nCursor) + " of the text's " +
                                       std::to_string(nRuns) + " runs; the last " +
                                       std::to_string(nRuns - nCursor) + " are never written");
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
        if (form.FindSection("SYSTEM") == std::string::npos) {
            if (const std::string strHint = NearMissHint("SYSTEM"); !strHint.empty())
                Report(Severity::kWarning, m_job.FormLocation(0) + "no [SYSTEM] section" + strHint);
        }
        return std::move(m_out); // without settings no request gets further
    }
    if (TrimView(m_job.m_strHtmlDestDir).empty())
        Report(Severity::kError, m_job.MissingDestDirReason());

    // Tokenize the texts first: the style names they use tell style sections from layouts.
    struct Text {
        std::unique_ptr<CGenThread> pJob;
        BOOL bInline = FALSE;
        bool bTokenized = false;
    };
    std::vector<Text> texts;
    for (std::size_t i = 0; i < m_request.arrTexts.size(); ++i) {
        Text text;
        text.pJob =
            std::make_unique<CGenThread>(nullptr, m_request.arrTexts[i], m_request.strFormPath,
                                         m_request.strSection, static_cast<std::int32_t>(i));
        CGenThread& job = *text.pJob;
        job.m_strTextLabel = "text " + std::to_string(i + 1);
        job.m_formFile.Load(m_request.strFormPath);
        job.ReadSystemSettings();
        text.bTokenized = job.TokenizeText(&text.bInline) != FALSE;
        for (std::string_view style : job.m_arrTokenStyle)
            m_setStyleNames.emplace(TrimView(style));
        texts.push_back(std::move(text));
    }
    const std::vector<std::string>& names = form.GetSectionNames();
    m_setStyleNames.insert(m_job.m_strDefaultStyle);
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string strTag, strArgument, strAttribute, strStyle;
        for (const std::string& strLine : form.GetSectionLines(i)) {
            if (strLine.find("<<") != std::string::npos &&
                m_job.SplitSectionLine(strLine, &strTag, &strArgument, &strAttribute, &strStyle))
                m_setStyleNames.insert(strStyle);
        }
    }

    if (!m_job.m_strDefaultStyle.empty())
        CheckStyle(m_job.m_strDefaultStyle,
                   m_job.FormLocation(form.GetValueLine("SYSTEM", "DEFAULT_STYLE")) +
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
            if (names[i] != "SYSTEM" && form.FindSection(names[i]) == i && !IsStyleSection(i))
                CheckLayoutSection(i);
        }
    }
    for (Text& text : texts)
        CheckText(*text.pJob, text.bInline, text.bTokenized);
    return std::move(m_out);
}

} // namespace

std::vector<Diagnostic> CheckForm(const CheckRequest& request) {
    return CChecker(request).Run();
}

} // namespace engine
