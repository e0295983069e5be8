#include "platform/process.h"

#include <unistd.h>

namespace platform {

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace platform
