#pragma once

// The simulator's request log: one JSON line per HTTP request and SSDP
// datagram, the raw bytes as Latin-1 text (one character per byte).

#include <QByteArray>
#include <QFile>
#include <QString>

class RequestLog
{
public:
    static RequestLog &instance();

    void open(const QString &path);
    void write(
        const QString &proto, const QString &device, const QString &peer, const QString &local, const QByteArray &raw);

private:
    QFile m_file;
};
