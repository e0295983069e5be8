#include "platform/netinfo.h"
#include "platform/route_table.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

std::optional<DefaultRoute> readDefaultRoute()
{
    std::ifstream file("/proc/net/route");
    if (!file)
        return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    return bestDefaultRoute(text.str());
}

std::string dotted(const sockaddr *address)
{
    char text[INET_ADDRSTRLEN] = {};
    const auto *in = reinterpret_cast<const sockaddr_in *>(address);
    inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    return text;
}

} // namespace

std::string defaultGateway()
{
    const auto route = readDefaultRoute();
    return route ? route->gateway : std::string();
}

std::string firstIPv4Address()
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    const auto route = readDefaultRoute();
    std::string onRouteAdapter, firstUp;
    for (const ifaddrs *a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(a->ifa_flags & IFF_UP) || (a->ifa_flags & IFF_LOOPBACK))
            continue;
        // getifaddrs lists an adapter's primary address before its secondary ones.
        if (route && onRouteAdapter.empty() && route->interface == a->ifa_name)
            onRouteAdapter = dotted(a->ifa_addr);
        if (firstUp.empty())
            firstUp = dotted(a->ifa_addr);
    }
    freeifaddrs(list);
    return onRouteAdapter.empty() ? firstUp : onRouteAdapter;
}

std::vector<std::string> searchAddresses()
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    const auto route = readDefaultRoute();
    std::vector<std::string> addresses, adapters;
    for (const ifaddrs *a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
            continue;
        const unsigned wanted = IFF_UP | IFF_RUNNING | IFF_MULTICAST;
        if ((a->ifa_flags & wanted) != wanted || (a->ifa_flags & (IFF_LOOPBACK | IFF_POINTOPOINT)))
            continue;
        // The primary address of each adapter: getifaddrs lists it first.
        if (std::find(adapters.begin(), adapters.end(), a->ifa_name) != adapters.end())
            continue;
        const bool onRoute = route && route->interface == a->ifa_name;
        adapters.insert(onRoute ? adapters.begin() : adapters.end(), a->ifa_name);
        addresses.insert(onRoute ? addresses.begin() : addresses.end(), dotted(a->ifa_addr));
    }
    freeifaddrs(list);
    return addresses;
}

} // namespace platform
