// The form file: a text file of named sections of lines.
//
//   ; a comment line
//   [SYSTEM]
//   DEFAULT_STYLE = <<BODY>>   ; comments may also follow data
//   [BODY]
//   <FONT> Arial
//
// Lines are trimmed; blank lines and comments are dropped; a line that begins with "[" and
// ends with "]" opens a section (its name is what stands between, untrimmed); every other line
// belongs to the section opened last. A data line before the first header makes the file
// unusable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/types.h"

class CFormFile {
public:
    CFormFile() = default;
    CFormFile(const CFormFile&) = delete;
    CFormFile& operator=(const CFormFile&) = delete;
    ~CFormFile();

    // Loads the file at the trimmed path. Loading the path already held succeeds without
    // reading the file again. FALSE for a blank path, a file that cannot be opened or read, or a
    // data line before the first header.
    BOOL Load(const std::string& strPath);
    // Drops all sections; the path is kept.
    void Clear();
    // The line list of the first section of exactly that name, or nullptr.
    const std::vector<std::string>* GetSection(const std::string& strName) const;
    // The value of the last line "key = value" of that key in the first section of that name
    // (both arguments trimmed first); empty when the section or the key is missing.
    std::string GetValue(const std::string& strSection, const std::string& strKey) const;

    const std::string& GetPath() const { return m_strPath; }
    const std::vector<std::string>& GetSectionNames() const { return m_arrSectionNames; }

    // Where things stand in the file, for messages: 1-based line numbers, 0 for "nowhere".
    // The header line of section i (in GetSectionNames order).
    std::size_t GetHeaderLine(std::size_t nSection) const;
    // The file line of the nLine-th (0-based) data line of section i.
    std::size_t GetDataLine(std::size_t nSection, std::size_t nLine) const;
    // The lines of section i (in GetSectionNames order).
    const std::vector<std::string>& GetSectionLines(std::size_t nSection) const {
        return m_arrSectionLines[nSection];
    }
    // Index of the section GetSection(strName) finds, or npos.
    std::size_t FindSection(const std::string& strName) const;
    // The file line of the line GetValue(strSection, strKey) takes its value from, or 0.
    std::size_t GetValueLine(const std::string& strSection, const std::string& strKey) const;
    // Why the last Load gave FALSE, in the words of someone who writes form files; empty after
    // a successful Load.
    const std::string& GetLoadError() const { return m_strLoadError; }

private:
    BOOL Parse();
    // Index into the section's lines of the line GetValue uses, or npos.
    std::size_t FindValue(const std::string& strSection, const std::string& strKey,
                          std::size_t* pnSection) const;

    std::string m_strPath;
    std::vector<std::string> m_arrSectionNames;
    std::vector<std::vector<std::string>> m_arrSectionLines;
    // Parallel to the two above: the line numbers the header and each data line came from.
    std::vector<std::size_t> m_arrHeaderLines;
    std::vector<std::vector<std::size_t>> m_arrDataLines;
    std::string m_strLoadError;
};
