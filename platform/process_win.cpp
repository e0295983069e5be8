#include "platform/process.h"

namespace platform {

// The browser's sandbox runs for administrators on Windows too.
bool runsAsRoot()
{
    return false;
}

} // namespace platform
