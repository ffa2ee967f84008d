#include "Options.h"

#include <string_view>

namespace cli {

const char* const kMainHelp =
    "Usage: pagewright <command> [options]\n"
    "\n"
    "Turns texts written in Pagewright's tag markup into HTML pages, laid out by a form file.\n"
    "\n"
    "Commands:\n"
    "  generate    make one page per text (see 'pagewright generate --help')\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help\n"
    "  --version      show the version\n";

const char* const kGenerateHelp =
    "Usage: pagewright generate --form PATH --section NAME [--text TEXT]... [--text-file PATH]...\n"
    "\n"
    "Queues one request per --text or --text-file, in command-line order (request 0, 1, 2 ...),\n"
    "all with the same form file and section, waits until every request has finished and prints\n"
    "one line per request, in that order: the full path of the page it made, or an empty line\n"
    "when it made none. The pages stay on disk.\n"
    "\n"
    "Options:\n"
    "  --form PATH        the form file: [SYSTEM] settings (HTML_DEST_DIR is where pages go),\n"
    "                     style sections and layout sections\n"
    "  --section NAME     the layout section for texts that do not name their own styles\n"
    "  --text TEXT        a markup text, e.g. 'Hello<T>World' or '<<TITLE>>Notice<T>Body'\n"
    "  --text-file PATH   a markup text read from a file as raw bytes; '-' reads standard input\n"
    "                     (once)\n"
    "  --registry PATH    the class registry file to create the generator object through; when\n"
    "                     it has no Pagewright.Pagewright class, the module beside the command\n"
    "                     (libpagewright.so) is registered into it first. Without this option the\n"
    "                     command registers that module into the file pagewright.registry beside\n"
    "                     itself on every run and uses that file\n"
    "  -h, --help         show this help\n"
    "Each option may also be written --option=VALUE.\n"
    "\n"
    "Exit status: 0 when every request made a page, 1 when at least one made none,\n"
    "2 on a usage error or an unreadable text file.\n";

namespace {

bool ParseGenerate(int argc, const char* const argv[], int nFirst, ParsedCommand& parsed,
                   std::string& strError) {
    GenerateOptions& opts = parsed.generate;
    bool bStdinUsed = false;
    for (int i = nFirst; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            parsed.command = Command::kGenerateHelp;
            return true;
        }
        std::string_view name = arg;
        std::string value;
        bool bHaveValue = false;
        if (const std::size_t nEq = arg.find('=');
            arg.starts_with("--") && nEq != std::string_view::npos) {
            name = arg.substr(0, nEq);
            value = std::string(arg.substr(nEq + 1));
            bHaveValue = true;
        }
        if (name != "--form" && name != "--section" && name != "--text" && name != "--text-file" &&
            name != "--registry") {
            strError = "unknown option '" + std::string(arg) + "'";
            return false;
        }
        if (!bHaveValue) {
            if (i + 1 >= argc) {
                strError = "option '" + std::string(name) + "' needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (name == "--form") {
            if (opts.bHaveForm) {
                strError = "--form given more than once";
                return false;
            }
            opts.strForm = value;
            opts.bHaveForm = true;
        } else if (name == "--section") {
            if (opts.bHaveSection) {
                strError = "--section given more than once";
                return false;
            }
            opts.strSection = value;
            opts.bHaveSection = true;
        } else if (name == "--registry") {
            if (value.empty()) {
                strError = "--registry needs a file name";
                return false;
            }
            opts.strRegistry = value;
        } else if (name == "--text") {
            opts.arrTexts.push_back({false, value});
        } else {
            if (value == "-") {
                if (bStdinUsed) {
                    strError = "standard input can be read only once ('--text-file -' given twice)";
                    return false;
                }
                bStdinUsed = true;
            }
            opts.arrTexts.push_back({true, value});
        }
    }
    if (!opts.bHaveForm) {
        strError = "missing --form PATH";
        return false;
    }
    if (!opts.bHaveSection) {
        strError = "missing --section NAME";
        return false;
    }
    if (opts.arrTexts.empty()) {
        strError = "nothing to generate: give at least one --text or --text-file";
        return false;
    }
    return true;
}

} // namespace

bool ParseCommandLine(int argc, const char* const argv[], ParsedCommand& parsed,
                      std::string& strError) {
    parsed = ParsedCommand{};
    if (argc < 2) {
        strError = "no command given";
        return false;
    }
    const std::string_view command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        parsed.command = Command::kHelp;
        return true;
    }
    if (command == "--version") {
        parsed.command = Command::kVersion;
        return true;
    }
    if (command == "generate") {
        parsed.command = Command::kGenerate;
        return ParseGenerate(argc, argv, 2, parsed, strError);
    }
    strError = "unknown command '" + std::string(command) + "'";
    return false;
}

} // namespace cli
