#include "discovery/device_search.h"
#include "base/failure.h"
#include "platform/netinfo.h"

#include <QHash>

SearchReport runSearch(
    const ReceiveStep &receive, const AddDevice &addDevice, Deadline action, const SearchLimits &limits)
{
    SearchReport report;
    const Deadline end = within(action, limits.duration);
    QHash<QString, int> readFrom; // replies read per source; -1 once one has failed

    auto skip = [&](const QString &address, const QString &message) {
        readFrom[address] = -1;
        if (report.skipped++ == 0)
            report.firstSkipMessage = message.contains(address) ? message : address + QStringLiteral(": ") + message;
    };

    while (Clock::now() < end) {
        const Datagram datagram = receive(within(end, limits.silence));
        if (datagram.port == 0)
            break;
        int &count = readFrom[datagram.address];
        if (count < 0 || count >= limits.repliesPerSource) {
            ++report.discarded;
            continue;
        }
        ++count;
        if (datagram.oversize) {
            skip(datagram.address,
                QStringLiteral("%1 sent a reply larger than %2 bytes")
                    .arg(datagram.address)
                    .arg(SsdpEndpoint::BufferSize));
            continue;
        }
        if (datagram.bytes.isEmpty())
            continue;
        try {
            addDevice(decodeDatagram(datagram.bytes), datagram.address, within(end, limits.descriptionRead));
        } catch (...) {
            skip(datagram.address, failureMessage(std::current_exception()));
        }
    }
    return report;
}

SearchReport searchDevicesOn(
    SsdpEndpoint &endpoint, const AddDevice &addDevice, Deadline action, const SearchLimits &limits)
{
    endpoint.send(ssdpSearchRequest(), platform::firstIPv4Address());
    return runSearch([&endpoint](Deadline until) { return endpoint.receive(until); }, addDevice, action, limits);
}
