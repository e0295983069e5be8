#pragma once

#include <string>

namespace platform {

// The system's text for a socket error number (errno on Linux, WSA codes on Windows).
std::string socketErrorText(int code);

} // namespace platform
