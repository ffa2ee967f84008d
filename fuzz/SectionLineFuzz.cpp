// The split of one layout-section line into item tag, argument and style attribute, with the
// style sections of the form file turned into attributes, and picture paths made absolute.
//
// Input: one byte choosing the default style, the line, and optionally a line feed followed by
// the lines of a style section FUZZ that the form file then holds as well.
#include <cstddef>
#include <cstdint>

#include "engine/GenThread.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr std::string_view kBaseForm = "[SYSTEM]\n"
                                       "DEFAULT_STYLE=<<BODY>>\n"
                                       "[BODY]\n<FONT> Verdana\n<FONT_SIZE>11\n<COLOR_BLACK>\n"
                                       "[TITLE]\n<BOLD>\n<ALIGN_CENTER>\n"
                                       "[ BLANK ]\n<ITALIC>\n"
                                       "[BAD]\n<BOLD>\n<bold>\n"
                                       "[EMPTY]\n";

const char* const kDefaultStyles[] = {"",      "BODY",    "TITLE", "BAD",
                                      "EMPTY", "MISSING", "FUZZ",  " BLANK "};

bool IsAttribute(const std::string& s) {
    return s.empty() || (s.size() >= 8 && s.compare(0, 7, "STYLE=\"") == 0 && s.back() == '"' &&
                         s[s.size() - 2] != ';' && s[s.size() - 2] != ' ');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize == 0)
        return 0;
    static const std::string s_strPath = "styles.frm"; // for messages only: nothing is read
    const std::string_view input(reinterpret_cast<const char*>(pData) + 1, nSize - 1);
    const std::size_t nBreak = input.find('\n');
    const std::string strLine(input.substr(0, nBreak));
    std::string strForm(kBaseForm);
    if (nBreak != std::string_view::npos) {
        strForm += "[FUZZ]\n";
        strForm += input.substr(nBreak + 1);
    }

    CGenThread job(nullptr, std::string(), s_strPath, std::string(), 0);
    FUZZ_CHECK(job.m_formFile.LoadFromMemory(s_strPath, strForm) == TRUE);
    job.m_strDefaultStyle = kDefaultStyles[pData[0] % std::size(kDefaultStyles)];
    job.m_strPicSourceDir = "P:\\pics\\";

    const std::string kUntouched = "\x01untouched";
    std::string strTag = kUntouched, strArgument = kUntouched, strAttribute = kUntouched;
    const BOOL bOk = job.SplitSectionLine(strLine, &strTag, &strArgument, &strAttribute);

    const std::size_t nOpen = strLine.find("<<");
    const bool bUnclosed =
        nOpen != std::string::npos && strLine.find(">>", nOpen + 2) == std::string::npos;
    FUZZ_CHECK((bOk == FALSE) == bUnclosed);
    if (!bOk) {
        FUZZ_CHECK(strTag == kUntouched && strArgument == kUntouched && strAttribute == kUntouched);
        return 0;
    }
    FUZZ_CHECK(fuzzsupport::IsTrimmed(strTag));
    // A tag is empty or ends at its one ">".
    FUZZ_CHECK(strTag.empty() || (strTag.back() == '>' && strTag.find('>') == strTag.size() - 1));
    FUZZ_CHECK(IsAttribute(strAttribute));
    // Nothing of the line is invented: tag and argument come out of it.
    FUZZ_CHECK(strTag.size() + strArgument.size() <= strLine.size());
    if (nOpen == std::string::npos && job.m_strDefaultStyle.empty())
        FUZZ_CHECK(strAttribute.empty());

    // The line as a style name: converted or not, the answer is a whole attribute or nothing.
    std::string strStyle;
    const BOOL bConverted = job.BuildStyleAttribute(strLine, strStyle);
    FUZZ_CHECK((bConverted == TRUE) == !strStyle.empty());
    FUZZ_CHECK(IsAttribute(strStyle));
    std::string strFuzzStyle;
    FUZZ_CHECK((job.BuildStyleAttribute("FUZZ", strFuzzStyle) == TRUE) == !strFuzzStyle.empty());
    FUZZ_CHECK(IsAttribute(strFuzzStyle));

    // A picture path either stays as it is or gets the picture directory in front.
    std::string strPicture = strArgument;
    job.ResolvePicturePath(strPicture);
    FUZZ_CHECK(strPicture == strArgument || strPicture == job.m_strPicSourceDir + strArgument);
    return 0;
}
