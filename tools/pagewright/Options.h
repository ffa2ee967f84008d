// Command-line parsing of the pagewright command, kept apart from main so it can be tested.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct TextSource {
    bool bFromFile;     // --text-file (true) or --text (false)
    std::string strArg; // the text itself, or the file's path ("-" for standard input)
};

struct GenerateOptions {
    std::string strForm;
    std::string strSection;
    bool bHaveForm = false;
    bool bHaveSection = false;
    std::string strRegistry;          // --registry; empty: the one beside the command
    std::vector<TextSource> arrTexts; // one request each, in command-line order
};

enum class Command { kHelp, kVersion, kGenerate, kGenerateHelp, kCheck, kCheckHelp };

struct ParsedCommand {
    Command command = Command::kHelp;
    GenerateOptions generate; // also the options of check, where section and texts are optional
};

// Parses argv. On a usage error returns false with a one-line message in strError.
bool ParseCommandLine(int argc, const char* const argv[], ParsedCommand& parsed,
                      std::string& strError);

extern const char* const kMainHelp;
extern const char* const kGenerateHelp;
extern const char* const kCheckHelp;

} // namespace cli
