// A minimal host of the installed library, on the C++ API: one page per text, on one generator,
// and a line per text with the page's path (or an empty line, and the reason on stderr).
//   consumer FORM SECTION TEXT...
#include <cstdio>
#include <vector>

#include <pagewright/pagewright.hpp>

// The CMake project asks for C++14; the header needs C++17, which compilers accept silently in
// headers found through -isystem. The package's target must raise it.
static_assert(__cplusplus >= 201703L, "Pagewright::pagewright does not declare C++17");

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: consumer FORM SECTION TEXT...\n");
        return 2;
    }
    pagewright::Generator generator;
    std::vector<pagewright::Request> requests;
    for (int i = 3; i < argc; ++i)
        requests.push_back(generator.generate(argv[i], argv[1], argv[2]));
    int nExit = 0;
    for (const pagewright::Request& request : requests) {
        const pagewright::Page page = request.get();
        std::printf("%s\n", page.path().c_str());
        if (!page.ok()) {
            std::fprintf(stderr, "no page: %s\n", page.reason().c_str());
            nExit = 1;
        }
    }
    return nExit;
}
