#include <windows.h>

#include "platform/osapi.h"

namespace platform::os {

// The system time converted step by step rather than GetLocalTime, so that a conversion the
// system refuses is reported instead of passing unnoticed.
bool SystemLocalDateTime(LocalDateTime& dt) {
    FILETIME ftUtc;
    ::GetSystemTimeAsFileTime(&ftUtc);
    FILETIME ftLocal;
    SYSTEMTIME st;
    if (!::FileTimeToLocalFileTime(&ftUtc, &ftLocal) || !::FileTimeToSystemTime(&ftLocal, &st))
        return false;
    dt = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
}

} // namespace platform::os
