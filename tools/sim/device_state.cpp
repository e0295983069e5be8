#include "device_state.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

DeviceState DeviceState::withDefaultStations()
{
    static const char *const stations[][2] = {
        { "Athens Jazz", "http://stream.example/athensjazz.mp3" },
        { "BBC World Service", "http://stream.example/bbcws.mp3" },
        { "Classic FM", "http://stream.example/classicfm.aac" },
        { "Deep House Radio", "http://stream.example/deephouse.mp3" },
        { "ERT Kosmos", "http://stream.example/kosmos.mp3" },
        { "FIP", "http://stream.example/fip.aac" },
        { "Groove Salad", "http://stream.example/groovesalad.mp3" },
        { "Heart London", "http://stream.example/heart.mp3" },
        { "Imagine Radio", "http://stream.example/imagine.mp3" },
        { "Jazz24", "http://stream.example/jazz24.aac" },
        { "KEXP", "http://stream.example/kexp.mp3" },
        { "Lounge FM", "http://stream.example/lounge.mp3" },
        { "Melodia FM", "http://stream.example/melodia.mp3" },
        { "NTS Radio", "http://stream.example/nts.mp3" },
        { "Omega Classic", "http://stream.example/omega.mp3" },
        { "Paradise Radio", "http://stream.example/paradise.flac" },
        { "Radio Swiss Jazz", "http://stream.example/swissjazz.mp3" },
        { "Soma Drone Zone", "http://stream.example/dronezone.mp3" },
        { "Triple J", "http://stream.example/triplej.aac" },
        { "Venice Classic", "http://stream.example/venice.mp3" },
    };
    DeviceState state;
    for (const auto &station : stations) {
        state.descs << QString::fromUtf8(station[0]);
        state.urls << QString::fromUtf8(station[1]);
    }
    return state;
}

QJsonObject DeviceState::toJson() const
{
    return { { QStringLiteral("vol"), vol }, { QStringLiteral("dvol"), dvol },
        { QStringLiteral("orvex_index"), orvexIndex }, { QStringLiteral("dlna_index"), dlnaIndex },
        { QStringLiteral("player"), player }, { QStringLiteral("orvex_stream"), orvexStream },
        { QStringLiteral("dlna_stream"), dlnaStream }, { QStringLiteral("descs"), QJsonArray::fromStringList(descs) },
        { QStringLiteral("urls"), QJsonArray::fromStringList(urls) } };
}

void DeviceState::fromJson(const QJsonObject &o)
{
    vol = o.value(QStringLiteral("vol")).toInt(vol);
    dvol = o.value(QStringLiteral("dvol")).toInt(dvol);
    orvexIndex = o.value(QStringLiteral("orvex_index")).toInt(orvexIndex);
    dlnaIndex = o.value(QStringLiteral("dlna_index")).toInt(dlnaIndex);
    player = o.value(QStringLiteral("player")).toString(player);
    orvexStream = o.value(QStringLiteral("orvex_stream")).toString(orvexStream);
    dlnaStream = o.value(QStringLiteral("dlna_stream")).toString(dlnaStream);
    const auto strings = [&o](const QString &key, QStringList &list) {
        if (!o.contains(key))
            return;
        list.clear();
        for (const auto &v : o.value(key).toArray())
            list << v.toString();
    };
    strings(QStringLiteral("descs"), descs);
    strings(QStringLiteral("urls"), urls);
}

void DeviceState::load(const QString &path, const QString &name)
{
    if (path.isEmpty())
        return;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        fromJson(QJsonDocument::fromJson(file.readAll()).object().value(name).toObject());
}

void DeviceState::save(const QString &path, const QString &name) const
{
    if (path.isEmpty())
        return;
    QFile file(path);
    QJsonObject all;
    if (file.open(QIODevice::ReadOnly)) {
        all = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
    }
    all.insert(name, toJson());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(all).toJson());
}
