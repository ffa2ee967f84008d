#include "BenchInputs.h"

#include <fstream>
#include <stdexcept>

namespace benchinputs {

namespace {

const char* const kStyles = "[HEAD]\n<BOLD>\n<FONT_SIZE>16\n<COLOR_BLUE>\n"
                            "[BODY]\n<FONT> Verdana\n<ALIGN_LEFT>\n"
                            "[LIST]\n<COLOR_GREEN>\n"
                            "[NOTE]\n<ITALIC>\n<ALIGN_RIGHT>\n<COLOR_RED>\n";

std::string System(const std::string& strDestDir) {
    return "[SYSTEM]\nDEFAULT_STYLE = <<BODY>>\nHTML_DEST_DIR = " + strDestDir +
           "\nPIC_SOURCE_DIR = /srv/pictures\n";
}

long StatusKiB(const char* szField) {
    std::ifstream in("/proc/self/status");
    std::string strLine;
    const std::string strPrefix = std::string(szField) + ":";
    while (std::getline(in, strLine)) {
        if (strLine.rfind(strPrefix, 0) == 0)
            return std::stol(strLine.substr(strPrefix.size()));
    }
    return -1;
}

} // namespace

std::string SectionForm(const std::string& strDestDir, std::size_t nBlocks) {
    std::string strForm = System(strDestDir) + kStyles + "[LAYOUT]\n";
    for (std::size_t i = 0; i < nBlocks; ++i)
        strForm += "<<HEAD>>\n<<BODY>>\n<BUL_LIST>\n<LINE>\n<<NOTE>>\n<PICTURE>pic.png\n"
                   "<NUM_LIST><<LIST>>\n";
    return strForm;
}

std::string SectionText(std::size_t nBytes, std::size_t* pnBlocks) {
    // Each block ends with a list end, after which the next block's heading starts a new run.
    std::string strText;
    std::size_t nBlocks = 0;
    while (strText.size() < nBytes) {
        strText += "Heading " + std::to_string(nBlocks) +
                   "<T>A paragraph of ordinary words that fills a line or so of the page."
                   "<LB>first item<T>second item<LE>A note<LB>one<T>two<T>three<LE>";
        ++nBlocks;
    }
    *pnBlocks = nBlocks;
    return strText;
}

std::string InlineText(std::size_t nBytes) {
    std::string strText;
    std::size_t n = 0;
    while (strText.size() < nBytes) {
        strText += "<<HEAD>>Title " + std::to_string(n++) + "<T>plain words here<<NOTE>>a note<T>";
        strText += "<LB><<LIST>>alpha<T>beta<T>gamma<T>delta<T>epsilon<T>zeta<LE>";
    }
    return strText;
}

std::string MarkdownText(std::size_t nBytes) {
    std::string strText;
    for (std::size_t n = 0; strText.size() < nBytes; ++n) {
        strText += "Paragraph " + std::to_string(n) +
                   " holds ordinary words that fill a line or so of the page.\n\n"
                   "Then **a bold run of words** stands in a paragraph, and *an italic run of "
                   "words* follows it.\n\n"
                   "- first item\n- second item\n\n";
    }
    return strText;
}

std::string MarkdownShapeText(std::size_t nBytes) {
    std::string strText;
    for (std::size_t n = 0; strText.size() < nBytes; ++n) {
        strText += "Paragraph " + std::to_string(n) +
                   " holds ordinary words that fill a line or so of the page.<T>"
                   "Then <<BOLD>>a bold run of words<<>> stands in a paragraph, and "
                   "<<ITALIC>>an italic run of words<<>> follows it."
                   "<LB>first item<T>second item<LE>";
    }
    return strText;
}

std::string MarkdownShapeForm(const std::string& strDestDir) {
    return "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = " + strDestDir +
           "\nPIC_SOURCE_DIR = /srv/pictures\n[BOLD]\n<BOLD>\n[ITALIC]\n<ITALIC>\n"
           "[LAYOUT]\n<<BOLD>>\n<BUL_LIST>\n";
}

std::string LargeForm(const std::string& strDestDir, std::size_t nSections, std::size_t nLines) {
    std::string strForm = System(strDestDir) + kStyles;
    const std::size_t nPerSection = nLines / nSections;
    for (std::size_t s = 0; s + 1 < nSections; ++s) {
        strForm += "[SECTION_" + std::to_string(s) + "]\n";
        for (std::size_t l = 1; l < nPerSection; ++l)
            strForm += "<LITERAL>line " + std::to_string(l) + " of a long form file ; comment\n";
    }
    strForm += "[LAST]\n<<HEAD>>\n<BUL_LIST>\n";
    return strForm;
}

std::string EmptySectionsForm(const std::string& strDestDir, std::size_t nSections) {
    std::string strForm = "[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = " + strDestDir + "\n";
    for (std::size_t i = 1; i <= nSections; ++i)
        strForm += "[S" + std::to_string(i) + "]\n";
    return strForm;
}

void WriteWholeFile(const std::string& strPath, const std::string& strBytes) {
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + strPath);
}

long PeakResidentKiB() {
    return StatusKiB("VmHWM");
}
long ResidentKiB() {
    return StatusKiB("VmRSS");
}

} // namespace benchinputs
