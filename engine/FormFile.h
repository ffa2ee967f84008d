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
//
// A form file may run to hundreds of thousands of lines, so what is kept is compact: the kept
// lines' bytes one after the other in one buffer, a record of two numbers per line, and each
// section a range of those records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/types.h"

class CFormFile {
    // A kept line: it ends at nEnd in the text and begins where the line before it ends.
    // Eight bytes a line: a form file of more than 4 GiB of kept lines is refused.
    struct LineRecord {
        std::uint32_t nEnd;
        std::uint32_t nFileLine; // 1-based line number in the file
    };

public:
    // The data lines of one section, as views into the form's text: valid while the form holds
    // what it has loaded (until the next Load, LoadFromMemory or Clear).
    class Lines {
    public:
        class iterator {
        public:
            using value_type = std::string_view;
            using difference_type = std::ptrdiff_t;
            iterator() = default;
            std::string_view operator*() const { return Line(m_pText, m_pBefore); }
            iterator& operator++() {
                ++m_pBefore;
                return *this;
            }
            iterator operator++(int) {
                iterator old = *this;
                ++m_pBefore;
                return old;
            }
            bool operator==(const iterator&) const = default;

        private:
            friend class Lines;
            iterator(const char* pText, const LineRecord* pBefore)
                : m_pText(pText), m_pBefore(pBefore) {}
            const char* m_pText = nullptr;
            const LineRecord* m_pBefore = nullptr;
        };

        Lines() = default;
        std::size_t size() const { return m_nCount; }
        bool empty() const { return m_nCount == 0; }
        std::string_view operator[](std::size_t i) const { return Line(m_pText, m_pBefore + i); }
        iterator begin() const { return {m_pText, m_pBefore}; }
        iterator end() const { return {m_pText, m_pBefore + m_nCount}; }

    private:
        friend class CFormFile;
        Lines(const char* pText, const LineRecord* pBefore, std::size_t nCount)
            : m_pText(pText), m_pBefore(pBefore), m_nCount(nCount) {}
        // The line whose record follows *pBefore.
        static std::string_view Line(const char* pText, const LineRecord* pBefore) {
            return {pText + pBefore[0].nEnd, pBefore[1].nEnd - pBefore[0].nEnd};
        }
        const char* m_pText = nullptr;
        const LineRecord* m_pBefore = nullptr; // the record before the section's first line
        std::size_t m_nCount = 0;
    };

    CFormFile() = default;
    CFormFile(const CFormFile&) = delete;
    CFormFile& operator=(const CFormFile&) = delete;
    ~CFormFile();

    // Loads the file at the trimmed path. Loading the path already held succeeds without
    // reading the file again. FALSE for a blank path, a file that cannot be opened or read, or a
    // data line before the first header.
    BOOL Load(const std::string& strPath);
    // Loads bytes as if they were the content of the file at the trimmed path: split into lines
    // as a file is read, with the path in messages and as the one a later Load finds held. Reads
    // no file, and always takes the bytes, whatever path is held. FALSE for a blank path or a
    // data line before the first header.
    BOOL LoadFromMemory(const std::string& strPath, std::string_view bytes);
    // Drops all sections; the path is kept.
    void Clear();
    // The lines of the first section of exactly that name; nothing when there is none.
    std::optional<Lines> GetSection(const std::string& strName) const;
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
    Lines GetSectionLines(std::size_t nSection) const {
        const Section& section = m_arrSections[nSection];
        return {m_strText.data(), &m_arrLines[section.nFirst - 1], section.nEnd - section.nFirst};
    }
    // Index of the section GetSection(strName) finds, or npos.
    std::size_t FindSection(const std::string& strName) const;
    // The file line of the line GetValue(strSection, strKey) takes its value from, or 0.
    std::size_t GetValueLine(const std::string& strSection, const std::string& strKey) const;
    // Why the last Load gave FALSE, in the words of someone who writes form files; empty after
    // a successful Load.
    const std::string& GetLoadError() const { return m_strLoadError; }

private:
    // A section's data lines are the records [nFirst, nEnd) of m_arrLines.
    struct Section {
        std::size_t nHeaderLine;
        std::size_t nFirst;
        std::size_t nEnd;
    };

    // Stores the trimmed path and drops what was held; false, with the reason set, for a blank
    // path.
    bool StartLoad(std::string strTrimmedPath);
    BOOL Parse();
    // Takes one line as read from the file; false when it makes the file unusable.
    bool AddLine(std::string_view line, std::size_t nLineNumber);
    // Gives back what the buffers grew beyond the content.
    void EndParse();
    // Indexes the section names, for lookups from then on.
    void IndexSections() const;
    // Index into the section's lines of the line GetValue uses, or npos.
    std::size_t FindValue(const std::string& strSection, const std::string& strKey,
                          std::size_t* pnSection) const;

    std::string m_strPath;
    std::vector<std::string> m_arrSectionNames;
    std::vector<Section> m_arrSections; // parallel to m_arrSectionNames
    // Each name's first section. A job looks up a handful of names, and for those a scan costs
    // less than building an index of a large form; but a lookup per style name or per section
    // would make a scan of all sections each time. So lookups scan until they have looked at
    // kIndexAfter times as many names as the form has sections, and then index them: however
    // many lookups follow, they cost no more than a few scans in all. Views into
    // m_arrSectionNames, which does not change once the file is loaded.
    // A form of a few sections is always scanned: a scan of them is as quick as a lookup.
    static constexpr std::size_t kIndexAfter = 4;
    static constexpr std::size_t kAlwaysScan = 32;
    mutable std::unordered_map<std::string_view, std::size_t> m_mapSections;
    mutable std::size_t m_nNamesScanned = 0;
    // The kept lines' bytes, one line after the other with nothing between.
    std::string m_strText;
    // A record per kept line, in file order, after one whose nEnd is 0: record k's line is
    // m_strText from record k-1's nEnd to its own.
    std::vector<LineRecord> m_arrLines;
    std::string m_strLoadError;
};
