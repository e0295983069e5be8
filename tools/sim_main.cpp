// orvex-sim: a stand-in for one or more Orvex boxes. Each simulated device has
// its own IPv4 address and answers the SSDP search, serves its UPnP device
// description on its renderer port and its web application (commands, state
// files, the /orvex page) on port 80, with faults injected from a JSON file.
// Every request and datagram is logged byte for byte as JSON lines.
//
// The box itself is in sim/device.h; its SSDP side in sim/ssdp_side.cpp, its
// HTTP side in sim/http_side.cpp, the fault switches in sim/faults.h, its
// state in sim/device_state.h.

#include "sim/device.h"
#include "sim/sim_log.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QSet>

#include <memory>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated Orvex devices"));
    parser.addHelpOption();
    QCommandLineOption configOption(
        QStringLiteral("config"), QStringLiteral("JSON file with devices and faults"), QStringLiteral("file"));
    QCommandLineOption deviceOption(
        QStringLiteral("device"), QStringLiteral("NAME@ADDRESS[:RENDERERPORT], repeatable"), QStringLiteral("spec"));
    QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("request log (JSON lines)"), QStringLiteral("file"));
    QCommandLineOption stateOption(
        QStringLiteral("state"), QStringLiteral("keep device state in this JSON file"), QStringLiteral("file"));
    QCommandLineOption readyOption(
        QStringLiteral("ready-file"), QStringLiteral("written once every device listens"), QStringLiteral("file"));
    parser.addOptions({ configOption, deviceOption, logOption, stateOption, readyOption });
    parser.process(app);

    QJsonObject config;
    if (parser.isSet(configOption)) {
        QFile file(parser.value(configOption));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file.fileName()));
        QJsonParseError error;
        config = QJsonDocument::fromJson(file.readAll(), &error).object();
        if (error.error != QJsonParseError::NoError)
            qFatal("%s: %s", qPrintable(file.fileName()), qPrintable(error.errorString()));
    }
    QJsonArray devices = config.value(QStringLiteral("devices")).toArray();
    for (const QString &spec : parser.values(deviceOption)) {
        const QString name = spec.section(u'@', 0, 0);
        const QString where = spec.section(u'@', 1);
        QJsonObject device { { QStringLiteral("name"), name },
            { QStringLiteral("address"), where.section(u':', 0, 0) } };
        if (where.contains(u':'))
            device.insert(QStringLiteral("rendererPort"), where.section(u':', 1).toInt());
        devices.append(device);
    }
    RequestLog::instance().open(
        parser.isSet(logOption) ? parser.value(logOption) : config.value(QStringLiteral("log")).toString());
    const QString statePath
        = parser.isSet(stateOption) ? parser.value(stateOption) : config.value(QStringLiteral("state")).toString();

    std::vector<std::unique_ptr<Device>> all;
    for (const auto &d : devices) {
        all.push_back(std::make_unique<Device>(d.toObject(), statePath));
        QString error;
        if (!all.back()->start(&error)) {
            fprintf(stderr, "orvex-sim: %s\n", qPrintable(error));
            return 1;
        }
    }

    // The SSDP side: one socket on port 1900 in the multicast group on every
    // interface that can take it; each device answers from its own address.
    QUdpSocket ssdp;
    if (!ssdp.bind(QHostAddress::AnyIPv4, 1900, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        fprintf(stderr, "orvex-sim: cannot bind port 1900: %s\n", qPrintable(ssdp.errorString()));
        return 1;
    }
    // Join only where the devices live: a membership on the searching host's own
    // interface would also catch the host's looped-back copy and answer twice.
    const QHostAddress group(QStringLiteral("239.255.255.250"));
    QSet<QString> deviceAddresses;
    for (const auto &d : devices)
        deviceAddresses.insert(d.toObject().value(QStringLiteral("address")).toString());
    QList<QNetworkInterface> joinOn;
    for (const auto &iface : QNetworkInterface::allInterfaces()) {
        if (!(iface.flags() & QNetworkInterface::IsUp) || !(iface.flags() & QNetworkInterface::CanMulticast))
            continue;
        for (const auto &entry : iface.addressEntries()) {
            if (deviceAddresses.contains(entry.ip().toString())) {
                joinOn.append(iface);
                break;
            }
        }
    }
    for (const auto &iface : joinOn)
        ssdp.joinMulticastGroup(group, iface);
    QObject::connect(&ssdp, &QUdpSocket::readyRead, [&] {
        while (ssdp.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = ssdp.receiveDatagram(65536);
            RequestLog::instance().write(QStringLiteral("ssdp"), QString(),
                datagram.senderAddress().toString() + u':' + QString::number(datagram.senderPort()),
                datagram.destinationAddress().toString() + u':' + QString::number(datagram.destinationPort()),
                datagram.data());
            for (const auto &device : all)
                device->searchReceived(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
        }
    });

    if (parser.isSet(readyOption)) {
        QFile ready(parser.value(readyOption));
        if (ready.open(QIODevice::WriteOnly))
            ready.write("ready\n");
    }
    return app.exec();
}
