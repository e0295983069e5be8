#pragma once

#include <string>
#include <string_view>

namespace platform {

// Bytes in the system's 8-bit (ANSI) code page as UTF-16; no byte is dropped.
// On Windows the ANSI code page. Under a UTF-8 locale, which has no 8-bit code
// page, Windows-1252: what the boxes' users on Windows see.
std::u16string ansiToUtf16(std::string_view bytes);

// Windows-1252 as Windows itself maps it; the five unassigned bytes become the
// control characters of the same number.
std::u16string windows1252ToUtf16(std::string_view bytes);

} // namespace platform
