// faces_runner c|cpp (FORM SECTION text|file TEXT)...: the runner of tests/faces/requests.txt
// (whose head gives the protocol) for the C API and the C++ API, on one generator.
#include <pagewright/pagewright.hpp>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    const bool bC = argc > 1 && std::strcmp(argv[1], "c") == 0;
    pagewright::Generator gen;
    pagewright_generator* g = gen.handle(); // the C face drives the object through the C API
    std::vector<int> arrIndexes;
    std::vector<pagewright::Request> requests;
    for (int i = 2; i + 3 < argc; i += 4) {
        const char *szForm = argv[i], *szSection = argv[i + 1], *szText = argv[i + 3];
        const bool bFile = std::strcmp(argv[i + 2], "file") == 0;
        if (bC)
            arrIndexes.push_back(
                bFile ? pagewright_generate_file(g, szText, szForm, szSection)
                      : pagewright_generate(g, szText, std::strlen(szText), szForm, szSection));
        else
            requests.push_back(bFile ? gen.generate_file(szText, szForm, szSection)
                                     : gen.generate(szText, szForm, szSection));
    }
    if (bC && pagewright_wait(g, -1) != 1)
        return 1;
    for (const int nIndex : arrIndexes) {
        char *szPage = pagewright_page(g, nIndex), *szReason = pagewright_reason(g, nIndex);
        std::printf("%s %s\n", szPage ? "page" : "reason",
                    szPage     ? szPage
                    : szReason ? szReason
                               : "(none)");
        pagewright_free(szPage);
        pagewright_free(szReason);
    }
    for (const pagewright::Request& request : requests) {
        const pagewright::Page page = request.get();
        std::printf("%s %s\n", page.ok() ? "page" : "reason",
                    (page.ok() ? page.path().string() : page.reason()).c_str());
    }
}
