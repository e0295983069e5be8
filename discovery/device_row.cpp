#include "discovery/device_row.h"
#include "base/failure.h"
#include "discovery/description.h"
#include "discovery/ssdp.h"

QString requiredLocation(const QString &reply, const QString &sourceAddress)
{
    const QString location = locationFromReply(reply);
    if (location.isEmpty())
        throw Failure(Failure::tr("The reply from %1 has no LOCATION line").arg(sourceAddress));
    return location;
}

std::optional<DeviceRow> deviceFromReply(
    const QString &reply, const QString &sourceAddress, Deadline readDeadline, const FetchDescription &fetch)
{
    if (reply.isEmpty())
        return std::nullopt;
    const QString location = requiredLocation(reply, sourceAddress);
    QByteArray body;
    try {
        body = fetch(location, readDeadline, MaxDescriptionBytes);
    } catch (const Failure &failure) {
        if (failure.kind() != Failure::Kind::TooLarge)
            throw;
        throw Failure(Failure::tr("The device description of %1 is larger than 1 MiB").arg(sourceAddress),
            Failure::Kind::TooLarge);
    }
    const DescriptionFields fields = readDescription(body);
    return DeviceRow { fields.friendlyName.left(MaxNameLength), sourceAddress,
        portFromUrlBase(fields.urlBase, sourceAddress), location };
}
