#include "platform/route_table.h"

#include <cstdint>
#include <sstream>
#include <vector>

namespace platform {
namespace {

constexpr unsigned RouteUp = 0x1;
constexpr unsigned RouteGateway = 0x2;

std::optional<std::uint32_t> parseHex(const std::string &text)
{
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        value <<= 4;
        if (c >= '0' && c <= '9')
            value |= static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            value |= static_cast<std::uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            value |= static_cast<std::uint32_t>(c - 'a' + 10);
        else
            return std::nullopt;
    }
    return value;
}

// The kernel prints addresses in network byte order read as a host (little
// endian) integer, so the first octet is the lowest byte.
std::string dottedFromKernelHex(std::uint32_t value)
{
    std::ostringstream out;
    out << (value & 0xFF) << '.' << ((value >> 8) & 0xFF) << '.' << ((value >> 16) & 0xFF) << '.'
        << ((value >> 24) & 0xFF);
    return out.str();
}

} // namespace

std::optional<DefaultRoute> bestDefaultRoute(std::string_view procNetRoute)
{
    std::istringstream lines { std::string(procNetRoute) };
    std::string line;
    std::getline(lines, line); // column headings
    std::optional<DefaultRoute> best;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string field; fields >> field;)
            f.push_back(field);
        if (f.size() < 8)
            continue;
        const auto destination = parseHex(f[1]);
        const auto gateway = parseHex(f[2]);
        const auto flags = parseHex(f[3]);
        const auto mask = parseHex(f[7]);
        if (!destination || !gateway || !flags || !mask)
            continue;
        if (*destination != 0 || *mask != 0 || !(*flags & RouteUp) || !(*flags & RouteGateway) || *gateway == 0)
            continue;
        unsigned long metric = 0;
        try {
            metric = std::stoul(f[6]);
        } catch (...) {
            continue;
        }
        if (!best || metric < best->metric)
            best = DefaultRoute { f[0], dottedFromKernelHex(*gateway), static_cast<unsigned>(metric) };
    }
    return best;
}

} // namespace platform
