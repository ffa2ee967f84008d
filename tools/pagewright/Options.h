// Command-line parsing of the pagewright command, kept apart from main so it can be tested.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct TextSource {
    bool bFromFile;     // --text-file (true) or --text (false)
    std::string strArg; // the text itself, or the file's path ("-" for standard input)
};

enum class Command { kHelp, kVersion, kGenerate, kGenerateHelp, kCheck, kCheckHelp };

enum class ReportFormat { kText, kJson };

struct GenerateOptions {
    std::string strForm; // "-" for standard input
    std::string strSection;
    bool bHaveForm = false;
    bool bHaveSection = false;
    std::vector<TextSource> arrTexts; // one request each, in command-line order
    // generate only.
    std::string strRegistry;   // --registry; empty: the one beside the command
    std::string strDestDir;    // --dest-dir; empty: HTML_DEST_DIR as the form gives it
    std::string strPageFormat; // --page-format as the form writes it (COMPATIBLE, HTML5), or empty
    std::string strTextEscaping; // --text-escaping as the form writes it (NONE, HTML), or empty
    // check only.
    ReportFormat format = ReportFormat::kText;
    bool bStrict = false; // warnings count as failures
};

struct ParsedCommand {
    Command command = Command::kHelp;
    GenerateOptions generate; // also the options of check, where section and texts are optional
};

// Parses argv. On a usage error returns false with a one-line message in strError; command
// then says which command's help to point to.
bool ParseCommandLine(int argc, const char* const argv[], ParsedCommand& parsed,
                      std::string& strError);

extern const char* const kMainHelp;
extern const char* const kGenerateHelp;
extern const char* const kCheckHelp;

} // namespace cli
