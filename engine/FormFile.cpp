#include "engine/FormFile.h"

#include <cstring>

#include "engine/TextUtil.h"
#include "platform/textfile.h"

using engine::TrimInPlace;
using engine::TrimView;

CFormFile::~CFormFile() {
    Clear();
}

BOOL CFormFile::Load(const std::string& strPath) {
    std::string strTrimmed(TrimView(strPath));
    if (strTrimmed.empty()) {
        m_strLoadError = "no form file given (the path is empty)";
        return FALSE;
    }
    // A job loads its form file once; a second load of the same path keeps what was read.
    if (strTrimmed == m_strPath)
        return TRUE;
    m_strPath = std::move(strTrimmed);
    Clear();
    m_strLoadError.clear();
    return Parse();
}

BOOL CFormFile::Parse() {
    platform::TextFileReader file;
    int nError = 0;
    if (!file.Open(m_strPath, &nError)) {
        m_strLoadError = "cannot open the form file \"" + m_strPath + "\"";
        if (nError != 0)
            m_strLoadError += std::string(": ") + platform::FileErrorText(nError);
        return FALSE;
    }
    std::size_t nLineNumber = 0;
    try {
        std::string strLine;
        while (file.ReadLine(strLine)) {
            ++nLineNumber;
            TrimInPlace(strLine);
            if (strLine.empty() || strLine[0] == ';')
                continue;
            // ";" starts a comment anywhere on a line.
            const std::size_t nComment = strLine.find(';');
            if (nComment != std::string::npos) {
                strLine.erase(nComment);
                TrimInPlace(strLine);
            }
            if (strLine.size() >= 2 && strLine.front() == '[' && strLine.back() == ']') {
                m_arrSectionNames.emplace_back(strLine, 1, strLine.size() - 2);
                m_arrSectionLines.emplace_back();
                m_arrHeaderLines.push_back(nLineNumber);
                m_arrDataLines.emplace_back();
                continue;
            }
            if (m_arrSectionLines.empty()) {
                // Data before the first header belongs to no section: the file is unusable.
                // Saved in the wrong encoding it always ends here, so say which.
                Clear();
                std::string strWhy = "a data line before the first [section] header";
                if (nLineNumber == 1 && engine::StartsWith(strLine, "\xEF\xBB\xBF"))
                    strWhy = "the file begins with a UTF-8 byte-order mark (BOM), which a form "
                             "file cannot have; save it as UTF-8 without BOM";
                else if (engine::StartsWith(strLine, "\xFF\xFE") ||
                         engine::StartsWith(strLine, "\xFE\xFF") ||
                         strLine.find('\0') != std::string::npos)
                    strWhy = "the file is UTF-16 (or no text at all), but a form file is 8-bit "
                             "text; save it as UTF-8 without BOM";
                m_strLoadError = m_strPath + ":" + std::to_string(nLineNumber) + ": " + strWhy;
                return FALSE;
            }
            m_arrSectionLines.back().push_back(std::move(strLine));
            m_arrDataLines.back().push_back(nLineNumber);
        }
    } catch (const platform::FileException&) {
        // A read error part-way leaves a file we cannot trust.
        Clear();
        m_strLoadError = m_strPath + ":" + std::to_string(nLineNumber + 1) +
                         ": the form file could not be read to its end";
        return FALSE;
    }
    return TRUE;
}

void CFormFile::Clear() {
    m_arrSectionNames.clear();
    m_arrSectionLines.clear();
    m_arrHeaderLines.clear();
    m_arrDataLines.clear();
}

std::size_t CFormFile::FindSection(const std::string& strName) const {
    for (std::size_t i = 0; i < m_arrSectionNames.size(); ++i) {
        if (m_arrSectionNames[i] == strName)
            return i;
    }
    return std::string::npos;
}

const std::vector<std::string>* CFormFile::GetSection(const std::string& strName) const {
    const std::size_t i = FindSection(strName);
    return i == std::string::npos ? nullptr : &m_arrSectionLines[i];
}

std::size_t CFormFile::FindValue(const std::string& strSection, const std::string& strKey,
                                 std::size_t* pnSection) const {
    const std::string_view key = TrimView(strKey);
    *pnSection = FindSection(std::string(TrimView(strSection)));
    if (*pnSection == std::string::npos)
        return std::string::npos;
    const std::vector<std::string>& lines = m_arrSectionLines[*pnSection];
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
    const std::string_view line = m_arrSectionLines[nSection][nLine];
    return std::string(TrimView(line.substr(line.find('=') + 1)));
}

std::size_t CFormFile::GetValueLine(const std::string& strSection,
                                    const std::string& strKey) const {
    std::size_t nSection;
    const std::size_t nLine = FindValue(strSection, strKey, &nSection);
    return nLine == std::string::npos ? 0 : m_arrDataLines[nSection][nLine];
}

std::size_t CFormFile::GetHeaderLine(std::size_t nSection) const {
    return nSection < m_arrHeaderLines.size() ? m_arrHeaderLines[nSection] : 0;
}

std::size_t CFormFile::GetDataLine(std::size_t nSection, std::size_t nLine) const {
    if (nSection >= m_arrDataLines.size() || nLine >= m_arrDataLines[nSection].size())
        return 0;
    return m_arrDataLines[nSection][nLine];
}
