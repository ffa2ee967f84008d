// What a page says about the encoding of its 8-bit text, and that text as UTF-8 where a page
// needs UTF-8 whatever the page's own encoding (in URLs).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The IANA name of the encoding the component's 8-bit text is in: "utf-8" on POSIX systems,
// on Windows the name of the ANSI code page.
std::string AnsiCharsetName();

// 8-bit text converted to UTF-8. On POSIX systems the 8-bit text is UTF-8 already and comes
// back unchanged, bytes that are not UTF-8 included.
std::string AnsiToUtf8(std::string_view text);

} // namespace platform
