#pragma once

#include <string>
#include <vector>

// What the program needs to know about the host's network. Implemented once per
// operating system (netinfo_linux.cpp, netinfo_win.cpp); no Qt types here so the
// Windows side builds with the plain system headers.
namespace platform {

// The first default gateway of the first adapter, as dotted IPv4 text. Empty
// text means there is no network. On Linux the "first adapter" is the one that
// carries the default route with the lowest metric, so a VPN, Docker or VM
// adapter without the default route never counts as first.
std::string defaultGateway();

// The host's first IPv4 address, the one the device search binds to: the primary
// address of the adapter that carries the default route, else the first address
// of the first adapter that is up and not loopback. Empty when there is none.
std::string firstIPv4Address();

// The addresses the device search sends from: the primary IPv4 address of
// each adapter that is up, running and can send multicast, leaving out
// loopback and point-to-point links (VPN tunnels), the adapter of the default
// route first. Read anew at each call, so a new address, a new adapter or one
// gone is seen at the next search.
std::vector<std::string> searchAddresses();

struct WifiName
{
    enum class State { Named, NotWireless, Unknown };
    State state = State::Unknown;
    std::string ssid; // set when state is Named
};

// The name of the Wi-Fi network the computer is connected to is read by
// readWifiName (platform/wifi_name.h), without waiting.

} // namespace platform
