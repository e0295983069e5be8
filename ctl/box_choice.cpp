#include "ctl/box_choice.h"

#include <QHostAddress>

QList<qsizetype> namedBy(const QStringList &names, const QString &wanted)
{
    QList<qsizetype> whole, prefixed;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
            whole << i;
        else if (names.at(i).startsWith(wanted, Qt::CaseInsensitive))
            prefixed << i;
    }
    return whole.isEmpty() ? prefixed : whole;
}

std::optional<DeviceRow> boxFromAddress(const QString &text)
{
    const QString address = text.section(u':', 0, 0);
    const QString port = text.contains(u':') ? text.section(u':', 1) : QString();
    QHostAddress parsed;
    if (!parsed.setAddress(address) || parsed.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    bool number = false;
    if (!port.isEmpty() && (port.toUShort(&number), !number))
        return std::nullopt;
    return DeviceRow { QString(), parsed.toString(), port, QString() };
}

namespace {

// Rows of one box (the same address) count once.
QList<DeviceRow> distinct(const QList<DeviceRow> &rows)
{
    QList<DeviceRow> boxes;
    for (const DeviceRow &row : rows) {
        const bool known = std::any_of(boxes.begin(), boxes.end(),
            [&row](const DeviceRow &box) { return box.address == row.address && box.port == row.port; });
        if (!known)
            boxes.append(row);
    }
    return boxes;
}

BoxChoice choice(const QList<DeviceRow> &matches, const QList<DeviceRow> &all)
{
    const QList<DeviceRow> boxes = distinct(matches);
    if (boxes.size() == 1)
        return { boxes.first(), {}, false };
    if (boxes.isEmpty())
        return { std::nullopt, distinct(all), false };
    return { std::nullopt, boxes, true };
}

} // namespace

BoxChoice chooseBox(const QList<DeviceRow> &rows, const QString &name)
{
    if (name.isEmpty())
        return choice(rows, rows);
    QStringList names;
    for (const DeviceRow &row : rows)
        names << row.name;
    QList<DeviceRow> matches;
    for (const qsizetype i : namedBy(names, name))
        matches << rows.at(i);
    return choice(matches, rows);
}
