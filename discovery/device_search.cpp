#include "discovery/device_search.h"
#include "control/failure.h"

#include <QElapsedTimer>

SearchReport runSearch(SsdpEndpoint &endpoint, const std::string &localAddress,
    const std::function<void(const QString &, const QString &)> &addDevice, const SearchLimits &limits)
{
    SearchReport report;
    endpoint.send(ssdpSearchRequest(), localAddress);
    QElapsedTimer sinceSend;
    sinceSend.start();

    auto skip = [&report](const QString &message) {
        if (report.skipped++ == 0)
            report.firstSkipMessage = message;
    };

    while (report.replies < limits.maxReplies) {
        const qint64 left = limits.maxDurationMs - sinceSend.elapsed();
        if (left <= 0)
            break;
        const Datagram datagram = endpoint.receive(int(std::min<qint64>(limits.silenceMs, left)));
        if (datagram.port == 0)
            break;
        ++report.replies;
        if (datagram.oversize) {
            skip(QStringLiteral("%1 sent a reply larger than %2 bytes")
                     .arg(datagram.address)
                     .arg(SsdpEndpoint::BufferSize));
            continue;
        }
        if (datagram.bytes.isEmpty())
            continue;
        try {
            addDevice(decodeDatagram(datagram.bytes), datagram.address);
        } catch (const Failure &failure) {
            skip(failure.message());
        }
    }
    return report;
}
