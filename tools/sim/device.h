#pragma once

// One simulated Orvex box: its own address, the SSDP answer, the UPnP
// description on its renderer port and the web application on port 80.

#include "device_state.h"

#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QTcpServer>
#include <QUdpSocket>

class QTcpSocket;
struct HttpRequest;

class Device : public QObject
{
public:
    Device(const QJsonObject &config, const QString &statePath);

    bool start(QString *error);
    const QString &name() const { return m_name; }
    const QString &address() const { return m_address; }
    int idleCloseMs() const { return m_idleCloseMs; }

    // SSDP side: an M-SEARCH arrived at the multicast group.
    void searchReceived(const QByteArray &datagram, const QHostAddress &peer, quint16 peerPort);

    // HTTP side: answers one request; false when the connection is done with.
    bool answer(QTcpSocket *socket, const HttpRequest &request, bool renderer);

private:
    // The reply to a search; `extra` > 0 for one of the more LOCATIONs.
    QByteArray ssdpReply(const QJsonObject &ssdp, int extra = 0) const;
    QByteArray notify(const QByteArray &subtype) const;
    void scheduleAnnouncements();
    bool listenForProbes(QString *error);
    QString udn() const;
    QByteArray description() const;
    int handleWebApp(const HttpRequest &request, struct HttpAnswer &answer);
    QByteArray statusPage() const;

    QJsonObject m_config;
    QString m_statePath;
    QString m_name;
    QString m_address;
    quint16 m_rendererPort = 49152;
    quint16 m_httpPort = 80;
    int m_idleCloseMs = 3000;
    DeviceState m_state;
    QTcpServer m_http;
    QTcpServer m_description;
    QUdpSocket m_ssdpReply;
};

struct HttpRequest
{
    QByteArray raw;
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QByteArray path;
    QByteArray query;
};
