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
    "  check       find what would make a request fail, without making pages\n"
    "              (see 'pagewright check --help')\n"
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
    "                     it has no Pagewright.Pagewright class, the command's module is\n"
    "                     registered into it first. Without this option, in a build tree the\n"
    "                     command registers libpagewright.so beside it into pagewright.registry\n"
    "                     beside it on every run; installed, it registers the installed library\n"
    "                     into the user's registry ($XDG_DATA_HOME/pagewright/registry)\n"
    "  -h, --help         show this help\n"
    "Each option may also be written --option=VALUE.\n"
    "\n"
    "For each request that made no page, a line on standard error says why:\n"
    "  pagewright: request 1: text, offset 42: a list begun with <LB> is never ended\n"
    "\n"
    "Exit status: 0 when every request made a page, 1 when at least one made none,\n"
    "2 on a usage error or an unreadable text file.\n";

const char* const kCheckHelp =
    "Usage: pagewright check --form PATH [--section NAME] [--text TEXT]... [--text-file PATH]...\n"
    "\n"
    "Checks a form file, and texts against it, the way 'generate' would use them, but writes no\n"
    "page. Prints one line per finding on standard output, then a count:\n"
    "  error:    a request with these inputs would make no page (the reason 'generate' gives)\n"
    "  warning:  legal, but probably not meant: a style name without a section (written\n"
    "            unstyled), a style section with a line that is no style tag (all its styles\n"
    "            dropped), runs of a text the section never shows, a '<' in paragraph text that\n"
    "            is no markup (the rest of the text becomes one paragraph), section names that\n"
    "            differ only in letter case or blanks, unknown or misspelt keys in [SYSTEM]\n"
    "\n"
    "Options:\n"
    "  --form PATH        the form file to check\n"
    "  --section NAME     the layout section requests name; without it every section that is\n"
    "                     neither [SYSTEM] nor a style section is checked as a layout (texts\n"
    "                     are laid out, and their runs counted, only against --section)\n"
    "  --text TEXT        a markup text to check (numbered text 1, text 2 ... in messages)\n"
    "  --text-file PATH   a markup text read from a file; '-' reads standard input (once)\n"
    "  -h, --help         show this help\n"
    "Each option may also be written --option=VALUE.\n"
    "\n"
    "Exit status: 0 when there is no error (warnings allowed), 1 when there are errors,\n"
    "2 on a usage error or an unreadable text file.\n";

namespace {

// The options of generate and check; check needs neither a section nor a text.
bool ParseRequestOptions(int argc, const char* const argv[], int nFirst, ParsedCommand& parsed,
                         std::string& strError) {
    const bool bCheck = parsed.command == Command::kCheck;
    GenerateOptions& opts = parsed.generate;
    bool bStdinUsed = false;
    for (int i = nFirst; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            parsed.command = bCheck ? Command::kCheckHelp : Command::kGenerateHelp;
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
    if (bCheck)
        return true;
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
        return ParseRequestOptions(argc, argv, 2, parsed, strError);
    }
    if (command == "check") {
        parsed.command = Command::kCheck;
        return ParseRequestOptions(argc, argv, 2, parsed, strError);
    }
    strError = "unknown command '" + std::string(command) + "'";
    return false;
}

} // namespace cli
