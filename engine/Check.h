// Checking a form file, and texts against it, without writing pages.
//
// The checker runs the same steps a generation job runs (loading the form file, reading
// [SYSTEM], tokenizing, laying out the section), so it reports exactly the reasons a request
// would fail with. On top of those errors it warns about what is legal but probably not meant.
#pragma once

#include <string>
#include <vector>

namespace engine {

enum class Severity { kError, kWarning };

struct Diagnostic {
    Severity severity;
    std::string strMessage;
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
