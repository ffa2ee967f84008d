// A minimal host of the installed library, on the C++ API: makes one page and prints its path,
// or why there is none.
//   consumer FORM SECTION TEXT
#include <cstdio>

#include <pagewright/pagewright.hpp>

// The CMake project asks for C++14; the header needs C++17, which compilers accept silently in
// headers found through -isystem. The package's target must raise it.
static_assert(__cplusplus >= 201703L, "Pagewright::pagewright does not declare C++17");

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: consumer FORM SECTION TEXT\n");
        return 2;
    }
    try {
        std::printf("%s\n", pagewright::make_page(argv[3], argv[1], argv[2]).c_str());
        return 0;
    } catch (const pagewright::Error& e) {
        std::fprintf(stderr, "no page: %s\n", e.what());
        return 1;
    }
}
