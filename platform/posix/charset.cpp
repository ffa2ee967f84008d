#include "platform/charset.h"

namespace platform {

std::string AnsiCharsetName() {
    return "utf-8";
}

std::string AnsiToUtf8(std::string_view text) {
    return std::string(text);
}

} // namespace platform
