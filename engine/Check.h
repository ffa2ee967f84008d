// Checking a form file, and texts against it, without writing pages.
//
// The checker runs the same steps a generation job runs (loading the form file, reading
// [SYSTEM], tokenizing, laying out the section), so it reports exactly the reasons a request
// would fail with. On top of those errors it warns about what is legal but probably not meant,
// and says beforehand what the page file's creation would meet (a destination that is missing,
// no directory or not writable). Each text is loaded as its own request loads it, with its own
// read of the form file.
#pragma once

#include <string>
#include <vector>

namespace engine {

enum class Severity { kError, kWarning };

// One finding, with its place taken apart so that callers can print it as they need.
struct Diagnostic {
    Severity severity;
    // The form file as CheckRequest names it, or empty for a finding about a text alone (a
    // broken marker, a stray "<", a style name the text uses).
    std::string strFile;
    std::size_t nLine = 0; // the form file's line (1-based), 0 for none
    // The text the finding is about: its index in CheckRequest::arrTexts, which is the request
    // index "generate" gives it; -1 for a finding about the form file alone.
    int nRequest = -1;
    // For a finding about a text alone: the offset in the text as given, or npos.
    std::size_t nTextOffset = std::string::npos;
    std::string strMessage; // what is wrong, without the file, line and request
};

struct CheckRequest {
    std::string strFormPath;
    // The layout section requests would name. Without one, every section that is neither
    // [SYSTEM] nor a style section is checked as a layout.
    std::string strSection;
    bool bHaveSection = false;
    // Texts to check against the form file, each as one request would bring it.
    std::vector<std::string> arrTexts;
};

// Every error a request with these inputs would fail with, and the warnings, in the order
// they were found.
std::vector<Diagnostic> CheckForm(const CheckRequest& request);

} // namespace engine
