// pagewright: the command-line host of the component.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <climits>
#include <unistd.h>
#endif

#include "Options.h"
#include "component/Pagewright.h"
#include "engine/Check.h"
#include "module/host/ComHost.h"
#include "platform/bstr.h"
#include "platform/registry.h"
#include "platform/strconv.h"
#include "platform/thread.h"

namespace {

constexpr int kExitAllMade = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;

// Reads a whole file (or standard input for "-") as raw bytes.
bool ReadTextSource(const std::string& strPath, std::string& strOut, std::string& strError) {
    FILE* pFile = strPath == "-" ? stdin : std::fopen(strPath.c_str(), "rb");
    if (!pFile) {
        strError = "cannot open text file '" + strPath + "': " + std::strerror(errno);
        return false;
    }
    char buffer[64 * 1024];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pFile)) > 0)
        strOut.append(buffer, n);
    const bool bFailed = std::ferror(pFile) != 0;
    const int nError = errno;
    if (pFile != stdin)
        std::fclose(pFile);
    if (bFailed) {
        strError = "cannot read text file '" + strPath + "': " + std::strerror(nError);
        return false;
    }
    return true;
}

// The folder the command's own file is in, with a trailing separator.
std::string CommandDir() {
#ifdef _WIN32
    char buffer[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string strPath(buffer, n < MAX_PATH ? n : 0);
    return strPath.substr(0, strPath.find_last_of("\\/") + 1);
#else
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    std::string strPath(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    return strPath.substr(0, strPath.find_last_of('/') + 1);
#endif
}

// The generator object, created the way any host creates it: through the class registry and
// the module it names.
HRESULT CreateGenerator(const cli::GenerateOptions& opts, IPagewright** ppGenerator) {
#ifdef _WIN32
    std::string strModule = CommandDir() + "PAGEWRIGHT.DLL";
    const bool bInstalled = false;
#else
    // In the build tree the module sits beside the command; installed, it is in the library
    // folder, and the command then uses the user's registry rather than one in the bin folder.
    std::string strModule = CommandDir() + "libpagewright.so";
    const bool bInstalled = ::access(strModule.c_str(), F_OK) != 0;
    if (bInstalled)
        strModule = CommandDir() + PAGEWRIGHT_INSTALLED_MODULE;
#endif
    const bool bOwnRegistry = opts.strRegistry.empty();
    if (!bOwnRegistry)
        platform::registry::SetRegistryFile(opts.strRegistry);
    else if (!bInstalled)
        platform::registry::SetRegistryFile(CommandDir() + "pagewright.registry");
    // The command's own registry follows the module beside it, wherever the two were moved. If
    // it cannot be written (a read-only folder), what it already holds may still do.
    if (bOwnRegistry)
        host::RegisterModule(strModule);
    void** ppv = reinterpret_cast<void**>(ppGenerator);
    HRESULT hr = host::CreateInstanceFromProgId("Pagewright.Pagewright", IID_IPagewright, ppv);
    if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) {
        hr = host::RegisterModule(strModule);
        if (SUCCEEDED(hr))
            hr = host::CreateInstanceFromProgId("Pagewright.Pagewright", IID_IPagewright, ppv);
    }
    return hr;
}

// The texts of the options, in order; false (after saying why) when a file cannot be read.
bool ReadTexts(const cli::GenerateOptions& opts, std::vector<std::string>& arrTexts) {
    arrTexts.reserve(opts.arrTexts.size());
    for (const cli::TextSource& source : opts.arrTexts) {
        std::string strText = source.strArg;
        if (source.bFromFile) {
            strText.clear();
            std::string strError;
            if (!ReadTextSource(source.strArg, strText, strError)) {
                std::cerr << "pagewright: " << strError << "\n";
                return false;
            }
        }
        arrTexts.push_back(std::move(strText));
    }
    return true;
}

// A message as one line: texts may put line breaks into the names and tags a message quotes.
std::string OneLine(std::string_view message) {
    std::string out;
    for (char c : message)
        out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    return out;
}

// Why request nIndex made no page, or empty when the object cannot say.
std::string FailureReason(IPagewright* pGenerator, int nIndex) {
    IPagewrightDiagnostics* pDiagnostics = nullptr;
    if (FAILED(pGenerator->QueryInterface(IID_IPagewrightDiagnostics,
                                          reinterpret_cast<void**>(&pDiagnostics))))
        return {};
    BSTR bstrReason = nullptr;
    pDiagnostics->GetFailureReason(nIndex, &bstrReason);
    std::string strReason = platform::BstrToAnsi(bstrReason);
    SysFreeString(bstrReason);
    pDiagnostics->Release();
    return strReason;
}

int RunGenerate(const cli::GenerateOptions& opts) {
    // Read every text first: a missing file should stop the run before any page is made.
    std::vector<std::string> arrTexts;
    if (!ReadTexts(opts, arrTexts))
        return kExitUsage;

    IPagewright* pGenerator = nullptr;
    HRESULT hr = CreateGenerator(opts, &pGenerator);
    if (FAILED(hr)) {
        std::cerr << "pagewright: cannot create the generator object (HRESULT 0x" << std::hex
                  << static_cast<unsigned>(hr) << ")\n";
        return kExitSomeFailed;
    }

    const platform::ScopedBstr form(opts.strForm);
    const platform::ScopedBstr section(opts.strSection);
    std::vector<int> arrIndexes;
    arrIndexes.reserve(arrTexts.size());
    for (std::size_t i = 0; i < arrTexts.size(); ++i) {
        const platform::ScopedBstr text(arrTexts[i]);
        int nIndex = -1;
        hr = pGenerator->GenerateHTML(text.Get(), form.Get(), section.Get(), &nIndex);
        if (FAILED(hr)) {
            std::cerr << "pagewright: request " << i << " could not be queued (HRESULT 0x"
                      << std::hex << static_cast<unsigned>(hr) << std::dec << ")\n";
            nIndex = -1;
        }
        arrIndexes.push_back(nIndex);
    }

    for (LONG bFinished = 0;;) {
        pGenerator->IsGeneratingFinished(&bFinished);
        if (bFinished)
            break;
        platform::SleepMs(2);
    }

    bool bAllMade = true;
    std::string strOut;
    for (int nIndex : arrIndexes) {
        std::string strPath;
        if (nIndex >= 0) {
            BSTR bstrPath = nullptr;
            pGenerator->GetHTMLFileName(nIndex, &bstrPath);
            strPath = platform::BstrToAnsi(bstrPath);
            SysFreeString(bstrPath);
            if (strPath.empty()) {
                const std::string strReason = FailureReason(pGenerator, nIndex);
                std::cerr << "pagewright: request " << nIndex << ": "
                          << (strReason.empty() ? "no page was made" : OneLine(strReason)) << "\n";
            }
        }
        if (strPath.empty())
            bAllMade = false;
        strOut += strPath;
        strOut += '\n';
    }
    // No Reset: the pages are the command's output and stay on disk.
    pGenerator->Release();
    std::fwrite(strOut.data(), 1, strOut.size(), stdout);
    std::fflush(stdout);
    return bAllMade ? kExitAllMade : kExitSomeFailed;
}

int RunCheck(const cli::GenerateOptions& opts) {
    engine::CheckRequest request;
    request.strFormPath = opts.strForm;
    request.strSection = opts.strSection;
    request.bHaveSection = opts.bHaveSection;
    if (!ReadTexts(opts, request.arrTexts))
        return kExitUsage;
    std::size_t nErrors = 0, nWarnings = 0;
    for (const engine::Diagnostic& d : engine::CheckForm(request)) {
        const bool bError = d.severity == engine::Severity::kError;
        (bError ? nErrors : nWarnings)++;
        std::cout << (bError ? "error: " : "warning: ") << OneLine(d.strMessage) << "\n";
    }
    const auto count = [](std::size_t n, const char* szWhat) {
        return std::to_string(n) + " " + szWhat + (n == 1 ? "" : "s");
    };
    std::cout << count(nErrors, "error") << ", " << count(nWarnings, "warning") << "\n";
    return nErrors == 0 ? kExitAllMade : kExitSomeFailed;
}

} // namespace

int main(int argc, char* argv[]) {
    cli::ParsedCommand parsed;
    std::string strError;
    if (!cli::ParseCommandLine(argc, argv, parsed, strError)) {
        std::cerr << "pagewright: " << strError << "\n"
                  << "Try 'pagewright --help'.\n";
        return kExitUsage;
    }
    switch (parsed.command) {
    case cli::Command::kHelp:
        std::cout << cli::kMainHelp;
        return 0;
    case cli::Command::kGenerateHelp:
        std::cout << cli::kGenerateHelp;
        return 0;
    case cli::Command::kVersion:
        std::cout << "pagewright " << PAGEWRIGHT_VERSION << "\n";
        return 0;
    case cli::Command::kGenerate:
        return RunGenerate(parsed.generate);
    case cli::Command::kCheckHelp:
        std::cout << cli::kCheckHelp;
        return 0;
    case cli::Command::kCheck:
        return RunCheck(parsed.generate);
    }
    return kExitUsage;
}
