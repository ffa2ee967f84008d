// Stand-in for Vellum, the maker's logging library. The component calls only its two entry
// points, always as a pair: VellumSetState names where the entry comes from, and the next
// VellumFormatErrorLog on the same thread writes the entry.
#pragma once

#include <functional>
#include <string>

void VellumSetState(int nLine, const char* szSource, int nLevel);
void VellumFormatErrorLog(const char* szMessage);

namespace vellum {

struct Entry {
    int nLine;
    std::string strSource;
    int nLevel;
    std::string strMessage;
};

// Where entries go. By default each is written to standard error as one line
// "Vellum: <source>(<line>): <message>". A sink set here receives them instead (an empty
// function restores the default); it may be called from any thread.
using Sink = std::function<void(const Entry&)>;
void SetSink(Sink sink);

} // namespace vellum
