#pragma once

#include <cstdint>

namespace platform {

// A socket bound to the SSDP port receives the multicast groups it joined
// itself, not those that other programs on this computer joined (Linux hands
// a socket bound to the wildcard address every group by default). False when
// the system cannot say so; elsewhere there is nothing to do.
bool receiveOwnGroupsOnly(std::intptr_t socket);

} // namespace platform
