#include "platform/multicast.h"

namespace platform {

// Windows hands a socket only the groups it joined.
bool receiveOwnGroupsOnly(std::intptr_t)
{
    return true;
}

} // namespace platform
