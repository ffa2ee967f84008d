#include "engine/FormFile.h"

#include <algorithm>
#include <cstdint>

#include "engine/TextUtil.h"
#include "platform/textfile.h"

using engine::TrimView;

CFormFile::~CFormFile() {
    Clear();
}

bool CFormFile::StartLoad(std::string strTrimmedPath) {
    if (strTrimmedPath.empty()) {
        m_strLoadError = "no form file given (the path is empty)";
        return false;
    }
    m_strPath = std::move(strTrimmedPath);
    Clear();
    m_strLoadError.clear();
    // The record before the first line, where that line begins.
    m_arrLines.push_back({0, 0});
    return true;
}

BOOL CFormFile::Load(const std::string& strPath) {
    std::string strTrimmed(TrimView(strPath));
    // A job loads its form file once; a second load of the same path keeps what was read.
    if (!strTrimmed.empty() && strTrimmed == m_strPath)
        return TRUE;
    if (!StartLoad(std::move(strTrimmed)))
        return FALSE;
    return Parse();
}

BOOL CFormFile::LoadFromMemory(const std::string& strPath, std::string_view bytes) {
    if (!StartLoad(std::string(TrimView(strPath))))
        return FALSE;
    platform::LineSplitter lines(bytes);
    std::size_t nLineNumber = 0;
    for (std::string_view line; lines.Next(line);) {
        if (!AddLine(line, ++nLineNumber))
            return FALSE;
    }
    EndParse();
    return TRUE;
}

BOOL CFormFile::Parse() {
    platform::TextFileReader file;
    int nError = 0;
    if (!file.Open(m_strPath, &nError)) {
        Clear();
        m_strLoadError = "cannot open the form file \"" + m_strPath + "\"";
        if (nError != 0)
            m_strLoadError += std::string(": ") + platform::FileErrorText(nError);
        return FALSE;
    }
    // A regular file's size bounds what is kept of it: the kept bytes are no more, and every
    // kept line takes two bytes at least, its line end included. Room for that much at once
    // spares the copies of growing buffers, during which a large form would be held twice
    // over; room that is never written takes no memory. (Capped, for the address space of
    // 32-bit hosts: a larger file grows as it is read.)
    constexpr std::uint64_t kMaxReserve = 64 << 20;
    const std::uint64_t nSize = std::min(file.KnownSize(), kMaxReserve);
    const bool bReserved = nSize != 0;
    if (bReserved) {
        m_strText.reserve(static_cast<std::size_t>(nSize));
        m_arrLines.reserve(static_cast<std::size_t>(std::min(nSize / 2 + 2, kMaxReserve / 8)));
    }
    std::size_t nLineNumber = 0;
    try {
        // Each line is kept (or dropped) straight from the reader's buffer.
        for (std::string_view line; file.ReadLine(line);) {
            if (!AddLine(line, ++nLineNumber))
                return FALSE;
        }
    } catch (const platform::FileException&) {
        // A read error part-way leaves a file we cannot trust.
        Clear();
        m_strLoadError = m_strPath + ":" + std::to_string(nLineNumber + 1) +
                         ": the form file could not be read to its end";
        return FALSE;
    }
    if (!bReserved || nSize == kMaxReserve)
        EndParse();
    return TRUE;
}

bool CFormFile::AddLine(std::string_view line, std::size_t nLineNumber) {
    line = TrimView(line);
    if (line.empty() || line[0] == ';')
        return true;
    // ";" starts a comment anywhere on a line.
    if (const std::size_t nComment = line.find(';'); nComment != std::string_view::npos)
        line = TrimView(line.substr(0, nComment));
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        m_arrSectionNames.emplace_back(line.substr(1, line.size() - 2));
        m_arrSections.push_back({nLineNumber, m_arrLines.size(), m_arrLines.size()});
        return true;
    }
    if (m_arrSections.empty()) {
        // Data before the first header belongs to no section: the file is unusable.
        // Saved in the wrong encoding it always ends here, so say which.
        Clear();
        std::string strWhy = "a data line before the first [section] header";
        if (nLineNumber == 1 && engine::StartsWith(line, "\xEF\xBB\xBF"))
            strWhy = "the file begins with a UTF-8 byte-order mark (BOM), which a form "
                     "file cannot have; save it as UTF-8 without BOM";
        else if (engine::StartsWith(line, "\xFF\xFE") || engine::StartsWith(line, "\xFE\xFF") ||
                 line.find('\0') != std::string_view::npos)
            strWhy = "the file is UTF-16 (or no text at all), but a form file is 8-bit "
                     "text; save it as UTF-8 without BOM";
        m_strLoadError = m_strPath + ":" + std::to_string(nLineNumber) + ": " + strWhy;
        return false;
    }
    if (m_strText.size() + line.size() > UINT32_MAX || nLineNumber > UINT32_MAX) {
        Clear();
        m_strLoadError = m_strPath + ":" + std::to_string(nLineNumber) +
                         ": the form file is too large: its lines hold more than 4 GiB";
        return false;
    }
    m_strText.append(line);
    m_arrLines.push_back(
        {static_cast<std::uint32_t>(m_strText.size()), static_cast<std::uint32_t>(nLineNumber)});
    m_arrSections.back().nEnd = m_arrLines.size();
    return true;
}

void CFormFile::EndParse() {
    // Both grew by doubling; what a job keeps for its whole run should be no larger than needed.
    // Copies rather than shrink_to_fit, which swallows a failed allocation: out of memory here
    // must end the job like anywhere else.
    if (m_strText.capacity() > m_strText.size())
        std::string(m_strText).swap(m_strText);
    if (m_arrLines.capacity() > m_arrLines.size())
        std::vector<LineRecord>(m_arrLines).swap(m_arrLines);
}

void CFormFile::IndexSections() const {
    m_mapSections.reserve(m_arrSectionNames.size());
    // A name that repeats keeps its first section, which is the one lookups find.
    for (std::size_t i = 0; i < m_arrSectionNames.size(); ++i)
        m_mapSections.try_emplace(m_arrSectionNames[i], i);
}

void CFormFile::Clear() {
    m_mapSections.clear();
    m_nNamesScanned = 0;
    m_arrSectionNames.clear();
    m_arrSections.clear();
    std::string().swap(m_strText);
    std::vector<LineRecord>().swap(m_arrLines);
}

std::size_t CFormFile::FindSection(const std::string& strName) const {
    if (!m_mapSections.empty()) {
        const auto it = m_mapSections.find(strName);
        return it == m_mapSections.end() ? std::string::npos : it->second;
    }
    const std::size_t nSections = m_arrSectionNames.size();
    std::size_t nFound = std::string::npos;
    for (std::size_t i = 0; i < nSections; ++i) {
        if (m_arrSectionNames[i] == strName) {
            nFound = i;
            break;
        }
    }
    m_nNamesScanned += nFound == std::string::npos ? nSections : nFound + 1;
    if (nSections > kAlwaysScan && m_nNamesScanned > kIndexAfter * nSections)
        IndexSections();
    return nFound;
}

std::optional<CFormFile::Lines> CFormFile::GetSection(const std::string& strName) const {
    const std::size_t i = FindSection(strName);
    if (i == std::string::npos)
        return std::nullopt;
    return GetSectionLines(i);
}

std::size_t CFormFile::FindValue(const std::string& strSection, const std::string& strKey,
                                 std::size_t* pnSection) const {
    const std::string_view key = TrimView(strKey);
    *pnSection = FindSection(std::string(TrimView(strSection)));
    if (*pnSection == std::string::npos)
        return std::string::npos;
    const Lines lines = GetSectionLines(*pnSection);
    // The later line wins when a key is given twice, so walk from the end.
    for (std::size_t i = lines.size(); i-- > 0;) {
        const std::string_view line = lines[i];
        const std::size_t nEquals = line.find('=');
        if (nEquals == std::string_view::npos)
            continue;
        if (TrimView(line.substr(0, nEquals)) == key)
            return i;
    }
    return std::string::npos;
}

std::string CFormFile::GetValue(const std::string& strSection, const std::string& strKey) const {
    std::size_t nSection;
    const std::size_t nLine = FindValue(strSection, strKey, &nSection);
    if (nLine == std::string::npos)
        return {};
    const std::string_view line = GetSectionLines(nSection)[nLine];
    return std::string(TrimView(line.substr(line.find('=') + 1)));
}

std::size_t CFormFile::GetValueLine(const std::string& strSection,
                                    const std::string& strKey) const {
    std::size_t nSection;
    const std::size_t nLine = FindValue(strSection, strKey, &nSection);
    return nLine == std::string::npos ? 0 : GetDataLine(nSection, nLine);
}

std::size_t CFormFile::GetHeaderLine(std::size_t nSection) const {
    return nSection < m_arrSections.size() ? m_arrSections[nSection].nHeaderLine : 0;
}

std::size_t CFormFile::GetDataLine(std::size_t nSection, std::size_t nLine) const {
    if (nSection >= m_arrSections.size())
        return 0;
    const Section& section = m_arrSections[nSection];
    if (nLine >= section.nEnd - section.nFirst)
        return 0;
    return m_arrLines[section.nFirst + nLine].nFileLine;
}
