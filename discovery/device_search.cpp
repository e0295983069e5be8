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
    QHash<QString, QString> locationOn; // the adapter each LOCATION was first read on

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
        const QString reply = decodeDatagram(datagram.bytes);
        // A box that answers on two adapters is one box; on one adapter a box
        // that answers twice is still listed twice.
        if (!datagram.local.isEmpty()) {
            const QString location = locationFromReply(reply);
            const auto seen = locationOn.constFind(location);
            if (seen != locationOn.constEnd() && *seen != datagram.local) {
                ++report.discarded;
                continue;
            }
            locationOn.insert(location, datagram.local);
        }
        try {
            addDevice(reply, datagram.address, within(end, limits.descriptionRead));
        } catch (const Failure &failure) {
            if (failure.kind() == Failure::Kind::Cancelled)
                throw; // the user ended the search, not the responder
            skip(datagram.address, failure.message());
        } catch (...) {
            skip(datagram.address, failureMessage(std::current_exception()));
        }
    }
    return report;
}

SearchReport searchDevicesOn(
    SsdpEndpoint &endpoint, const AddDevice &addDevice, Deadline action, const SearchLimits &limits)
{
    // Every adapter the boxes may be behind, looked at anew for each search;
    // without one, the host's first address as ever.
    std::vector<std::string> from = platform::searchAddresses();
    if (from.empty())
        from.push_back(platform::firstIPv4Address());
    endpoint.send(ssdpSearchRequest(), from);
    return runSearch([&endpoint](Deadline until) { return endpoint.receive(until); }, addDevice, action, limits);
}
