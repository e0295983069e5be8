#pragma once

// What a simulated box remembers: its volumes, station rows, which player
// runs, and its station list; kept in a JSON file when one is given.

#include <QJsonObject>
#include <QString>
#include <QStringList>

struct DeviceState
{
    int vol = 35;
    int dvol = 60;
    int orvexIndex = 0;
    int dlnaIndex = 0;
    QString player = QStringLiteral("none"); // none, orvex, dlna
    QString orvexStream;
    QString dlnaStream;
    QStringList descs;
    QStringList urls;

    // The twenty stations every box starts with.
    static DeviceState withDefaultStations();

    QJsonObject toJson() const;
    void fromJson(const QJsonObject &o);

    // The state of `name` in a file that holds every box's state by name.
    void load(const QString &path, const QString &name);
    void save(const QString &path, const QString &name) const;
};
