// pagewright: the command-line host of the component.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "FormCopy.h"
#include "Options.h"
// check runs the engine's own rules in the command, without the object: no interface of the
// object checks a form file without writing pages.
#include "engine/Check.h"
#include "module/host/ComHost.h"

namespace {

constexpr int kExitAllMade = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kProgId = "Pagewright.Pagewright";

// ---- standard output: every write checked, so that no result is lost silently ----

int g_nStdoutError = 0;

void Out(std::string_view text) {
    if (g_nStdoutError == 0 && !text.empty() &&
        std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        g_nStdoutError = errno != 0 ? errno : EIO;
}

// Flushes and closes standard output; false (with the error kept) when anything was lost.
bool FinishStdout() {
    errno = 0;
    if (std::fflush(stdout) != 0 && g_nStdoutError == 0)
        g_nStdoutError = errno != 0 ? errno : EIO;
    if (std::ferror(stdout) && g_nStdoutError == 0)
        g_nStdoutError = EIO;
    if (std::fclose(stdout) != 0 && g_nStdoutError == 0)
        g_nStdoutError = errno != 0 ? errno : EIO;
    return g_nStdoutError == 0;
}

// ---- messages ----

// A message as one line a terminal shows as it stands: line breaks become \n and \r, other
// control characters, C1 controls and bytes that are not UTF-8 become \xHH.
std::string Printable(std::string_view message) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto escape = [](std::string& out, unsigned char c) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    };
    std::string out;
    out.reserve(message.size());
    for (std::size_t i = 0; i < message.size();) {
        const auto c = static_cast<unsigned char>(message[i]);
        if (c == '\n' || c == '\r' || c == '\t') {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7f) {
            escape(out, c);
            ++i;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // A UTF-8 sequence: its length from the lead byte, then continuation bytes; overlong
        // forms, surrogates and code points past U+10FFFF are no UTF-8.
        const std::size_t nLength = c >= 0xC2 && c <= 0xDF   ? 2
                                    : c >= 0xE0 && c <= 0xEF ? 3
                                    : c >= 0xF0 && c <= 0xF4 ? 4
                                                             : 0;
        bool bValid = nLength != 0 && i + nLength <= message.size();
        for (std::size_t k = 1; bValid && k < nLength; ++k)
            bValid = (static_cast<unsigned char>(message[i + k]) & 0xC0) == 0x80;
        if (bValid) {
            const auto c1 = static_cast<unsigned char>(message[i + 1]);
            bValid = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0) &&
                     !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90) &&
                     !(c == 0xC2 && c1 < 0xA0); // U+0080 to U+009F: C1 controls
        }
        if (!bValid) {
            escape(out, c);
            ++i;
            continue;
        }
        out.append(message.substr(i, nLength));
        i += nLength;
    }
    return out;
}

std::string ErrorText(int nError) {
    return std::strerror(nError);
}

// ---- reading the texts ----

// Reads a whole file (or standard input for "-") as raw bytes.
bool ReadTextSource(const std::string& strPath, std::string& strOut, std::string& strError) {
    FILE* pFile = strPath == "-" ? stdin : std::fopen(strPath.c_str(), "rb");
    if (!pFile) {
        strError = "cannot open text file '" + strPath + "': " + ErrorText(errno);
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
        strError = "cannot read text file '" + strPath + "': " + ErrorText(nError);
        return false;
    }
    return true;
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
                std::cerr << "pagewright: " << Printable(strError) << "\n";
                return false;
            }
        }
        arrTexts.push_back(std::move(strText));
    }
    return true;
}

// One request of generate: its text, or the path of the regular file that holds it, which the
// generator object reads itself.
struct TextRequest {
    bool bPath = false;
    std::string strTextOrPath;
};

// Whether the regular file can be opened and read, with ReadTextSource's messages; false after
// saying why.
bool ProbeTextFile(const std::string& strPath) {
    FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile) {
        std::cerr << "pagewright: "
                  << Printable("cannot open text file '" + strPath + "': " + ErrorText(errno))
                  << "\n";
        return false;
    }
    char probe[4096];
    errno = 0;
    const std::size_t nRead = std::fread(probe, 1, sizeof probe, pFile);
    const bool bFailed = nRead < sizeof probe && std::ferror(pFile) != 0;
    const int nError = errno;
    std::fclose(pFile);
    if (bFailed) {
        std::cerr << "pagewright: "
                  << Printable("cannot read text file '" + strPath + "': " + ErrorText(nError))
                  << "\n";
        return false;
    }
    return true;
}

// The requests of generate, in order; false (after saying why) when a text file cannot be read.
// A regular text file is only tried here: the object reads it into the job itself
// (IPagewrightFiles), so the command never holds a long text, let alone a UTF-16 copy of it.
// Anything else (standard input, a pipe, a device) can be read only once, or is no file the
// object reads, and is read here as before.
bool PrepareRequests(const cli::GenerateOptions& opts, std::vector<TextRequest>& arrRequests) {
    arrRequests.reserve(opts.arrTexts.size());
    for (const cli::TextSource& source : opts.arrTexts) {
        TextRequest request{false, source.strArg};
        if (source.bFromFile) {
            // Judged by the path, without opening it: a pipe opened twice could lose its data.
            struct stat st {};
            const bool bRegular = source.strArg != "-" && ::stat(source.strArg.c_str(), &st) == 0 &&
                                  S_ISREG(st.st_mode);
            if (bRegular && !ProbeTextFile(source.strArg))
                return false;
            request.bPath = bRegular;
            if (!bRegular) {
                request.strTextOrPath.clear();
                std::string strError;
                if (!ReadTextSource(source.strArg, request.strTextOrPath, strError)) {
                    std::cerr << "pagewright: " << Printable(strError) << "\n";
                    return false;
                }
            }
        }
        arrRequests.push_back(std::move(request));
    }
    return true;
}

// The form file of the run, after the options that change it; false after saying why.
bool PrepareForm(const cli::GenerateOptions& opts, cli::FormCopy& form) {
    std::vector<cli::FormOverride> arrOverrides;
    if (!opts.strDestDir.empty())
        arrOverrides.push_back({cli::kDestDirKey, opts.strDestDir, "--dest-dir"});
    if (!opts.strPageFormat.empty())
        arrOverrides.push_back({cli::kPageFormatKey, opts.strPageFormat, "--page-format"});
    std::string strError;
    if (!form.Prepare(opts.strForm, arrOverrides, strError)) {
        std::cerr << "pagewright: " << Printable(strError) << "\n";
        return false;
    }
    return true;
}

// ---- the generator object ----

// Whether the registry file can be used; false after saying why and what to do. The command's
// own registry (bOwn) is the command's to repair: a file in an older format is replaced, a
// missing folder of the user's registry is made.
bool PrepareRegistry(const std::string& strPath, bool bOwn) {
    using host::registry::FileState;
    FileState state = host::registry::CheckRegistryFile(strPath);
    std::error_code ec;
    if (bOwn && state == FileState::kNotARegistry) {
        std::filesystem::remove(strPath, ec);
        state = host::registry::CheckRegistryFile(strPath);
    }
    if (bOwn && state == FileState::kNoFolder) {
        std::filesystem::create_directories(std::filesystem::path(strPath).parent_path(), ec);
        state = host::registry::CheckRegistryFile(strPath);
    }
    const std::string strWhat = "pagewright: the registry file '" + Printable(strPath) + "' ";
    const std::string strDo =
        bOwn ? "; move it out of the way or give --registry another file"
             : "; give --registry a new file name, an empty file or a Pagewright registry file";
    switch (state) {
    case FileState::kUsable:
    case FileState::kReadOnly: // what it holds may do; creating the object says if not
        return true;
    case FileState::kNotARegistry:
        std::cerr << strWhat << "is not a Pagewright registry (its first line is not \""
                  << host::registry::kRegistrySignature << "\"), so it is left as it is" << strDo
                  << "\n";
        return false;
    case FileState::kDirectory:
        std::cerr << strWhat << "is a directory" << strDo << "\n";
        return false;
    case FileState::kNoFolder:
        std::cerr << strWhat << "cannot be created: its folder does not exist"
                  << (bOwn ? " and cannot be made" : " (it is not made for you)")
                  << "; create the folder or give --registry another file\n";
        return false;
    }
    return true;
}

// The generator object, created the way any host creates it: through the class registry and
// the module it names. Empty on success, else what went wrong and what to do.
std::string CreateGenerator(const cli::GenerateOptions& opts, IPagewright** ppGenerator,
                            int& nExit) {
    nExit = kExitSomeFailed;
    // In the build tree the module sits beside the command; installed, it is in the library
    // folder, and the command then uses the user's registry rather than one in the bin folder.
    const std::string strDir = host::ExecutableDir();
    std::string strModule = strDir + PAGEWRIGHT_MODULE_FILE;
    std::error_code ec;
    const bool bInstalled =
        !std::filesystem::exists(strModule, ec) && *PAGEWRIGHT_INSTALLED_MODULE != '\0';
    if (bInstalled)
        strModule = strDir + PAGEWRIGHT_INSTALLED_MODULE;
    const bool bOwnRegistry = opts.strRegistry.empty();
    // A registry file the user named, with --registry or PAGEWRIGHT_REGISTRY for the installed
    // command, is never repaired or replaced: only the command's own file is.
    const char* pEnvRegistry = std::getenv("PAGEWRIGHT_REGISTRY");
    const bool bUserRegistry =
        !bOwnRegistry || (bInstalled && pEnvRegistry != nullptr && *pEnvRegistry != '\0');
    if (!bOwnRegistry)
        host::registry::SetRegistryFile(opts.strRegistry);
    else if (!bInstalled)
        host::registry::SetRegistryFile(strDir + "pagewright.registry");
    const std::string strRegistry = host::registry::RegistryFile();
    if (!strRegistry.empty() && !PrepareRegistry(strRegistry, !bUserRegistry)) {
        nExit = kExitUsage;
        return {};
    }
    const std::string strInRegistry =
        strRegistry.empty() ? "the registry" : "the registry file '" + strRegistry + "'";
    const bool bHaveModule = std::filesystem::exists(strModule, ec);

    // The command's own registry follows the module beside it, wherever the two were moved. If
    // it cannot be written (a read-only folder), what it already holds may still do.
    HRESULT hrRegister = S_OK;
    if (bOwnRegistry && bHaveModule)
        hrRegister = host::RegisterModule(strModule);
    void** ppv = reinterpret_cast<void**>(ppGenerator);
    HRESULT hr = host::CreateInstanceFromProgId(kProgId, IID_IPagewright, ppv);
    if ((hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) && bHaveModule) {
        hrRegister = host::RegisterModule(strModule);
        if (SUCCEEDED(hrRegister))
            hr = host::CreateInstanceFromProgId(kProgId, IID_IPagewright, ppv);
    }
    if (SUCCEEDED(hr))
        return {};

    char szHr[16];
    std::snprintf(szHr, sizeof szHr, "0x%08x", static_cast<unsigned>(hr));
    std::string strWhy = "cannot create the generator object (HRESULT " + std::string(szHr) + "): ";
    if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) {
        if (!bHaveModule)
            return strWhy + strInRegistry + " has no " + kProgId +
                   " class, and the library to register is not there: not '" + strDir +
                   PAGEWRIGHT_MODULE_FILE + "' beside the command" +
                   (bInstalled ? " nor '" + strModule + "' where an installed command looks"
                               : std::string()) +
                   "; build the 'pagewright' target, which puts the library beside the command, "
                   "or reinstall";
        char szReg[16];
        std::snprintf(szReg, sizeof szReg, "0x%08x", static_cast<unsigned>(hrRegister));
        return strWhy + "the library '" + strModule + "' could not be registered in " +
               strInRegistry + " (HRESULT " + szReg +
               "); make the file and its folder writable, or give --registry a file in a "
               "writable folder";
    }
    const std::string strNamed = host::RegisteredModule(kProgId);
    if (!strNamed.empty())
        return strWhy + strInRegistry + " names the library '" + strNamed +
               "', which cannot be loaded or is no Pagewright module; register the right one "
               "(remove " +
               (strRegistry.empty() ? std::string("the class's keys") : "the file") +
               ", and the command registers its own) or reinstall";
    return strWhy + "the library '" + strModule + "' does not give the object; reinstall";
}

// Why request nIndex made no page, or empty when the object cannot say.
std::string FailureReason(IPagewright* pGenerator, int nIndex) {
    IPagewrightDiagnostics* pDiagnostics = nullptr;
    if (FAILED(pGenerator->QueryInterface(IID_IPagewrightDiagnostics,
                                          reinterpret_cast<void**>(&pDiagnostics))))
        return {};
    BSTR bstrReason = nullptr;
    pDiagnostics->GetFailureReason(nIndex, &bstrReason);
    std::string strReason = host::BstrToAnsi(bstrReason);
    SysFreeString(bstrReason);
    pDiagnostics->Release();
    return strReason;
}

// --dest-dir must name a folder pages can be written to: nothing is created for the user.
bool CheckDestDir(const std::string& strDir) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(strDir, ec);
    const char* szProblem = !std::filesystem::exists(status) ? "does not exist; create it first"
                            : !std::filesystem::is_directory(status) ? "is not a directory"
                            : !host::CanCreateFilesIn(strDir)        ? "is not writable"
                                                                     : nullptr;
    if (!szProblem)
        return true;
    std::cerr << "pagewright: --dest-dir '" << Printable(strDir) << "' " << szProblem << "\n";
    return false;
}

int RunGenerate(const cli::GenerateOptions& opts) {
    // Try every text first: a missing file should stop the run before any page is made.
    std::vector<TextRequest> arrRequests;
    if (!PrepareRequests(opts, arrRequests))
        return kExitUsage;
    if (!opts.strDestDir.empty() && !CheckDestDir(opts.strDestDir))
        return kExitUsage;
    cli::FormCopy form; // removed when the run ends, whichever way
    if (!PrepareForm(opts, form))
        return kExitUsage;

    IPagewright* pGenerator = nullptr;
    int nExit = kExitSomeFailed;
    if (const std::string strError = CreateGenerator(opts, &pGenerator, nExit);
        !strError.empty() || !pGenerator) {
        if (!strError.empty())
            std::cerr << "pagewright: " << Printable(strError) << "\n";
        return nExit;
    }

    const host::ScopedBstr formPath(form.LoadPath());
    const host::ScopedBstr section(opts.strSection);
    // A library registered from an older build may lack the interface: its requests then get
    // their text read here.
    IPagewrightFiles* pFiles = nullptr;
    if (FAILED(pGenerator->QueryInterface(IID_IPagewrightFiles, reinterpret_cast<void**>(&pFiles))))
        pFiles = nullptr;
    std::vector<int> arrIndexes;
    arrIndexes.reserve(arrRequests.size());
    for (std::size_t i = 0; i < arrRequests.size(); ++i) {
        TextRequest& request = arrRequests[i];
        int nIndex = -1;
        HRESULT hr = S_OK;
        bool bSent = true;
        if (request.bPath && pFiles) {
            const host::ScopedBstr path(request.strTextOrPath);
            hr = pFiles->GenerateHTMLFromFile(path.Get(), formPath.Get(), section.Get(), &nIndex);
        } else {
            std::string strError;
            std::string strText;
            if (request.bPath && !ReadTextSource(request.strTextOrPath, strText, strError)) {
                std::cerr << "pagewright: " << Printable(strError) << "\n";
                bSent = false;
            } else {
                const host::ScopedBstr text(request.bPath ? strText : request.strTextOrPath);
                std::string().swap(request.strTextOrPath); // the BSTR is the copy sent
                hr = pGenerator->GenerateHTML(text.Get(), formPath.Get(), section.Get(), &nIndex);
            }
        }
        if (FAILED(hr)) {
            std::cerr << "pagewright: request " << i << " could not be queued (HRESULT 0x"
                      << std::hex << static_cast<unsigned>(hr) << std::dec << ")\n";
        }
        if (FAILED(hr) || !bSent)
            nIndex = -1;
        arrIndexes.push_back(nIndex);
    }
    if (pFiles)
        pFiles->Release();

    // A short run is over in a few milliseconds, and every millisecond a sleep overshoots is
    // the command's own: look often, more so at first.
    auto pause = std::chrono::microseconds(100);
    for (LONG bFinished = 0;;) {
        pGenerator->IsGeneratingFinished(&bFinished);
        if (bFinished)
            break;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(500));
    }

    bool bAllMade = true;
    std::string strOut;
    for (int nIndex : arrIndexes) {
        std::string strPath;
        if (nIndex >= 0) {
            BSTR bstrPath = nullptr;
            pGenerator->GetHTMLFileName(nIndex, &bstrPath);
            strPath = host::BstrToAnsi(bstrPath);
            SysFreeString(bstrPath);
            if (strPath.empty()) {
                const std::string strReason = FailureReason(pGenerator, nIndex);
                std::cerr << "pagewright: request " << nIndex << ": "
                          << (strReason.empty() ? "no page was made"
                                                : Printable(form.ShowForm(strReason)))
                          << "\n";
            }
        }
        if (strPath.empty())
            bAllMade = false;
        strOut += strPath;
        strOut += '\n';
    }
    // No Reset: the pages are the command's output and stay on disk.
    pGenerator->Release();
    Out(strOut);
    return bAllMade ? kExitAllMade : kExitSomeFailed;
}

// ---- check ----

// A finding placed for people and editors: the file, its line (0: none), the request (-1: none).
struct Finding {
    bool bError;
    std::string strFile;
    std::size_t nLine;
    int nRequest;
    std::string strMessage;
};

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += c; // Printable left no control characters
        }
    }
    return out + "\"";
}

int RunCheck(const cli::GenerateOptions& opts) {
    engine::CheckRequest request;
    request.strSection = opts.strSection;
    request.bHaveSection = opts.bHaveSection;
    if (!ReadTexts(opts, request.arrTexts))
        return kExitUsage;
    cli::FormCopy form;
    if (!PrepareForm(opts, form))
        return kExitUsage;
    request.strFormPath = form.LoadPath();

    // Where each text's lines end, found once a finding needs them: a text may have a finding
    // for every few bytes, and counting from its start for each would take as long as the text
    // times its findings.
    std::vector<std::vector<std::size_t>> arrLineEnds(request.arrTexts.size());
    const auto lineOf = [&](std::size_t nText, std::size_t nOffset) {
        std::vector<std::size_t>& ends = arrLineEnds[nText];
        const std::string& text = request.arrTexts[nText];
        if (ends.empty()) {
            for (std::size_t i = text.find('\n'); i != std::string::npos;
                 i = text.find('\n', i + 1))
                ends.push_back(i);
            ends.push_back(std::string::npos); // a sentinel, so the list is never empty again
        }
        // Line breaks before the offset, plus one.
        const std::size_t nAt = std::min(nOffset, text.size());
        return 1 + static_cast<std::size_t>(std::lower_bound(ends.begin(), ends.end() - 1, nAt) -
                                            ends.begin());
    };
    std::vector<Finding> findings;
    for (const engine::Diagnostic& d : engine::CheckForm(request)) {
        Finding f{d.severity == engine::Severity::kError, form.DisplayName(),
                  form.FormLine(d.nLine), d.nRequest, Printable(form.ShowForm(d.strMessage))};
        if (d.strFile.empty() && d.nRequest >= 0) {
            // About the text alone: placed in its file, when it came from one.
            const cli::TextSource& source = opts.arrTexts[static_cast<std::size_t>(d.nRequest)];
            if (source.bFromFile) {
                f.strFile = source.strArg == "-" ? "<stdin>" : source.strArg;
                if (d.nTextOffset != std::string::npos)
                    f.nLine = lineOf(static_cast<std::size_t>(d.nRequest), d.nTextOffset);
            }
        }
        f.strFile = Printable(f.strFile);
        findings.push_back(std::move(f));
    }

    std::size_t nErrors = 0, nWarnings = 0;
    std::string strOut;
    if (opts.format == cli::ReportFormat::kJson)
        strOut += "[";
    for (const Finding& f : findings) {
        (f.bError ? nErrors : nWarnings)++;
        const std::string strRequest =
            f.nRequest >= 0 ? "request " + std::to_string(f.nRequest) + ": " : "";
        if (opts.format == cli::ReportFormat::kJson) {
            strOut += (&f == &findings.front() ? "\n" : ",\n");
            strOut += std::string("  {\"severity\": ") + (f.bError ? "\"error\"" : "\"warning\"") +
                      ", \"file\": " + JsonString(f.strFile) +
                      ", \"line\": " + (f.nLine ? std::to_string(f.nLine) : "null") +
                      ", \"request\": " + (f.nRequest >= 0 ? std::to_string(f.nRequest) : "null") +
                      ", \"message\": " + JsonString(f.strMessage) + "}";
        } else {
            strOut += f.strFile + (f.nLine ? ":" + std::to_string(f.nLine) : "") +
                      (f.bError ? ": error: " : ": warning: ") + strRequest + f.strMessage + "\n";
        }
    }
    if (opts.format == cli::ReportFormat::kJson) {
        strOut += findings.empty() ? "]\n" : "\n]\n";
    } else {
        const auto count = [](std::size_t n, const char* szWhat) {
            return std::to_string(n) + " " + szWhat + (n == 1 ? "" : "s");
        };
        strOut += count(nErrors, "error") + ", " + count(nWarnings, "warning") + "\n";
    }
    Out(strOut);
    return nErrors == 0 && (!opts.bStrict || nWarnings == 0) ? kExitAllMade : kExitSomeFailed;
}

int Run(int argc, char* argv[]) {
    cli::ParsedCommand parsed;
    std::string strError;
    if (!cli::ParseCommandLine(argc, argv, parsed, strError)) {
        const char* szHelp = parsed.command == cli::Command::kGenerate
                                 ? "pagewright generate --help"
                             : parsed.command == cli::Command::kCheck ? "pagewright check --help"
                                                                      : "pagewright --help";
        std::cerr << "pagewright: " << Printable(strError) << "\n"
                  << "Try '" << szHelp << "'.\n";
        return kExitUsage;
    }
    switch (parsed.command) {
    case cli::Command::kHelp:
        Out(cli::kMainHelp);
        return 0;
    case cli::Command::kGenerateHelp:
        Out(cli::kGenerateHelp);
        return 0;
    case cli::Command::kVersion:
        Out(std::string("pagewright ") + PAGEWRIGHT_VERSION + "\n");
        return 0;
    case cli::Command::kGenerate:
        return RunGenerate(parsed.generate);
    case cli::Command::kCheckHelp:
        Out(cli::kCheckHelp);
        return 0;
    case cli::Command::kCheck:
        return RunCheck(parsed.generate);
    }
    return kExitUsage;
}

} // namespace

int main(int argc, char* argv[]) {
    int nExit = Run(argc, argv);
    // Lost output is a failure, whatever else happened: the page paths are the result.
    if (!FinishStdout()) {
        std::cerr << "pagewright: cannot write to standard output: " << ErrorText(g_nStdoutError)
                  << "\n";
        if (nExit == kExitAllMade)
            nExit = kExitSomeFailed;
    }
    return nExit;
}
