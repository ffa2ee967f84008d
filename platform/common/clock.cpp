#include "platform/clock.h"

#include <atomic>

#include "platform/osapi.h"

namespace platform {

namespace {
std::atomic<testing::LocalClockFn> g_clockOverride{nullptr};
} // namespace

bool GetLocalDateTime(LocalDateTime& dt) {
    if (testing::LocalClockFn fn = g_clockOverride.load())
        return fn(dt);
    return os::SystemLocalDateTime(dt);
}

namespace testing {
LocalClockFn SetLocalClock(LocalClockFn fn) {
    return g_clockOverride.exchange(fn);
}
} // namespace testing

} // namespace platform
