// The form-file parser and both lookups on arbitrary file bytes.
#include <cstddef>
#include <cstdint>

#include "engine/FormFile.h"
#include "fuzz/FuzzSupport.h"

namespace {

void CheckLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        FUZZ_CHECK(!line.empty());
        FUZZ_CHECK(line.find(';') == std::string::npos);
        FUZZ_CHECK(fuzzsupport::IsTrimmed(line));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    static const std::string s_strPath = fuzzsupport::ScratchDir() + "/form.frm";
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    fuzzsupport::WriteBytes(s_strPath, bytes);

    CFormFile form;
    const BOOL bLoaded = form.Load(s_strPath);
    const std::vector<std::string>& names = form.GetSectionNames();
    if (!bLoaded) {
        // A failed load keeps nothing of the file.
        FUZZ_CHECK(names.empty());
        FUZZ_CHECK(form.GetSection("SYSTEM") == nullptr);
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
        const std::vector<std::string>* pLines = form.GetSection(name);
        FUZZ_CHECK(pLines != nullptr);
        CheckLines(*pLines);
        // Every key written in the section answers with a trimmed value free of ";".
        for (const std::string& line : *pLines) {
            const std::size_t nEquals = line.find('=');
            if (nEquals == std::string::npos || ++nLookups > 64)
                continue;
            const std::string strValue = form.GetValue(name, line.substr(0, nEquals));
            FUZZ_CHECK(fuzzsupport::IsTrimmed(strValue));
            FUZZ_CHECK(strValue.find(';') == std::string::npos);
        }
    }
    // Lookups of names the file may or may not hold, taken from the input itself.
    const std::string strProbe(bytes.substr(0, 16));
    if (const std::vector<std::string>* pLines = form.GetSection(strProbe))
        CheckLines(*pLines);
    FUZZ_CHECK(fuzzsupport::IsTrimmed(form.GetValue(strProbe, strProbe)));
    FUZZ_CHECK(fuzzsupport::IsTrimmed(form.GetValue("SYSTEM", "DEFAULT_STYLE")));
    return 0;
}
