#pragma once

#include "base/deadline.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <functional>
#include <optional>

// One row of the device table: the name shown in the list, the address the
// reply came from, the renderer port derived from the description and the
// description's address (the reply's LOCATION).
struct DeviceRow
{
    QString name;
    QString address;
    QString port;
    QString location;
};

// Real descriptions are a few KiB; a larger one is refused.
constexpr std::size_t MaxDescriptionBytes = 1024 * 1024;
// A name longer than this is cut for display, so no single name makes the
// list unusable.
constexpr qsizetype MaxNameLength = 256;

// Fetches a description URL with a GET by the deadline; fails when the body is
// larger than `maxBytes`. HttpClient::getNamed is one.
using FetchDescription = std::function<QByteArray(const QString &url, Deadline deadline, std::size_t maxBytes)>;

// The description address of a reply from `sourceAddress`; fails when the
// reply has no LOCATION line.
QString requiredLocation(const QString &reply, const QString &sourceAddress);

// One SSDP reply to one row: the LOCATION line, the description it points to
// (fetched by `readDeadline`), its friendly name and the port derived from its
// URLBase. Nothing for an empty reply; fails with the failing layer's message
// on anything else that stops the row.
std::optional<DeviceRow> deviceFromReply(
    const QString &reply, const QString &sourceAddress, Deadline readDeadline, const FetchDescription &fetch);
