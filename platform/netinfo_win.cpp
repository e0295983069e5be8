// Windows side of the network information: the IP Helper for the gateway and the
// first IPv4 address, the WLAN API for the Wi-Fi name. Plain Win32, no Qt.
#include "platform/netinfo.h"
#include "platform/wifi_win.h"

// winsock2.h must come before the other Windows headers.
#include <winsock2.h>

#include <iphlpapi.h>
#include <wlanapi.h>
#include <ws2tcpip.h>

#include <vector>

namespace platform {

std::string defaultGateway()
{
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) == ERROR_NO_DATA || size == 0)
        return {};
    std::vector<unsigned char> buffer(size, 0);
    auto *adapters = reinterpret_cast<IP_ADAPTER_INFO *>(buffer.data());
    if (GetAdaptersInfo(adapters, &size) != NO_ERROR)
        return {};
    const char *text = adapters->GatewayList.IpAddress.String;
    std::string gateway;
    for (int i = 0; i < 16 && text[i] != '\0'; ++i)
        gateway += text[i];
    if (gateway == "0.0.0.0")
        return {};
    return gateway;
}

namespace {

// The adapters with their IPv4 addresses, in the system's order; none when
// they cannot be read. The list lives in `buffer`.
const IP_ADAPTER_ADDRESSES *readAdapters(std::vector<unsigned char> &buffer)
{
    ULONG size = 15000;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        result = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST, nullptr,
            reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()), &size);
    }
    return result == NO_ERROR ? reinterpret_cast<const IP_ADAPTER_ADDRESSES *>(buffer.data()) : nullptr;
}

// An adapter's first usable IPv4 address, as dotted text; empty when it has none.
std::string primaryAddress(const IP_ADAPTER_ADDRESSES *adapter)
{
    for (auto *u = adapter->FirstUnicastAddress; u; u = u->Next) {
        if (u->Address.lpSockaddr->sa_family != AF_INET || u->DadState != IpDadStatePreferred)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto *in = reinterpret_cast<const sockaddr_in *>(u->Address.lpSockaddr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        return text;
    }
    return {};
}

} // namespace

std::string firstIPv4Address()
{
    std::vector<unsigned char> buffer;
    for (auto *a = readAdapters(buffer); a; a = a->Next) {
        if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK || (a->Flags & IP_ADAPTER_RECEIVE_ONLY))
            continue;
        if (std::string address = primaryAddress(a); !address.empty())
            return address;
    }
    return {};
}

std::vector<std::string> searchAddresses()
{
    std::vector<unsigned char> buffer;
    std::vector<std::string> addresses;
    // Adapters come in the order of their route metrics, the default route's first.
    for (auto *a = readAdapters(buffer); a; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK || a->IfType == IF_TYPE_TUNNEL
            || a->IfType == IF_TYPE_PPP || (a->Flags & (IP_ADAPTER_RECEIVE_ONLY | IP_ADAPTER_NO_MULTICAST)))
            continue;
        if (std::string address = primaryAddress(a); !address.empty())
            addresses.push_back(std::move(address));
    }
    return addresses;
}

WifiName wlanWifiName()
{
    HANDLE client = nullptr;
    DWORD version = 0;
    if (WlanOpenHandle(2, nullptr, &version, &client) != ERROR_SUCCESS)
        return {};
    WifiName name { WifiName::State::NotWireless, {} };
    WLAN_INTERFACE_INFO_LIST *interfaces = nullptr;
    if (WlanEnumInterfaces(client, nullptr, &interfaces) == ERROR_SUCCESS) {
        for (DWORD i = 0; i < interfaces->dwNumberOfItems; ++i) {
            const auto &info = interfaces->InterfaceInfo[i];
            if (info.isState != wlan_interface_state_connected)
                continue;
            DWORD dataSize = 0;
            WLAN_CONNECTION_ATTRIBUTES *attributes = nullptr;
            if (WlanQueryInterface(client, &info.InterfaceGuid, wlan_intf_opcode_current_connection, nullptr, &dataSize,
                    reinterpret_cast<void **>(&attributes), nullptr)
                != ERROR_SUCCESS) {
                name = {};
                continue;
            }
            const auto &ssid = attributes->wlanAssociationAttributes.dot11Ssid;
            name = { WifiName::State::Named,
                std::string(reinterpret_cast<const char *>(ssid.ucSSID), ssid.uSSIDLength) };
            WlanFreeMemory(attributes);
            break;
        }
        WlanFreeMemory(interfaces);
    } else {
        name = {};
    }
    WlanCloseHandle(client, nullptr);
    return name;
}

} // namespace platform
