#pragma once

#include "platform/netinfo.h"

namespace platform {

// The Wi-Fi name from the WLAN service, which answers at once.
WifiName wlanWifiName();

} // namespace platform
