#include "platform/socket_error.h"

#include <cstring>

namespace platform {

std::string socketErrorText(int code)
{
    return std::strerror(code);
}

} // namespace platform
