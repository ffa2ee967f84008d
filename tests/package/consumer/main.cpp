// A minimal host of the installed library: gets the class object from the module's export,
// makes one page and prints its path (or the reason there is none).
//   consumer FORM SECTION TEXT
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include <pagewright/PagewrightApi.h>

// The CMake project asks for C++14; the headers need C++17 (inline variables), which compilers
// accept silently in headers found through -isystem. The package's target must raise it.
static_assert(__cplusplus >= 201703L, "Pagewright::pagewright does not declare C++17");

namespace {

BSTR MakeBstr(const char* text) {
    std::u16string wide(text, text + std::char_traits<char>::length(text)); // ASCII only here
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string FromBstr(BSTR bstr) {
    std::string out;
    for (UINT i = 0; i < SysStringLen(bstr); ++i)
        out += static_cast<char>(bstr[i]);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: consumer FORM SECTION TEXT\n");
        return 2;
    }
    IClassFactory* pFactory = nullptr;
    if (FAILED(DllGetClassObject(CLSID_Pagewright, IID_IClassFactory,
                                 reinterpret_cast<void**>(&pFactory))))
        return 1;
    IPagewright* pGenerator = nullptr;
    const HRESULT hr =
        pFactory->CreateInstance(nullptr, IID_IPagewright, reinterpret_cast<void**>(&pGenerator));
    pFactory->Release();
    if (FAILED(hr))
        return 1;

    BSTR text = MakeBstr(argv[3]), form = MakeBstr(argv[1]), section = MakeBstr(argv[2]);
    int nIndex = -1;
    pGenerator->GenerateHTML(text, form, section, &nIndex);
    SysFreeString(text);
    SysFreeString(form);
    SysFreeString(section);
    for (LONG bFinished = 0; pGenerator->IsGeneratingFinished(&bFinished) == S_OK && !bFinished;)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    BSTR name = nullptr;
    pGenerator->GetHTMLFileName(nIndex, &name);
    const std::string strName = FromBstr(name);
    SysFreeString(name);
    int nExit = 0;
    if (strName.empty()) {
        IPagewrightDiagnostics* pDiagnostics = nullptr;
        BSTR reason = nullptr;
        if (SUCCEEDED(pGenerator->QueryInterface(IID_IPagewrightDiagnostics,
                                                 reinterpret_cast<void**>(&pDiagnostics)))) {
            pDiagnostics->GetFailureReason(nIndex, &reason);
            pDiagnostics->Release();
        }
        std::fprintf(stderr, "no page: %s\n", FromBstr(reason).c_str());
        SysFreeString(reason);
        nExit = 1;
    } else {
        std::printf("%s\n", strName.c_str());
    }
    pGenerator->Release();
    return nExit;
}
