// The HTTP side of a simulated box: the connections on port 80 and on the
// renderer port, the web application's commands, state files and pages, and
// the delivery of each reply with its faults.

#include "device.h"
#include "faults.h"
#include "sim_log.h"

#include <QJsonArray>
#include <QNetworkDatagram>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

// One accepted connection: reads requests, answers each, keeps HTTP/1.1
// connections open until they have been idle for the box's idle time.
class Connection : public QObject
{
public:
    Connection(Device *device, QTcpSocket *socket, bool renderer)
        : QObject(socket)
        , m_device(device)
        , m_socket(socket)
        , m_renderer(renderer)
    {
        connect(socket, &QTcpSocket::readyRead, this, &Connection::readRequests);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        m_idle.setSingleShot(true);
        connect(&m_idle, &QTimer::timeout, socket, [socket] { socket->disconnectFromHost(); });
        m_idle.start(device->idleCloseMs());
    }

private:
    void readRequests()
    {
        m_buffer += m_socket->readAll();
        for (;;) {
            const qsizetype end = m_buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            qsizetype length = end + 4;
            const QByteArray head = m_buffer.left(end);
            const auto cl = head.toLower().indexOf("\r\ncontent-length:");
            if (cl >= 0) {
                const qsizetype lineEnd = head.indexOf("\r\n", cl + 2);
                length += head.mid(cl + 17, lineEnd < 0 ? -1 : lineEnd - cl - 17).trimmed().toInt();
            }
            if (m_buffer.size() < length)
                return;
            HttpRequest request;
            request.raw = m_buffer.left(length);
            m_buffer.remove(0, length);
            const qsizetype lineEnd = head.indexOf("\r\n");
            const QList<QByteArray> parts = (lineEnd < 0 ? head : head.left(lineEnd)).split(' ');
            request.method = parts.value(0);
            request.target = parts.value(1);
            request.version = parts.value(2);
            const auto q = request.target.indexOf('?');
            request.path = q < 0 ? request.target : request.target.left(q);
            request.query = q < 0 ? QByteArray() : request.target.mid(q + 1);
            m_idle.start(m_device->idleCloseMs());
            if (!m_device->answer(m_socket, request, m_renderer)) {
                m_idle.stop();
                return;
            }
        }
    }

    Device *m_device;
    QTcpSocket *m_socket;
    bool m_renderer;
    QByteArray m_buffer;
    QTimer m_idle;
};

// Sends the bytes after the delay, all at once or one byte per drip interval.
void send(QObject *context, QTcpSocket *socket, const Delivery &delivery)
{
    QPointer<QTcpSocket> guard(socket);
    auto finish = [guard, close = delivery.close, reset = delivery.reset] {
        if (!guard)
            return;
        if (reset) {
            // A zero linger makes the close a reset, once the bytes are out.
            guard->waitForBytesWritten(1000);
            const linger abort { 1, 0 };
            ::setsockopt(int(guard->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            guard->abort();
        } else if (close) {
            guard->disconnectFromHost();
        }
    };
    if (!delivery.repeat.isEmpty()) {
        // The bytes, then the repeated part for as long as the peer reads,
        // never more than 256 KiB ahead of it.
        QTimer::singleShot(delivery.delayMs, context, [guard, bytes = delivery.bytes, repeat = delivery.repeat] {
            if (!guard)
                return;
            auto topUp = [guard, repeat] {
                while (guard && guard->bytesToWrite() < 256 * 1024)
                    guard->write(repeat);
            };
            QObject::connect(guard, &QTcpSocket::bytesWritten, guard, topUp);
            guard->write(bytes);
            topUp();
        });
        return;
    }
    if (delivery.dripMs <= 0) {
        QTimer::singleShot(delivery.delayMs, context, [guard, bytes = delivery.bytes, finish] {
            if (!guard)
                return;
            guard->write(bytes);
            finish();
        });
        return;
    }
    auto *drip = new QTimer(context);
    auto sent = std::make_shared<qsizetype>(0);
    QObject::connect(drip, &QTimer::timeout, context, [guard, drip, sent, bytes = delivery.bytes, finish] {
        if (!guard || *sent >= bytes.size()) {
            drip->deleteLater();
            drip->stop();
            if (guard)
                finish();
            return;
        }
        guard->write(bytes.mid((*sent)++, 1));
    });
    QTimer::singleShot(delivery.delayMs, drip, [drip, ms = delivery.dripMs] { drip->start(ms); });
}

QByteArray param(const QByteArray &query, const QByteArray &name, bool rest = false)
{
    const QByteArray key = name + '=';
    qsizetype at = query.startsWith(key) ? 0 : query.indexOf('&' + key);
    if (at < 0)
        return {};
    at += at == 0 && query.startsWith(key) ? key.size() : key.size() + 1;
    if (rest)
        return query.mid(at);
    const qsizetype end = query.indexOf('&', at);
    return query.mid(at, end < 0 ? -1 : end - at);
}

QByteArray lines(const QStringList &list)
{
    QByteArray out;
    for (const auto &line : list)
        out += line.toUtf8() + "\r\n";
    return out;
}

} // namespace

Device::Device(const QJsonObject &config, const QString &statePath)
    : m_config(config)
    , m_statePath(statePath)
    , m_state(DeviceState::withDefaultStations())
{
    m_name = config.value(QStringLiteral("name")).toString(QStringLiteral("Orvex"));
    m_address = config.value(QStringLiteral("address")).toString(QStringLiteral("127.0.0.1"));
    m_rendererPort = quint16(config.value(QStringLiteral("rendererPort")).toInt(49152));
    m_httpPort = quint16(config.value(QStringLiteral("httpPort")).toInt(80));
    m_idleCloseMs = config.value(QStringLiteral("idleCloseMs")).toInt(3000);
    m_state.fromJson(config.value(QStringLiteral("state")).toObject());
    m_state.load(m_statePath, m_name);
}

bool Device::start(QString *error)
{
    const QHostAddress address(m_address);
    for (auto [server, port, renderer] :
        { std::tuple { &m_http, m_httpPort, false }, std::tuple { &m_description, m_rendererPort, true } }) {
        if (!server->listen(address, port)) {
            *error = QStringLiteral("%1: cannot listen on %2:%3: %4")
                         .arg(m_name, m_address)
                         .arg(port)
                         .arg(server->errorString());
            return false;
        }
        connect(server, &QTcpServer::newConnection, this, [this, server, renderer] {
            while (auto *socket = server->nextPendingConnection())
                new Connection(this, socket, renderer);
        });
    }
    if (!m_ssdpReply.bind(address, 0)) {
        *error = QStringLiteral("%1: cannot bind the SSDP reply socket: %2").arg(m_name, m_ssdpReply.errorString());
        return false;
    }
    scheduleAnnouncements();
    return listenForProbes(error);
}

// Ports where nothing of the program's should ever arrive (a page's WebRTC
// aimed at another box): every datagram and connection there is logged as
// "probe", with what came.
bool Device::listenForProbes(QString *error)
{
    const QHostAddress address(m_address);
    for (const QJsonValue &value : m_config.value(QStringLiteral("probePorts")).toArray()) {
        const quint16 port = quint16(value.toInt());
        auto *tcp = new QTcpServer(this);
        auto *udp = new QUdpSocket(this);
        if (!tcp->listen(address, port) || !udp->bind(address, port)) {
            *error = QStringLiteral("%1: cannot listen for probes on port %2").arg(m_name).arg(port);
            return false;
        }
        const QString local = m_address + u':' + QString::number(port);
        connect(tcp, &QTcpServer::newConnection, this, [this, tcp, local] {
            while (QTcpSocket *socket = tcp->nextPendingConnection()) {
                RequestLog::instance().write(QStringLiteral("probe"), m_name,
                    socket->peerAddress().toString() + u':' + QString::number(socket->peerPort()), local, "tcp");
                socket->deleteLater();
            }
        });
        connect(udp, &QUdpSocket::readyRead, this, [this, udp, local] {
            while (udp->hasPendingDatagrams()) {
                const QNetworkDatagram datagram = udp->receiveDatagram(65536);
                RequestLog::instance().write(QStringLiteral("probe"), m_name,
                    datagram.senderAddress().toString() + u':' + QString::number(datagram.senderPort()), local,
                    "udp " + datagram.data().left(64));
            }
        });
    }
    return true;
}

bool Device::answer(QTcpSocket *socket, const HttpRequest &request, bool renderer)
{
    RequestLog::instance().write(QStringLiteral("http"), m_name,
        socket->peerAddress().toString() + u':' + QString::number(socket->peerPort()),
        socket->localAddress().toString() + u':' + QString::number(socket->localPort()), request.raw);

    const QJsonObject fault = faultFor(m_config.value(QStringLiteral("faults")).toObject(), request.path, request.query,
        renderer, m_config.value(QStringLiteral("description")).toObject());
    if (fault.value(QStringLiteral("noReply")).toBool())
        return false; // keep the connection and never answer
    if (fault.value(QStringLiteral("closeBeforeStatus")).toBool()) {
        socket->disconnectFromHost();
        return false;
    }
    HttpAnswer answer;
    if (renderer) {
        if (request.path == "/description.xml") {
            answer.body = description();
            answer.contentType = "text/xml; charset=\"utf-8\"";
        } else {
            answer.status = 404;
        }
    } else {
        answer.status = handleWebApp(request, answer);
    }
    const Delivery delivery = deliver(answer, fault, request.version == "HTTP/1.1");
    send(this, socket, delivery);
    return !delivery.close;
}

int Device::handleWebApp(const HttpRequest &request, HttpAnswer &answer)
{
    const QByteArray &path = request.path;
    const QByteArray &q = request.query;
    auto first = [&q](const QByteArray &word) { return q == word || q.startsWith(word + '&'); };
    if (request.method == "GET") {
        if (path == "/orvex/desc.txt")
            answer.body = lines(m_state.descs);
        else if (path == "/orvex/url.txt")
            answer.body = lines(m_state.urls);
        else if (path == "/orvex/vol")
            answer.body = QByteArray::number(m_state.vol);
        else if (path == "/orvex/dvol")
            answer.body = QByteArray::number(m_state.dvol);
        else if (path == "/orvex/orvex_index")
            answer.body = QByteArray::number(m_state.orvexIndex);
        else if (path == "/orvex/dlna_index")
            answer.body = QByteArray::number(m_state.dlnaIndex);
        else if (path == "/orvex" || path == "/orvex/" || path == "/orvex/index.html") {
            answer.contentType = "text/html; charset=utf-8";
            answer.headers << "Set-Cookie: orvexsession="
                    + QByteArray::number(QRandomGenerator::global()->generate(), 16) + "; Path=/";
            answer.body = statusPage();
        } else if (path == "/orvex/about.html") {
            answer.contentType = "text/html; charset=utf-8";
            answer.body = "<!DOCTYPE html><html><head><title>About " + m_name.toHtmlEscaped().toUtf8()
                + "</title></head><body><h1>About</h1><p>Orvex simulator</p></body></html>";
        } else if (path == "/orvex/counter.html") {
            // A page that keeps a count in its local storage, one more per load.
            answer.contentType = "text/html; charset=utf-8";
            answer.body = "<!DOCTYPE html><html><head><title>counter</title></head><body><script>"
                          "var n = Number(localStorage.getItem('n') || 0) + 1; localStorage.setItem('n', n);"
                          "document.title = 'count ' + n;</script></body></html>";
        } else
            return 404;
        return 200;
    }
    if (request.method != "POST")
        return 404;
    QByteArray text;
    if (path == "/orvex/el/php_command_startstop.php") {
        if (first("startair")) {
            m_state.player = QStringLiteral("orvex");
            text = "Orvex started";
        } else if (first("stopair")) {
            if (m_state.player == QLatin1String("orvex"))
                m_state.player = QStringLiteral("none");
            text = "Orvex stopped";
        } else if (first("volev")) {
            m_state.vol = param(q, "val").toInt();
            text = "Volume set to " + QByteArray::number(m_state.vol);
        } else if (first("wraddr")) {
            m_state.orvexStream = QString::fromUtf8(param(q, "wraddre", true));
            text = "Station set to " + m_state.orvexStream.toUtf8();
        } else if (first("orvexindex")) {
            m_state.orvexIndex = param(q, "index").toInt();
            text = "Orvex index " + QByteArray::number(m_state.orvexIndex);
        } else if (first("dlnaindex")) {
            m_state.dlnaIndex = param(q, "index").toInt();
            text = "DLNA index " + QByteArray::number(m_state.dlnaIndex);
        } else
            return 404;
    } else if (path == "/orvex/el/php_command_rebshutd.php") {
        if (first("reb"))
            text = "Rebooting device";
        else if (first("shut"))
            text = "Shutting down device";
        else
            return 404;
    } else if (path == "/orvex/dlnastop.php" && first("sto")) {
        if (m_state.player == QLatin1String("dlna"))
            m_state.player = QStringLiteral("none");
        text = "DLNA stopped";
    } else if (path == "/orvex/dlnaplay.php" && first("pla")) {
        m_state.player = QStringLiteral("dlna");
        text = "DLNA playing";
    } else if (path == "/orvex/dlnaplaylist.php" && first("filep")) {
        m_state.dlnaStream = QString::fromUtf8(param(q, "fil", true));
        text = "Playlist set to " + m_state.dlnaStream.toUtf8();
    } else if (path == "/orvex/dlnavolume.php" && first("vol")) {
        m_state.dvol = param(q, "volv").toInt();
        text = "DLNA volume set to " + QByteArray::number(m_state.dvol);
    } else {
        return 404;
    }
    answer.body = text + "\r\ndone\r\n";
    m_state.save(m_statePath, m_name);
    return 200;
}

QByteArray Device::statusPage() const
{
    const auto e = [](const QString &s) { return s.toHtmlEscaped().toUtf8(); };
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Orvex " + e(m_name)
        + "</title></head><body style=\"font-family:sans-serif;background:#101418;color:#e8e8e8\">"
          "<h1>"
        + e(m_name)
        + "</h1><table>"
          "<tr><td>Player</td><td id=\"player\">"
        + e(m_state.player)
        + "</td></tr>"
          "<tr><td>System volume</td><td id=\"vol\">"
        + QByteArray::number(m_state.vol)
        + "</td></tr>"
          "<tr><td>DLNA volume</td><td id=\"dvol\">"
        + QByteArray::number(m_state.dvol)
        + "</td></tr>"
          "<tr><td>Web radio</td><td id=\"orvex_stream\">"
        + e(m_state.orvexStream)
        + "</td></tr>"
          "<tr><td>DLNA stream</td><td id=\"dlna_stream\">"
        + e(m_state.dlnaStream)
        + "</td></tr>"
          "</table><p><a id=\"about\" href=\"/orvex/about.html\">About this box</a></p></body></html>";
}
