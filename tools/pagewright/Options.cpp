#include "Options.h"

#include <algorithm>
#include <array>
#include <cctype>
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
    "Usage: pagewright generate --form PATH --section NAME [options] [--text TEXT]...\n"
    "                           [--text-file PATH]... [-- PATH...]\n"
    "\n"
    "Queues one request per --text or --text-file (at least one is needed), in command-line order\n"
    "(request 0, 1, 2 ...), all with the same form file and section, waits until every request\n"
    "has finished and prints one line per request, in that order: the path of the page it made\n"
    "(HTML_DEST_DIR joined with the page's name, so relative when that directory is), or an\n"
    "empty line when it made none. The pages stay on disk.\n"
    "\n"
    "Options:\n"
    "  --form PATH        the form file: [SYSTEM] settings (HTML_DEST_DIR is where pages go),\n"
    "                     style sections and layout sections; '-' reads standard input. A form\n"
    "                     that is not a regular file (a pipe, '-') is read once, into a private\n"
    "                     temporary copy that every request loads and that is removed at exit\n"
    "  --section NAME     the layout section for texts that do not name their own styles\n"
    "  --text TEXT        a markup text, e.g. 'Hello<T>World' or '<<TITLE>>Notice<T>Body'\n"
    "  --text-file PATH   a markup text read from a file as raw bytes; '-' reads standard input\n"
    "                     (once: not together with --form -)\n"
    "  --dest-dir DIR     write the pages into DIR instead of the form's HTML_DEST_DIR, for this\n"
    "                     run (the form file is not changed). DIR must be an existing, writable\n"
    "                     directory (nothing is created); it cannot hold ';' or a line break,\n"
    "                     nor begin or end with a blank. A relative DIR counts from the current\n"
    "                     directory\n"
    "  --page-format FORMAT\n"
    "                     compatible or html5: overrides the form's PAGE_FORMAT for this run\n"
    "  --text-escaping ESCAPING\n"
    "                     html or none: overrides the form's TEXT_ESCAPING for this run. With\n"
    "                     html every '&', '<', '>', '\"' and \"'\" of the texts is written as a\n"
    "                     character reference, so no markup in a text reaches the page (its\n"
    "                     <T>, <LB>, <LE> and <<NAME>> keep their meaning)\n"
    "  --registry PATH    the class registry file to create the generator object through; when\n"
    "                     it has no Pagewright.Pagewright class, the command's module is\n"
    "                     registered into it first. The file must be a Pagewright registry (its\n"
    "                     first line says so), an empty file, or a new name in an existing\n"
    "                     folder; any other file is refused and left as it is. Without this\n"
    "                     option, in a build tree the command registers libpagewright.so beside\n"
    "                     it into pagewright.registry beside it on every run; installed, it\n"
    "                     registers the installed library into the user's registry\n"
    "                     ($XDG_DATA_HOME/pagewright/registry)\n"
    "  -h, --help         show this help\n"
    "  --                 every argument after it is a text file, as with --text-file, even\n"
    "                     one that begins with '-'\n"
    "Each option may also be written --option=VALUE. --dest-dir, --page-format and\n"
    "--text-escaping work on a private temporary copy of the form file, as a form that is not\n"
    "a regular file does; messages still name the form file and its lines as given.\n"
    "\n"
    "For each request that made no page, a line on standard error says why:\n"
    "  pagewright: request 1: text, offset 42: a list begun with <LB> is never ended\n"
    "\n"
    "Exit status: 0 when every request made a page, 1 when at least one made none, the\n"
    "generator object could not be created or the output could not be written, 2 on a usage\n"
    "error, an unreadable text file, a form that has to be copied (see --form) and cannot be\n"
    "read, a --dest-dir that is no writable directory or a --registry file that is refused.\n";

const char* const kCheckHelp =
    "Usage: pagewright check --form PATH [--section NAME] [options] [--text TEXT]...\n"
    "                        [--text-file PATH]... [-- PATH...]\n"
    "\n"
    "Checks a form file, and texts against it, the way 'generate' would use them, but writes no\n"
    "page. Prints one line per finding on standard output, in the form compilers use, then a\n"
    "count:\n"
    "  FILE:LINE: error: MESSAGE     a request with these inputs would make no page (the\n"
    "                                reason 'generate' gives, or an HTML_DEST_DIR that is\n"
    "                                missing, no directory or not writable)\n"
    "  FILE:LINE: warning: MESSAGE   legal, but probably not meant: a style name without a\n"
    "            section (written unstyled), a style section with a line that is no style tag\n"
    "            (all its styles dropped), runs of a text the section never shows, a '<' in\n"
    "            paragraph text that is no markup (the rest of the text becomes one paragraph),\n"
    "            a ';' that cuts a <LITERAL>, <PICTURE> or <FONT> line or a [SYSTEM] value short,\n"
    "            section names that differ only in letter case or blanks, unknown or misspelt\n"
    "            keys in [SYSTEM]\n"
    "FILE is the form file, or the text file of a finding about a text read from a file (a text\n"
    "given with --text counts as part of the form's run; '<stdin>' is standard input); ':LINE'\n"
    "is left out when the finding has no line. A finding about one text begins 'request N: ',\n"
    "numbered from 0 in command-line order as 'generate' numbers its requests.\n"
    "\n"
    "Options:\n"
    "  --form PATH        the form file to check; '-' reads standard input\n"
    "  --section NAME     the layout section requests name; without it every section that is\n"
    "                     neither [SYSTEM] nor a style section is checked as a layout (texts\n"
    "                     are laid out, and their runs counted, only against --section)\n"
    "  --text TEXT        a markup text to check\n"
    "  --text-file PATH   a markup text read from a file; '-' reads standard input (once: not\n"
    "                     together with --form -)\n"
    "  --format FORMAT    text (the default) or json: a JSON array of one object per finding,\n"
    "                     with the keys severity, file, line (null for none), request (null for\n"
    "                     none) and message, and no count (see docs/check-json.md)\n"
    "  --strict           warnings count as errors for the exit status\n"
    "  -h, --help         show this help\n"
    "  --                 every argument after it is a text file, as with --text-file, even\n"
    "                     one that begins with '-'\n"
    "Each option may also be written --option=VALUE.\n"
    "\n"
    "Exit status: 0 when there is no error (warnings allowed, unless --strict), 1 when there\n"
    "are errors (or, with --strict, warnings) or the output could not be written, 2 on a usage\n"
    "error, an unreadable text file or a form from a pipe or standard input that cannot be\n"
    "read (a form file that cannot be opened is an error finding).\n";

namespace {

constexpr std::string_view kValueOptions[] = {"--form",        "--section",       "--text",
                                              "--text-file",   "--registry",      "--dest-dir",
                                              "--page-format", "--text-escaping", "--format"};
// The options that belong to one command only.
constexpr std::string_view kGenerateOnly[] = {"--registry", "--dest-dir", "--page-format",
                                              "--text-escaping"};
constexpr std::string_view kCheckOnly[] = {"--format", "--strict"};

template <std::size_t N> bool IsOneOf(std::string_view name, const std::string_view (&names)[N]) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// An argument that is itself an option, so it cannot be the value of the one before it.
bool IsOptionWord(std::string_view arg) {
    const std::string_view name = arg.substr(0, arg.find('='));
    return arg == "--" || arg == "-h" || arg == "--help" || arg == "--strict" ||
           IsOneOf(name, kValueOptions);
}

// The options of generate and check; check needs neither a section nor a text.
bool ParseRequestOptions(int argc, const char* const argv[], int nFirst, ParsedCommand& parsed,
                         std::string& strError) {
    const bool bCheck = parsed.command == Command::kCheck;
    const char* const szCommand = bCheck ? "check" : "generate";
    GenerateOptions& opts = parsed.generate;
    std::string strStdinUser; // the option that reads standard input, once
    const auto useStdin = [&](const std::string& strOption) {
        if (!strStdinUser.empty()) {
            strError = "standard input can be read only once ('" + strStdinUser + " -' and '" +
                       strOption + " -')";
            return false;
        }
        strStdinUser = strOption;
        return true;
    };
    bool bHaveDestDir = false, bHaveFormat = false, bHavePageFormat = false,
         bHaveTextEscaping = false;
    for (int i = nFirst; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            parsed.command = bCheck ? Command::kCheckHelp : Command::kGenerateHelp;
            return true;
        }
        if (arg == "--") {
            // The rest are text files, whatever they look like.
            for (++i; i < argc; ++i) {
                if (std::string_view(argv[i]) == "-" && !useStdin("--text-file"))
                    return false;
                opts.arrTexts.push_back({true, argv[i]});
            }
            break;
        }
        if (!arg.starts_with("-") || arg == "-") {
            strError = "unexpected argument '" + std::string(arg) +
                       "'; texts are given with --text or --text-file (or after --)";
            return false;
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
        const bool bFlag = name == "--strict";
        if (!bFlag && !IsOneOf(name, kValueOptions)) {
            strError = "unknown option '" + std::string(arg) + "'";
            return false;
        }
        if (bCheck ? IsOneOf(name, kGenerateOnly) : IsOneOf(name, kCheckOnly)) {
            strError = "'" + std::string(name) + "' is not an option of " + szCommand;
            return false;
        }
        if (bFlag) {
            if (bHaveValue) {
                strError = "option '" + std::string(name) + "' takes no value";
                return false;
            }
            opts.bStrict = true;
            continue;
        }
        if (!bHaveValue) {
            if (i + 1 >= argc) {
                strError = "option '" + std::string(name) + "' needs a value";
                return false;
            }
            if (IsOptionWord(argv[i + 1])) {
                strError = "option '" + std::string(name) +
                           "' needs a value, but the next argument '" + argv[i + 1] +
                           "' is an option (write " + std::string(name) +
                           "=VALUE for a value that looks like one)";
                return false;
            }
            value = argv[++i];
        }
        const auto once = [&](bool& bSeen) {
            if (bSeen) {
                strError = std::string(name) + " given more than once";
                return false;
            }
            bSeen = true;
            return true;
        };
        // A value of two words, kept as the form file writes it: in upper case.
        const auto chooseUpper = [&](const std::array<std::string_view, 2>& words,
                                     std::string& strOut) {
            if (value != words[0] && value != words[1]) {
                strError = std::string(name) + " must be " + std::string(words[0]) + " or " +
                           std::string(words[1]) + ", not '" + value + "'";
                return false;
            }
            strOut = value;
            for (char& c : strOut)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            return true;
        };
        if (name == "--form") {
            if (!once(opts.bHaveForm) || (value == "-" && !useStdin("--form")))
                return false;
            opts.strForm = value;
        } else if (name == "--section") {
            if (!once(opts.bHaveSection))
                return false;
            opts.strSection = value;
        } else if (name == "--registry") {
            if (value.empty()) {
                strError = "--registry needs a file name";
                return false;
            }
            opts.strRegistry = value;
        } else if (name == "--dest-dir") {
            if (!once(bHaveDestDir))
                return false;
            // The folder goes into a form file line, which cannot carry these.
            if (value.empty()) {
                strError = "--dest-dir needs a folder name";
                return false;
            }
            if (value.find(';') != std::string::npos) {
                strError = "--dest-dir '" + value +
                           "': a folder name with ';' cannot be used, because a form file reads "
                           "';' as the start of a comment; choose another folder";
                return false;
            }
            if (value.find_first_of("\r\n") != std::string::npos ||
                value.find_first_not_of(" \t\v\f") != 0 ||
                value.find_last_not_of(" \t\v\f") != value.size() - 1) {
                strError = "--dest-dir: a folder name with a line break, or with a blank at its "
                           "start or end, cannot be used; a form file drops them";
                return false;
            }
            opts.strDestDir = value;
        } else if (name == "--page-format") {
            if (!once(bHavePageFormat) || !chooseUpper({"compatible", "html5"}, opts.strPageFormat))
                return false;
        } else if (name == "--text-escaping") {
            if (!once(bHaveTextEscaping) || !chooseUpper({"html", "none"}, opts.strTextEscaping))
                return false;
        } else if (name == "--format") {
            if (!once(bHaveFormat))
                return false;
            if (value != "text" && value != "json") {
                strError = "--format must be text or json, not '" + value + "'";
                return false;
            }
            opts.format = value == "json" ? ReportFormat::kJson : ReportFormat::kText;
        } else if (name == "--text") {
            opts.arrTexts.push_back({false, value});
        } else {
            if (value == "-" && !useStdin("--text-file"))
                return false;
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
