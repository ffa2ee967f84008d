#include "platform/clock.h"

#include <atomic>
#include <ctime>

namespace platform {

namespace {

std::atomic<testing::LocalClockFn> g_clockOverride{nullptr};

bool SystemLocalDateTime(LocalDateTime& dt) {
    std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1))
        return false;
    std::tm tm{};
    if (!localtime_r(&now, &tm))
        return false;
    dt = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
}

} // namespace

bool GetLocalDateTime(LocalDateTime& dt) {
    if (testing::LocalClockFn fn = g_clockOverride.load())
        return fn(dt);
    return SystemLocalDateTime(dt);
}

namespace testing {
LocalClockFn SetLocalClock(LocalClockFn fn) {
    return g_clockOverride.exchange(fn);
}
} // namespace testing

} // namespace platform
