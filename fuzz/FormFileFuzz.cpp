// The form-file parser and both lookups on arbitrary file bytes, handed over in memory: the
// reader splits them into lines exactly as it splits a file it reads.
#include <cstddef>
#include <cstdint>

#include "engine/FormFile.h"
#include "fuzz/FuzzSupport.h"

namespace {

void CheckLines(const CFormFile::Lines& lines) {
    for (const std::string_view line : lines) {
        FUZZ_CHECK(!line.empty());
        FUZZ_CHECK(line.find(';') == std::string_view::npos);
        FUZZ_CHECK(fuzzsupport::IsTrimmed(line));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    // No file of that name is ever written: a Load that read the path would fail.
    static const std::string s_strPath = fuzzsupport::ScratchDir() + "/form.frm";
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);

    CFormFile form;
    const BOOL bLoaded = form.LoadFromMemory(s_strPath, bytes);
    if (nSize > 0 && pData[0] % 8 == 0) {
        // The same bytes read from a file give the same result, message, sections, lines and
        // line numbers: the file's lines are split by the same rule. (One input in eight: the
        // file costs time.)
        static const std::string s_strFile = fuzzsupport::ScratchDir() + "/file.frm";
        fuzzsupport::WriteBytes(s_strFile, bytes);
        CFormFile fromFile, fromMemory;
        FUZZ_CHECK(fromFile.Load(s_strFile) == fromMemory.LoadFromMemory(s_strFile, bytes));
        FUZZ_CHECK(fromFile.GetLoadError() == fromMemory.GetLoadError());
        FUZZ_CHECK(fromFile.GetSectionNames() == fromMemory.GetSectionNames());
        for (std::size_t i = 0; i < fromFile.GetSectionNames().size(); ++i) {
            FUZZ_CHECK(fromFile.GetHeaderLine(i) == fromMemory.GetHeaderLine(i));
            const CFormFile::Lines a = fromFile.GetSectionLines(i);
            const CFormFile::Lines b = fromMemory.GetSectionLines(i);
            FUZZ_CHECK(a.size() == b.size());
            for (std::size_t j = 0; j < a.size(); ++j)
                FUZZ_CHECK(a[j] == b[j] &&
                           fromFile.GetDataLine(i, j) == fromMemory.GetDataLine(i, j));
        }
    }
    const std::vector<std::string>& names = form.GetSectionNames();
    if (!bLoaded) {
        // A failed load keeps nothing of the file.
        FUZZ_CHECK(names.empty());
        FUZZ_CHECK(!form.GetSection("SYSTEM"));
        FUZZ_CHECK(form.GetValue("SYSTEM", "DEFAULT_STYLE").empty());
        return 0;
    }
    // Loading the same path again keeps what was read.
    const std::size_t nSections = names.size();
    FUZZ_CHECK(form.Load(" " + s_strPath + "\t") == TRUE);
    FUZZ_CHECK(form.GetSectionNames().size() == nSections);

    // Key lookups are capped so that a file of thousands of keys does not make a run quadratic.
    int nLookups = 0;
    for (const std::string& name : names) {
        FUZZ_CHECK(name.find(';') == std::string::npos);
        const std::optional<CFormFile::Lines> lines = form.GetSection(name);
        FUZZ_CHECK(lines.has_value());
        CheckLines(*lines);
        // Every key written in the section answers with a trimmed value free of ";".
        for (const std::string_view line : *lines) {
            const std::size_t nEquals = line.find('=');
            if (nEquals == std::string_view::npos || ++nLookups > 64)
                continue;
            const std::string strValue = form.GetValue(name, std::string(line.substr(0, nEquals)));
            FUZZ_CHECK(fuzzsupport::IsTrimmed(strValue));
            FUZZ_CHECK(strValue.find(';') == std::string::npos);
        }
    }
    // Lookups of names the file may or may not hold, taken from the input itself.
    const std::string strProbe(bytes.substr(0, 16));
    if (const std::optional<CFormFile::Lines> lines = form.GetSection(strProbe))
        CheckLines(*lines);
    FUZZ_CHECK(fuzzsupport::IsTrimmed(form.GetValue(strProbe, strProbe)));
    FUZZ_CHECK(fuzzsupport::IsTrimmed(form.GetValue("SYSTEM", "DEFAULT_STYLE")));
    return 0;
}
