#include "sim_log.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>

RequestLog &RequestLog::instance()
{
    static RequestLog log;
    return log;
}

void RequestLog::open(const QString &path)
{
    if (path.isEmpty())
        return;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        qFatal("cannot open log %s", qPrintable(path));
}

void RequestLog::write(
    const QString &proto, const QString &device, const QString &peer, const QString &local, const QByteArray &raw)
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    if (!m_file.isOpen())
        return;
    const QJsonObject entry { { QStringLiteral("t"), double(clock.elapsed()) }, { QStringLiteral("proto"), proto },
        { QStringLiteral("device"), device }, { QStringLiteral("peer"), peer }, { QStringLiteral("local"), local },
        { QStringLiteral("raw"), QString::fromLatin1(raw) } };
    m_file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
}
