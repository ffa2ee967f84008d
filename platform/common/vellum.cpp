#include "platform/vellum.h"

#include <cstdio>
#include <utility>

#include "platform/sync.h"

namespace {

struct State {
    int nLine = 0;
    std::string strSource;
    int nLevel = 0;
};

// The state belongs to the thread that set it, so two threads logging at once cannot mix up
// each other's source locations.
thread_local State t_state;

// The platform lock, not std::mutex: the Windows runtime the module ships with has none.
platform::Mutex g_sinkMutex;
vellum::Sink g_sink;

} // namespace

void VellumSetState(int nLine, const char* szSource, int nLevel) {
    t_state.nLine = nLine;
    t_state.strSource = szSource ? szSource : "";
    t_state.nLevel = nLevel;
}

void VellumFormatErrorLog(const char* szMessage) {
    vellum::Entry entry{t_state.nLine, t_state.strSource, t_state.nLevel,
                        szMessage ? szMessage : ""};
    platform::MutexLock lock(g_sinkMutex);
    if (g_sink) {
        g_sink(entry);
        return;
    }
    std::fprintf(stderr, "Vellum: %s(%d): %s\n", entry.strSource.c_str(), entry.nLine,
                 entry.strMessage.c_str());
}

namespace vellum {
void SetSink(Sink sink) {
    platform::MutexLock lock(g_sinkMutex);
    g_sink = std::move(sink);
}
} // namespace vellum
