// The checker behind "pagewright check": the job's own steps, run without writing, plus
// warnings about what is legal but probably a slip.
#include "engine/Check.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
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

// The characters of s that Fold keeps, folded, one at a time.
class FoldedChars {
public:
    explicit FoldedChars(std::string_view s) : m_rest(s) {}
    // False at the end; else the next kept character in c.
    bool Next(char& c) {
        while (!m_rest.empty()) {
            const char cNext = m_rest.front();
            m_rest.remove_prefix(1);
            if (kWhiteSpace.find(cNext) == std::string_view::npos) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(cNext)));
                return true;
            }
        }
        return false;
    }

private:
    std::string_view m_rest;
};

// Whether Fold(a) == Fold(b), without making either.
bool FoldsAlike(std::string_view a, std::string_view b) {
    FoldedChars fa(a), fb(b);
    for (char ca = 0, cb = 0;;) {
        const bool bA = fa.Next(ca), bB = fb.Next(cb);
        if (bA != bB)
            return false;
        if (!bA)
            return true;
        if (ca != cb)
            return false;
    }
}

std::uint64_t FoldedHash(std::string_view s) {
    std::uint64_t h = 14695981039346656037u; // FNV-1a
    FoldedChars chars(s);
    for (char c; chars.Next(c);)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
    return h;
}

// The section names grouped by how they fold (see Fold), each group by its first section. An
// open-addressing table of section indexes: a form may
// have hundreds of thousands of sections, and a table of one allocation, whose slot also holds
// part of the name's hash, costs about one cache miss a name, where a map of nodes costs
// several.
class CFoldedNames {
public:
    static constexpr std::size_t npos = std::string::npos;

    explicit CFoldedNames(const std::vector<std::string>& names) : m_names(names) {}

    // Adds section j (sections are added in order, each once). The group's first section, which
    // is j itself when no earlier name folds alike.
    std::size_t Add(std::size_t j) {
        if (m_arrSlots.empty())
            Reserve();
        const std::uint64_t h = FoldedHash(m_names[j]);
        Slot& slot = m_arrSlots[Probe(h, m_names[j])];
        if (slot.nSection == 0) {
            slot = {static_cast<std::uint32_t>(j + 1), static_cast<std::uint32_t>(h >> 32)};
            return j;
        }
        return slot.nSection - 1;
    }
    // The first section whose name folds as strName does, or npos.
    std::size_t First(std::string_view strName) const {
        if (m_arrSlots.empty())
            return npos;
        const Slot& slot = m_arrSlots[Probe(FoldedHash(strName), strName)];
        return slot.nSection == 0 ? npos : slot.nSection - 1;
    }

private:
    struct Slot {
        std::uint32_t nSection = 0; // the group's first section + 1; 0 for an empty slot
        std::uint32_t nHashHigh = 0;
    };

    void Reserve() {
        // Half full at most, so a probe seldom looks past its first slot. (A form's sections
        // are fewer than its lines, which are counted in 32 bits.)
        std::size_t nSlots = 16;
        while (nSlots < 2 * m_names.size())
            nSlots *= 2;
        m_arrSlots.assign(nSlots, Slot{});
    }
    // The position of the slot that holds name's group, or of the empty slot where it would go.
    std::size_t Probe(std::uint64_t h, std::string_view name) const {
        const std::size_t nMask = m_arrSlots.size() - 1;
        const auto nHigh = static_cast<std::uint32_t>(h >> 32);
        for (std::size_t i = static_cast<std::size_t>(h) & nMask;; i = (i + 1) & nMask) {
            const Slot& slot = m_arrSlots[i];
            if (slot.nSection == 0 ||
                (slot.nHashHigh == nHigh && FoldsAlike(m_names[slot.nSection - 1], name)))
                return i;
        }
    }

    const std::vector<std::string>& m_names;
    std::vector<Slot> m_arrSlots;
};

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
    // A line of the file as it stands, trimmed, before its ";" cut it.
    struct RawLine {
        std::size_t nLine; // 1-based
        std::string strTrimmed;
    };
    // The raw line of file line nLine from arrCut (in file order), or null when it held no ";".
    static const std::string* FindRawLine(const std::vector<RawLine>& arrCut, std::size_t nLine);
    void CheckCutValues(std::size_t nSystem, const std::vector<RawLine>& arrCut);
    void CheckText(CGenThread& text, int nRequest, BOOL bInline, bool bTokenized);

    const CheckRequest& m_request;
    CGenThread m_job; // the form file and its settings, as every request's job reads them
    std::size_t m_nLayout = std::string::npos; // the requested section, when it exists
    std::set<std::string> m_setStyleNames;     // every name used as a style
    std::set<std::string> m_setStylesChecked;
    CFoldedNames m_foldedNames{m_job.m_formFile.GetSectionNames()}; // by CheckSectionNames
    std::vector<bool> m_arrFirstOfName; // section i is the first of its name, the one read
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
    // Asked about a name no section has, so the first section that reads like it is spelt
    // otherwise.
    const std::size_t i = m_foldedNames.First(strName);
    if (i == CFoldedNames::npos || names[i] == strName)
        return {};
    return "; [" + names[i] + "] (line " + std::to_string(form.GetHeaderLine(i)) +
           ") differs from it only in letter case or blanks";
}

void CChecker::CheckSectionNames() {
    const CFormFile& form = m_job.m_formFile;
    const std::vector<std::string>& names = form.GetSectionNames();
    m_arrFirstOfName.assign(names.size(), true);
    for (std::size_t j = 0; j < names.size(); ++j) {
        // The first section before this one that reads alike: the same name, or one that differs
        // only in letter case or blanks.
        const std::size_t i = m_foldedNames.Add(j);
        if (i == j)
            continue;
        const std::string strFirst = " (line " + std::to_string(form.GetHeaderLine(i)) + ")";
        if (names[i] == names[j]) {
            m_arrFirstOfName[j] = false;
            Report(Severity::kWarning, m_job.FormLocation(form.GetHeaderLine(j)) +
                                           "a second section [" + names[j] +
                                           "] is never read; the first is" + strFirst);
            continue;
        }
        // Names that read alike are rare: only among them can a name repeat unseen here.
        m_arrFirstOfName[j] = form.FindSection(names[j]) == j;
        Report(Severity::kWarning, m_job.FormLocation(form.GetHeaderLine(j)) + "section [" +
                                       names[j] + "] differs from [" + names[i] + "]" + strFirst +
                                       " only in letter case or blanks");
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
    // The form file as read holds the lines already cut; the raw lines show what was lost. Only
    // the raw lines that hold a ";" are kept, in file order, to be looked up by their number.
    platform::TextFileReader file;
    if (!file.Open(m_request.strFormPath))
        return;
    std::vector<RawLine> arrCut;
    try {
        std::size_t nLine = 0;
        for (std::string_view line; file.ReadLine(line);) {
            ++nLine;
            if (line.find(';') != std::string_view::npos)
                arrCut.push_back({nLine, std::string(TrimView(line))});
        }
    } catch (const platform::FileException&) {
        return;
    }
    const CFormFile& form = m_job.m_formFile;
    const std::vector<std::string>& names = form.GetSectionNames();
    std::string strTag, strArgument, strAttribute;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == kSystemSection) {
            CheckCutValues(i, arrCut);
            continue;
        }
        const CFormFile::Lines lines = form.GetSectionLines(i);
        for (std::size_t j = 0; j < lines.size(); ++j) {
            const std::string* pRaw = FindRawLine(arrCut, form.GetDataLine(i, j));
            if (!pRaw ||
                !m_job.SplitSectionLine(std::string(lines[j]), &strTag, &strArgument,
                                        &strAttribute) ||
                !TakesFreeText(strTag))
                continue;
            Report(Severity::kWarning, m_job.SectionLineLocation(i, j) +
                                           "\";\" starts a comment, so this " + strTag +
                                           " line loses \"" + pRaw->substr(pRaw->find(';')) + "\"");
        }
    }
}

const std::string* CChecker::FindRawLine(const std::vector<RawLine>& arrCut, std::size_t nLine) {
    const auto it =
        std::lower_bound(arrCut.begin(), arrCut.end(), nLine,
                         [](const RawLine& raw, std::size_t n) { return raw.nLine < n; });
    return it != arrCut.end() && it->nLine == nLine ? &it->strTrimmed : nullptr;
}

void CChecker::CheckCutValues(std::size_t nSystem, const std::vector<RawLine>& arrCut) {
    // A comment is set off by blanks ("KEY = value   ; note"); a ";" right after the value's
    // last character was most likely meant to be part of it.
    const CFormFile& form = m_job.m_formFile;
    const CFormFile::Lines lines = form.GetSectionLines(nSystem);
    for (std::size_t j = 0; j < lines.size(); ++j) {
        const std::size_t nLine = form.GetDataLine(nSystem, j);
        const std::size_t nEquals = lines[j].find('=');
        const std::string* pRaw = FindRawLine(arrCut, nLine);
        if (!pRaw || nEquals == std::string::npos)
            continue;
        const std::size_t nCut = pRaw->find(';');
        if (nCut == 0 || kWhiteSpace.find((*pRaw)[nCut - 1]) != std::string_view::npos)
            continue;
        Report(Severity::kWarning, m_job.FormLocation(nLine) +
                                       "\";\" starts a comment, so the value of [SYSTEM] " +
                                       std::string(TrimView(lines[j].substr(0, nEquals))) +
                                       " loses \"" + pRaw->substr(nCut) + "\"");
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
            // A section without lines lays out nothing, so there is nothing to find in it.
            if (names[i] != kSystemSection && m_arrFirstOfName[i] &&
                !form.GetSectionLines(i).empty() && !IsStyleSection(i))
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
