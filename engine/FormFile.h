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

private:
    BOOL Parse();

    std::string m_strPath;
    std::vector<std::string> m_arrSectionNames;
    std::vector<std::vector<std::string>> m_arrSectionLines;
};
