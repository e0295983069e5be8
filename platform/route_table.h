#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct DefaultRoute
{
    std::string interface;
    std::string gateway; // dotted IPv4
    unsigned metric = 0;
};

// Picks the default route with a gateway and the lowest metric (the first one
// listed on a tie) from the text of /proc/net/route.
std::optional<DefaultRoute> bestDefaultRoute(std::string_view procNetRoute);

} // namespace platform
