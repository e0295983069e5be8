#pragma once

#include "discovery/device_row.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Which box a BOX argument names among the boxes a search found.
struct BoxChoice
{
    std::optional<DeviceRow> box; // set when exactly one box matches
    QList<DeviceRow> candidates; // otherwise: the boxes to choose from
    bool several = false; // the candidates all match
};

// The positions of the names that `wanted` names, letter case ignored: those
// equal to it when there are any, else those that start with it.
QList<qsizetype> namedBy(const QStringList &names, const QString &wanted);

// A BOX given as an IPv4 address, with ":PORT" for the renderer port: the box
// without a search. Nothing when the text is no address.
std::optional<DeviceRow> boxFromAddress(const QString &text);

// A friendly name, compared without regard to letter case: a whole name
// wins, else a unique prefix is enough. Rows of one box (a box that answered
// twice) count once. An empty name picks the only box there is.
BoxChoice chooseBox(const QList<DeviceRow> &rows, const QString &name);
