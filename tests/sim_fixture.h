#pragma once

// Starts orvex-sim with a JSON configuration written by the test and reads its
// request log. Used inside the private network only.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

struct LogEntry
{
    QString proto;
    QString device;
    QString peer;
    QByteArray raw;
    QByteArray firstLine() const { return raw.left(raw.indexOf("\r\n")); }
};

class SimFixture
{
public:
    explicit SimFixture(const QJsonArray &devices, const QJsonObject &extra = {})
    {
        QJsonObject config = extra;
        config.insert(QStringLiteral("devices"), devices);
        QFile file(m_dir.filePath(QStringLiteral("sim.json")));
        file.open(QIODevice::WriteOnly);
        file.write(QJsonDocument(config).toJson());
        file.close();
        const QString ready = m_dir.filePath(QStringLiteral("ready"));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments { QStringLiteral(ORVEX_SIM_PATH), QStringLiteral("--config"), file.fileName(),
            QStringLiteral("--log"), logPath(), QStringLiteral("--ready-file"), ready };
        // The boxes run in the private network's own namespace for devices,
        // so that none of their addresses is this computer's.
        const QString devicesNs = qEnvironmentVariable("ORVEX_DEVICE_NETNS");
        if (!devicesNs.isEmpty())
            arguments = QStringList { QStringLiteral("--net=") + devicesNs, QStringLiteral("--") } + arguments;
        m_process.start(devicesNs.isEmpty() ? arguments.takeFirst() : QStringLiteral("nsenter"), arguments);
        for (int i = 0; i < 200 && !QFile::exists(ready) && m_process.state() != QProcess::NotRunning; ++i)
            QTest::qWait(10);
        m_ok = QFile::exists(ready);
    }

    ~SimFixture()
    {
        m_process.kill();
        m_process.waitForFinished(2000);
    }

    bool ok() const { return m_ok; }
    QString logPath() const { return m_dir.filePath(QStringLiteral("requests.jsonl")); }

    QList<LogEntry> log(const QString &proto = QString()) const
    {
        QList<LogEntry> entries;
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return entries;
        while (!file.atEnd()) {
            const QJsonObject o = QJsonDocument::fromJson(file.readLine()).object();
            LogEntry e { o.value(QStringLiteral("proto")).toString(), o.value(QStringLiteral("device")).toString(),
                o.value(QStringLiteral("peer")).toString(), o.value(QStringLiteral("raw")).toString().toLatin1() };
            if (proto.isEmpty() || e.proto == proto)
                entries.append(e);
        }
        return entries;
    }

    // The request lines of the HTTP requests to the devices' port 80, in order.
    QList<QByteArray> requestLines(qsizetype from = 0) const
    {
        QList<QByteArray> lines;
        const auto entries = log(QStringLiteral("http"));
        for (qsizetype i = from; i < entries.size(); ++i) {
            if (!entries[i].raw.contains("/description.xml"))
                lines.append(entries[i].firstLine());
        }
        return lines;
    }
    qsizetype httpCount() const { return log(QStringLiteral("http")).size(); }

    // A negative delay leaves the box its own random delay within MX.
    static QJsonObject device(const QString &name, int index, int delayMs, const QJsonObject &more = {})
    {
        QJsonObject d = more;
        d.insert(QStringLiteral("name"), name);
        d.insert(QStringLiteral("address"), QStringLiteral("10.77.0.%1").arg(20 + index));
        d.insert(QStringLiteral("rendererPort"), 49152 + index);
        QJsonObject ssdp = d.value(QStringLiteral("ssdp")).toObject();
        if (delayMs >= 0)
            ssdp.insert(QStringLiteral("delayMs"), delayMs);
        d.insert(QStringLiteral("ssdp"), ssdp);
        return d;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    bool m_ok = false;
};
