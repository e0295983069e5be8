#pragma once

#include "platform/netinfo.h"

#include <QObject>

#include <chrono>
#include <functional>

namespace platform {

// Reads the name of the Wi-Fi network the computer is connected to without
// waiting for it: `done` runs once, on `context`'s thread, within `budget`;
// a system that does not answer in time gives State::Unknown. Nothing runs
// when `context` has gone meanwhile.
void readWifiName(QObject *context, std::chrono::milliseconds budget, std::function<void(const WifiName &)> done);

} // namespace platform
