#include "platform/wifi_name.h"
#include "platform/wifi_win.h"

namespace platform {

void readWifiName(QObject *context, std::chrono::milliseconds, std::function<void(const WifiName &)> done)
{
    QMetaObject::invokeMethod(
        context, [done = std::move(done), name = wlanWifiName()] { done(name); }, Qt::QueuedConnection);
}

} // namespace platform
