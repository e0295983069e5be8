#pragma once

#include <string>
#include <string_view>

namespace platform {

// Text as the terminal's character set writes it (the locale's on Unix, the
// console's code page on Windows). Where that set is not UTF-8, a character it
// cannot show becomes '?', and so does any byte 0x80 to 0x9F: an 8-bit
// terminal takes those as control characters (0x9B starts an escape sequence).
std::string terminalText(std::u16string_view text);

} // namespace platform
