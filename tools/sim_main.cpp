// orvex-sim: a stand-in for one or more Orvex boxes. Each simulated device has
// its own IPv4 address and answers the SSDP search, serves its UPnP device
// description on its renderer port and its web application (commands, state
// files, the /orvex page) on port 80, with faults injected from a JSON file.
// Every request and datagram is logged byte for byte as JSON lines.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QRandomGenerator>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <memory>
#include <vector>

namespace {

QElapsedTimer g_clock;

class RequestLog
{
public:
    void open(const QString &path)
    {
        if (path.isEmpty())
            return;
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
            qFatal("cannot open log %s", qPrintable(path));
    }

    // Raw bytes go into "raw" one byte per character (Latin-1), so a reader gets
    // the exact bytes back with toLatin1().
    void write(
        const QString &proto, const QString &device, const QString &peer, const QString &local, const QByteArray &raw)
    {
        if (!m_file.isOpen())
            return;
        QJsonObject entry { { QStringLiteral("t"), double(g_clock.elapsed()) }, { QStringLiteral("proto"), proto },
            { QStringLiteral("device"), device }, { QStringLiteral("peer"), peer }, { QStringLiteral("local"), local },
            { QStringLiteral("raw"), QString::fromLatin1(raw) } };
        m_file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
        m_file.flush();
    }

private:
    QFile m_file;
};

RequestLog g_log;

QStringList defaultStations()
{
    return { QStringLiteral("Athens Jazz|http://stream.example/athensjazz.mp3"),
        QStringLiteral("BBC World Service|http://stream.example/bbcws.mp3"),
        QStringLiteral("Classic FM|http://stream.example/classicfm.aac"),
        QStringLiteral("Deep House Radio|http://stream.example/deephouse.mp3"),
        QStringLiteral("ERT Kosmos|http://stream.example/kosmos.mp3"),
        QStringLiteral("FIP|http://stream.example/fip.aac"),
        QStringLiteral("Groove Salad|http://stream.example/groovesalad.mp3"),
        QStringLiteral("Heart London|http://stream.example/heart.mp3"),
        QStringLiteral("Imagine Radio|http://stream.example/imagine.mp3"),
        QStringLiteral("Jazz24|http://stream.example/jazz24.aac"),
        QStringLiteral("KEXP|http://stream.example/kexp.mp3"),
        QStringLiteral("Lounge FM|http://stream.example/lounge.mp3"),
        QStringLiteral("Melodia FM|http://stream.example/melodia.mp3"),
        QStringLiteral("NTS Radio|http://stream.example/nts.mp3"),
        QStringLiteral("Omega Classic|http://stream.example/omega.mp3"),
        QStringLiteral("Paradise Radio|http://stream.example/paradise.flac"),
        QStringLiteral("Radio Swiss Jazz|http://stream.example/swissjazz.mp3"),
        QStringLiteral("Soma Drone Zone|http://stream.example/dronezone.mp3"),
        QStringLiteral("Triple J|http://stream.example/triplej.aac"),
        QStringLiteral("Venice Classic|http://stream.example/venice.mp3") };
}

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

    QJsonObject toJson() const
    {
        return { { QStringLiteral("vol"), vol }, { QStringLiteral("dvol"), dvol },
            { QStringLiteral("orvex_index"), orvexIndex }, { QStringLiteral("dlna_index"), dlnaIndex },
            { QStringLiteral("player"), player }, { QStringLiteral("orvex_stream"), orvexStream },
            { QStringLiteral("dlna_stream"), dlnaStream },
            { QStringLiteral("descs"), QJsonArray::fromStringList(descs) },
            { QStringLiteral("urls"), QJsonArray::fromStringList(urls) } };
    }

    void fromJson(const QJsonObject &o)
    {
        vol = o.value(QStringLiteral("vol")).toInt(vol);
        dvol = o.value(QStringLiteral("dvol")).toInt(dvol);
        orvexIndex = o.value(QStringLiteral("orvex_index")).toInt(orvexIndex);
        dlnaIndex = o.value(QStringLiteral("dlna_index")).toInt(dlnaIndex);
        player = o.value(QStringLiteral("player")).toString(player);
        orvexStream = o.value(QStringLiteral("orvex_stream")).toString(orvexStream);
        dlnaStream = o.value(QStringLiteral("dlna_stream")).toString(dlnaStream);
        if (o.contains(QStringLiteral("descs"))) {
            descs.clear();
            for (const auto &v : o.value(QStringLiteral("descs")).toArray())
                descs << v.toString();
        }
        if (o.contains(QStringLiteral("urls"))) {
            urls.clear();
            for (const auto &v : o.value(QStringLiteral("urls")).toArray())
                urls << v.toString();
        }
    }
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

class Device;

// One accepted connection: reads requests, answers each, keeps HTTP/1.1
// connections open until they have been idle for `idleCloseMs`.
class Connection : public QObject
{
public:
    Connection(Device *device, QTcpSocket *socket, bool renderer);

private:
    void readRequests();
    Device *m_device;
    QTcpSocket *m_socket;
    bool m_renderer;
    QByteArray m_buffer;
    QTimer m_idle;
};

class Device : public QObject
{
public:
    Device(const QJsonObject &config, const QString &statePath)
        : m_config(config)
        , m_statePath(statePath)
    {
        m_name = config.value(QStringLiteral("name")).toString(QStringLiteral("Orvex"));
        m_address = config.value(QStringLiteral("address")).toString(QStringLiteral("127.0.0.1"));
        m_rendererPort = quint16(config.value(QStringLiteral("rendererPort")).toInt(49152));
        m_httpPort = quint16(config.value(QStringLiteral("httpPort")).toInt(80));
        m_idleCloseMs = config.value(QStringLiteral("idleCloseMs")).toInt(3000);
        const QStringList stations = defaultStations();
        for (const auto &s : stations) {
            m_state.descs << s.section(u'|', 0, 0);
            m_state.urls << s.section(u'|', 1);
        }
        m_state.fromJson(config.value(QStringLiteral("state")).toObject());
        if (!m_statePath.isEmpty()) {
            QFile file(m_statePath);
            if (file.open(QIODevice::ReadOnly))
                m_state.fromJson(QJsonDocument::fromJson(file.readAll()).object().value(m_name).toObject());
        }
    }

    bool start(QString *error)
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
        return true;
    }

    const QString &name() const { return m_name; }
    int idleCloseMs() const { return m_idleCloseMs; }

    // An M-SEARCH arrived at the multicast group.
    void searchReceived(const QByteArray &datagram, const QHostAddress &peer, quint16 peerPort)
    {
        const QJsonObject ssdp = m_config.value(QStringLiteral("ssdp")).toObject();
        if (ssdp.value(QStringLiteral("silent")).toBool())
            return;
        if (!datagram.startsWith("M-SEARCH"))
            return;
        const bool wanted
            = datagram.contains("urn:schemas-upnp-org:device:MediaRenderer:1") || datagram.contains("ssdp:all");
        if (!wanted)
            return;
        int delay = ssdp.value(QStringLiteral("delayMs")).toInt(-1);
        if (delay < 0) {
            int mx = 3;
            const auto mxAt = datagram.indexOf("MX:");
            if (mxAt >= 0)
                mx = qBound(1, datagram.mid(mxAt + 3, 3).trimmed().toInt(), 5);
            delay = int(QRandomGenerator::global()->bounded(mx * 1000));
        }
        QTimer::singleShot(delay, this, [this, peer, peerPort, ssdp] {
            if (ssdp.value(QStringLiteral("emptyDatagramFirst")).toBool())
                m_ssdpReply.writeDatagram(QByteArray(), peer, peerPort);
            if (ssdp.value(QStringLiteral("oversize")).toBool()) {
                m_ssdpReply.writeDatagram(ssdpReply(ssdp) + QByteArray(9000, 'x'), peer, peerPort);
                return;
            }
            m_ssdpReply.writeDatagram(ssdpReply(ssdp), peer, peerPort);
            if (ssdp.value(QStringLiteral("duplicate")).toBool())
                m_ssdpReply.writeDatagram(ssdpReply(ssdp), peer, peerPort);
        });
    }

    QByteArray ssdpReply(const QJsonObject &ssdp) const
    {
        const QByteArray locationName
            = ssdp.value(QStringLiteral("mixedCaseLocation")).toBool() ? "Location" : "LOCATION";
        return "HTTP/1.1 200 OK\r\n"
               "CACHE-CONTROL: max-age=1800\r\n"
               "EXT:\r\n"
            + locationName + ": http://" + m_address.toLatin1() + ':' + QByteArray::number(m_rendererPort)
            + "/description.xml\r\n"
              "SERVER: Linux/5.10 UPnP/1.0 OrvexSim/1.0\r\n"
              "ST: urn:schemas-upnp-org:device:MediaRenderer:1\r\n"
              "USN: "
            + udn().toLatin1() + "::urn:schemas-upnp-org:device:MediaRenderer:1\r\n\r\n";
    }

    QString udn() const
    {
        const QByteArray hash = QByteArray::number(qHash(m_name + m_address), 16).rightJustified(12, '0').right(12);
        return QStringLiteral("uuid:0a7e5000-0000-4000-8000-") + QString::fromLatin1(hash);
    }

    QByteArray description() const
    {
        const QJsonObject d = m_config.value(QStringLiteral("description")).toObject();
        if (d.contains(QStringLiteral("body")))
            return d.value(QStringLiteral("body")).toString().toUtf8();
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                         "<root xmlns=\"urn:schemas-upnp-org:device-1-0\">\n"
                         "  <specVersion><major>1</major><minor>0</minor></specVersion>\n";
        if (!d.value(QStringLiteral("noUrlBase")).toBool())
            xml += "  <URLBase>http://" + m_address.toLatin1() + ':' + QByteArray::number(m_rendererPort)
                + "/</URLBase>\n";
        xml += "  <device>\n"
               "    <deviceType>urn:schemas-upnp-org:device:MediaRenderer:1</deviceType>\n";
        if (!d.value(QStringLiteral("noFriendlyName")).toBool())
            xml += "    <friendlyName>" + m_name.toHtmlEscaped().toUtf8() + "</friendlyName>\n";
        xml += "    <manufacturer>Orvex</manufacturer>\n"
               "    <modelName>Orvex Box</modelName>\n"
               "    <UDN>"
            + udn().toLatin1()
            + "</UDN>\n"
              "    <serviceList>\n"
              "      <service><serviceType>urn:schemas-upnp-org:service:AVTransport:1</serviceType>"
              "<serviceId>urn:upnp-org:serviceId:AVTransport</serviceId><SCPDURL>/avt.xml</SCPDURL>"
              "<controlURL>/avt/control</controlURL><eventSubURL>/avt/event</eventSubURL></service>\n"
              "      <service><serviceType>urn:schemas-upnp-org:service:RenderingControl:1</serviceType>"
              "<serviceId>urn:upnp-org:serviceId:RenderingControl</serviceId><SCPDURL>/rc.xml</SCPDURL>"
              "<controlURL>/rc/control</controlURL><eventSubURL>/rc/event</eventSubURL></service>\n"
              "      <service><serviceType>urn:schemas-upnp-org:service:ConnectionManager:1</serviceType>"
              "<serviceId>urn:upnp-org:serviceId:ConnectionManager</serviceId><SCPDURL>/cm.xml</SCPDURL>"
              "<controlURL>/cm/control</controlURL><eventSubURL>/cm/event</eventSubURL></service>\n"
              "    </serviceList>\n"
              "  </device>\n"
              "</root>\n";
        if (d.value(QStringLiteral("malformed")).toBool())
            xml.chop(8); // cut inside the closing tags
        return xml;
    }

    enum class After { Keep, Close, Hold };

    // Answers one request and says what becomes of the connection.
    After answer(QTcpSocket *socket, const HttpRequest &request, bool renderer)
    {
        g_log.write(QStringLiteral("http"), m_name,
            socket->peerAddress().toString() + u':' + QString::number(socket->peerPort()),
            socket->localAddress().toString() + u':' + QString::number(socket->localPort()), request.raw);

        const QJsonObject fault = faultFor(request, renderer);
        const bool keepAlive = request.version == "HTTP/1.1";
        if (fault.value(QStringLiteral("noReply")).toBool())
            return After::Hold; // keep the connection and never answer
        if (fault.value(QStringLiteral("closeBeforeStatus")).toBool()) {
            socket->disconnectFromHost();
            return After::Close;
        }

        int status = 200;
        QByteArray body, contentType = "text/plain; charset=utf-8";
        QList<QByteArray> extraHeaders;
        if (renderer) {
            if (request.path == "/description.xml") {
                body = description();
                contentType = "text/xml; charset=\"utf-8\"";
            } else {
                status = 404;
            }
        } else {
            status = handleWebApp(request, body, contentType, extraHeaders);
        }

        if (fault.contains(QStringLiteral("status")))
            status = fault.value(QStringLiteral("status")).toInt();
        if (fault.contains(QStringLiteral("body")))
            body = fault.value(QStringLiteral("body")).toString().toUtf8();
        if (fault.contains(QStringLiteral("bodyHex")))
            body = QByteArray::fromHex(fault.value(QStringLiteral("bodyHex")).toString().toLatin1());
        if (fault.value(QStringLiteral("emptyBody")).toBool())
            body.clear();
        if (fault.value(QStringLiteral("bom")).toBool())
            body.prepend("\xEF\xBB\xBF");
        if (fault.value(QStringLiteral("leadingBreak")).toBool())
            body.prepend("\r\n");
        if (fault.contains(QStringLiteral("hugeBodyBytes")))
            body = QByteArray(fault.value(QStringLiteral("hugeBodyBytes")).toInt(), 'A');
        if (fault.contains(QStringLiteral("location")))
            extraHeaders << "Location: " + fault.value(QStringLiteral("location")).toString().toLatin1();
        for (const auto &cookie : fault.value(QStringLiteral("setCookie")).toArray())
            extraHeaders << "Set-Cookie: " + cookie.toString().toLatin1();

        const int delay = fault.value(QStringLiteral("delayMs")).toInt(0);
        const bool chunked
            = fault.value(QStringLiteral("chunked")).toBool() || fault.value(QStringLiteral("closeInChunked")).toBool();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
        head += "Server: OrvexSim/1.0\r\nContent-Type: " + contentType + "\r\n";
        for (const auto &h : extraHeaders)
            head += h + "\r\n";
        QByteArray reply;
        if (chunked) {
            head += "Transfer-Encoding: chunked\r\n";
            head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
            reply = head;
            const qsizetype half = body.size() / 2;
            for (const auto &part : { body.left(half), body.mid(half) }) {
                if (!part.isEmpty())
                    reply += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
            }
            if (fault.value(QStringLiteral("closeInChunked")).toBool()) {
                reply.chop(body.size() - half + 2); // stop inside the second chunk
            } else {
                reply += "0\r\n\r\n";
            }
        } else {
            qsizetype announced = body.size();
            if (fault.value(QStringLiteral("shortBody")).toBool())
                announced += 100; // promise more than comes, then close
            head += "Content-Length: " + QByteArray::number(announced) + "\r\n";
            head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
            reply = head + body;
        }
        const bool close = !keepAlive || fault.value(QStringLiteral("closeInChunked")).toBool()
            || fault.value(QStringLiteral("shortBody")).toBool() || fault.value(QStringLiteral("close")).toBool();
        QPointer<QTcpSocket> guard(socket);
        auto send = [guard, reply, close] {
            if (!guard)
                return;
            guard->write(reply);
            if (close)
                guard->disconnectFromHost();
        };
        if (delay > 0)
            QTimer::singleShot(delay, this, send);
        else
            send();
        return close ? After::Close : After::Keep;
    }

private:
    static QByteArray reason(int status)
    {
        switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
        }
    }

    QJsonObject faultFor(const HttpRequest &request, bool renderer) const
    {
        const QJsonObject faults = m_config.value(QStringLiteral("faults")).toObject();
        const QByteArray full = request.query.isEmpty() ? request.path : request.path + '?' + request.query;
        QJsonObject best;
        qsizetype bestLength = -1;
        for (auto it = faults.begin(); it != faults.end(); ++it) {
            const QByteArray key = it.key().toLatin1();
            const bool matches = key == "*" || full == key || full.startsWith(key + (key.contains('?') ? "" : "?"))
                || request.path == key;
            if (matches && key.size() > bestLength && (renderer == (key == "/description.xml") || key == "*")) {
                best = it.value().toObject();
                bestLength = key.size();
            }
        }
        if (renderer) {
            const QJsonObject d = m_config.value(QStringLiteral("description")).toObject();
            for (auto it = d.begin(); it != d.end(); ++it)
                best.insert(it.key(), it.value());
        }
        return best;
    }

    static QByteArray param(const QByteArray &query, const QByteArray &name, bool rest = false)
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

    static QByteArray lines(const QStringList &list)
    {
        QByteArray out;
        for (const auto &line : list)
            out += line.toUtf8() + "\r\n";
        return out;
    }

    int handleWebApp(const HttpRequest &request, QByteArray &body, QByteArray &contentType, QList<QByteArray> &headers)
    {
        const QByteArray &path = request.path;
        const QByteArray &q = request.query;
        auto first = [&q](const QByteArray &word) { return q == word || q.startsWith(word + '&'); };
        if (request.method == "GET") {
            if (path == "/orvex/desc.txt")
                body = lines(m_state.descs);
            else if (path == "/orvex/url.txt")
                body = lines(m_state.urls);
            else if (path == "/orvex/vol")
                body = QByteArray::number(m_state.vol);
            else if (path == "/orvex/dvol")
                body = QByteArray::number(m_state.dvol);
            else if (path == "/orvex/orvex_index")
                body = QByteArray::number(m_state.orvexIndex);
            else if (path == "/orvex/dlna_index")
                body = QByteArray::number(m_state.dlnaIndex);
            else if (path == "/orvex" || path == "/orvex/" || path == "/orvex/index.html") {
                contentType = "text/html; charset=utf-8";
                headers << "Set-Cookie: orvexsession=" + QByteArray::number(QRandomGenerator::global()->generate(), 16)
                        + "; Path=/";
                body = statusPage();
            } else if (path == "/orvex/about.html") {
                contentType = "text/html; charset=utf-8";
                body = "<!DOCTYPE html><html><head><title>About " + m_name.toHtmlEscaped().toUtf8()
                    + "</title></head><body><h1>About</h1><p>Orvex simulator</p></body></html>";
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
        body = text + "\r\ndone\r\n";
        saveState();
        return 200;
    }

    QByteArray statusPage() const
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

    void saveState() const
    {
        if (m_statePath.isEmpty())
            return;
        QFile file(m_statePath);
        QJsonObject all;
        if (file.open(QIODevice::ReadOnly)) {
            all = QJsonDocument::fromJson(file.readAll()).object();
            file.close();
        }
        all.insert(m_name, m_state.toJson());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QJsonDocument(all).toJson());
    }

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

Connection::Connection(Device *device, QTcpSocket *socket, bool renderer)
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

void Connection::readRequests()
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
        const auto after = m_device->answer(m_socket, request, m_renderer);
        if (after != Device::After::Keep) {
            m_idle.stop();
            return;
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    g_clock.start();
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
    g_log.open(parser.isSet(logOption) ? parser.value(logOption) : config.value(QStringLiteral("log")).toString());
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
            g_log.write(QStringLiteral("ssdp"), QString(),
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
