#include "engine/FormFile.h"

#include "engine/TextUtil.h"
#include "platform/textfile.h"

using engine::TrimInPlace;
using engine::TrimView;

CFormFile::~CFormFile() {
    Clear();
}

BOOL CFormFile::Load(const std::string& strPath) {
    std::string strTrimmed(TrimView(strPath));
    if (strTrimmed.empty())
        return FALSE;
    // A job loads its form file once; a second load of the same path keeps what was read.
    if (strTrimmed == m_strPath)
        return TRUE;
    m_strPath = std::move(strTrimmed);
    Clear();
    return Parse();
}

BOOL CFormFile::Parse() {
    platform::TextFileReader file;
    if (!file.Open(m_strPath))
        return FALSE;
    try {
        std::string strLine;
        while (file.ReadLine(strLine)) {
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
                continue;
            }
            if (m_arrSectionLines.empty()) {
                // Data before the first header belongs to no section: the file is unusable.
                Clear();
                return FALSE;
            }
            m_arrSectionLines.back().push_back(std::move(strLine));
        }
    } catch (const platform::FileException&) {
        // A read error part-way leaves a file we cannot trust.
        Clear();
        return FALSE;
    }
    return TRUE;
}

void CFormFile::Clear() {
    m_arrSectionNames.clear();
    m_arrSectionLines.clear();
}

const std::vector<std::string>* CFormFile::GetSection(const std::string& strName) const {
    for (std::size_t i = 0; i < m_arrSectionNames.size(); ++i) {
        if (m_arrSectionNames[i] == strName)
            return &m_arrSectionLines[i];
    }
    return nullptr;
}

std::string CFormFile::GetValue(const std::string& strSection, const std::string& strKey) const {
    const std::string_view key = TrimView(strKey);
    const std::vector<std::string>* pLines = GetSection(std::string(TrimView(strSection)));
    if (!pLines)
        return {};
    // The later line wins when a key is given twice, so walk from the end.
    for (auto it = pLines->rbegin(); it != pLines->rend(); ++it) {
        const std::string_view line = *it;
        const std::size_t nEquals = line.find('=');
        if (nEquals == std::string_view::npos)
            continue;
        if (TrimView(line.substr(0, nEquals)) == key)
            return std::string(TrimView(line.substr(nEquals + 1)));
    }
    return {};
}
