// The local wall clock, to the second.
#pragma once

namespace platform {

struct LocalDateTime {
    int nYear;   // e.g. 2026
    int nMonth;  // 1..12
    int nDay;    // 1..31
    int nHour;   // 0..23
    int nMinute; // 0..59
    int nSecond; // 0..59 (60 on a leap second)
};

// Reads the current time and converts it to the local calendar. False when the conversion
// fails; dt is then unspecified.
bool GetLocalDateTime(LocalDateTime& dt);

namespace testing {
// Replaces the clock for the whole process (nullptr restores the system clock) and returns the
// previous replacement. Lets tests fix the time or make the conversion fail.
using LocalClockFn = bool (*)(LocalDateTime& dt);
LocalClockFn SetLocalClock(LocalClockFn fn);
} // namespace testing

} // namespace platform
