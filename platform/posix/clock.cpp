#include <ctime>

#include "platform/osapi.h"

namespace platform::os {

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

} // namespace platform::os
