// The runner of tests/faces/requests.txt for the C API and the C++ API (the protocol is at the
// head of that file): every request on one generator, a line per request.
//   faces_runner c|cpp (FORM SECTION text|file TEXT)...
#include <pagewright/pagewright.hpp>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const bool bC = argc > 1 && std::strcmp(argv[1], "c") == 0;
    std::vector<std::string> arrLines;
    pagewright::Generator gen;
    std::vector<pagewright::Request> requests;
    for (int i = 2; i + 3 < argc; i += 4) {
        const char *szForm = argv[i], *szSection = argv[i + 1], *szText = argv[i + 3];
        const bool bFile = std::strcmp(argv[i + 2], "file") == 0;
        if (!bC) {
            requests.push_back(bFile ? gen.generate_file(szText, szForm, szSection)
                                     : gen.generate(szText, szForm, szSection));
            continue;
        }
        pagewright_generator* g = gen.handle(); // the C API on the same kind of object
        const int nIndex =
            bFile ? pagewright_generate_file(g, szText, szForm, szSection)
                  : pagewright_generate(g, szText, std::strlen(szText), szForm, szSection);
        if (pagewright_wait_request(g, nIndex, -1) != 1)
            return 1;
        char* szPage = pagewright_page(g, nIndex);
        char* szReason = pagewright_reason(g, nIndex);
        arrLines.push_back(szPage ? std::string("page ") + szPage
                                  : std::string("reason ") + (szReason ? szReason : "(none)"));
        pagewright_free(szPage);
        pagewright_free(szReason);
    }
    for (const pagewright::Request& request : requests) {
        const pagewright::Page page = request.get();
        arrLines.push_back(page.ok() ? "page " + page.path().string() : "reason " + page.reason());
    }
    for (const std::string& line : arrLines)
        std::printf("%s\n", line.c_str());
    return 0;
}
