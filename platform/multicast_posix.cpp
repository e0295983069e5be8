#include "platform/multicast.h"

#include <netinet/in.h>
#include <sys/socket.h>

namespace platform {

bool receiveOwnGroupsOnly(std::intptr_t socket)
{
#ifdef IP_MULTICAST_ALL
    const int off = 0;
    return ::setsockopt(int(socket), IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off) == 0;
#else
    (void)socket;
    return true;
#endif
}

} // namespace platform
