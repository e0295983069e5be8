// The SSDP side of a simulated box: its answer to the search (with faults:
// a delay, a duplicate, an empty datagram first, an oversize one, a flood of
// junk, another LOCATION, more LOCATIONs, silence, datagrams lost on the way)
// and the UPnP description it points to.

#include "device.h"

#include <QRandomGenerator>
#include <QTimer>

namespace {

// A weak link: `dropPercent` of the datagrams that reach the box or leave it
// are lost.
bool lost(const QJsonObject &ssdp)
{
    const double percent = ssdp.value(QStringLiteral("dropPercent")).toDouble(0);
    return percent > 0 && QRandomGenerator::global()->bounded(100.0) < percent;
}

} // namespace

void Device::searchReceived(const QByteArray &datagram, const QHostAddress &peer, quint16 peerPort)
{
    const QJsonObject ssdp = m_config.value(QStringLiteral("ssdp")).toObject();
    if (ssdp.value(QStringLiteral("silent")).toBool() || lost(ssdp))
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
        // Junk first: what a flooding host sends, none of it a reply.
        const int flood = ssdp.value(QStringLiteral("flood")).toInt(0);
        for (int i = 0; i < flood; ++i)
            m_ssdpReply.writeDatagram("junk " + QByteArray::number(i), peer, peerPort);
        if (ssdp.value(QStringLiteral("emptyDatagramFirst")).toBool())
            m_ssdpReply.writeDatagram(QByteArray(), peer, peerPort);
        if (ssdp.value(QStringLiteral("oversize")).toBool()) {
            m_ssdpReply.writeDatagram(ssdpReply(ssdp) + QByteArray(9000, 'x'), peer, peerPort);
            return;
        }
        const int copies = ssdp.value(QStringLiteral("duplicate")).toBool() ? 2 : 1;
        for (int i = 0; i < copies; ++i) {
            if (!lost(ssdp))
                m_ssdpReply.writeDatagram(ssdpReply(ssdp), peer, peerPort);
        }
        // More LOCATIONs of the same host, each its own description address.
        const int more = ssdp.value(QStringLiteral("extraLocations")).toInt(0);
        for (int n = 1; n <= more; ++n) {
            if (!lost(ssdp))
                m_ssdpReply.writeDatagram(ssdpReply(ssdp, n), peer, peerPort);
        }
    });
}

QByteArray Device::ssdpReply(const QJsonObject &ssdp, int extra) const
{
    const QByteArray locationName = ssdp.value(QStringLiteral("mixedCaseLocation")).toBool() ? "Location" : "LOCATION";
    QByteArray location = ssdp.contains(QStringLiteral("location"))
        ? ssdp.value(QStringLiteral("location")).toString().toLatin1()
        : "http://" + m_address.toLatin1() + ':' + QByteArray::number(m_rendererPort) + "/description.xml";
    if (extra > 0)
        location += "?n=" + QByteArray::number(extra);
    return "HTTP/1.1 200 OK\r\n"
           "CACHE-CONTROL: max-age=1800\r\n"
           "EXT:\r\n"
        + locationName + ": " + location
        + "\r\n"
          "SERVER: Linux/5.10 UPnP/1.0 OrvexSim/1.0\r\n"
          "ST: urn:schemas-upnp-org:device:MediaRenderer:1\r\n"
          "USN: "
        + udn().toLatin1() + "::urn:schemas-upnp-org:device:MediaRenderer:1\r\n\r\n";
}

// Announcements, as a box sends them when it is switched on or off: three
// NOTIFY datagrams each to the multicast group, out of the box's own address.
// Switches: announceAfterMs (ssdp:alive that long after the start), byebyeAfterMs.
QByteArray Device::notify(const QByteArray &subtype) const
{
    const QByteArray type = "urn:schemas-upnp-org:device:MediaRenderer:1";
    return "NOTIFY * HTTP/1.1\r\n"
           "HOST: 239.255.255.250:1900\r\n"
           "CACHE-CONTROL: max-age=1800\r\n"
           "LOCATION: http://"
        + m_address.toLatin1() + ':' + QByteArray::number(m_rendererPort)
        + "/description.xml\r\n"
          "NT: "
        + type + "\r\nNTS: " + subtype
        + "\r\n"
          "SERVER: Linux/5.10 UPnP/1.0 OrvexSim/1.0\r\n"
          "USN: "
        + udn().toLatin1() + "::" + type + "\r\n\r\n";
}

void Device::scheduleAnnouncements()
{
    const QJsonObject ssdp = m_config.value(QStringLiteral("ssdp")).toObject();
    for (const auto &[key, subtype] : { std::pair { QStringLiteral("announceAfterMs"), QByteArray("ssdp:alive") },
             std::pair { QStringLiteral("byebyeAfterMs"), QByteArray("ssdp:byebye") } }) {
        if (!ssdp.contains(key))
            continue;
        QTimer::singleShot(ssdp.value(key).toInt(), this, [this, subtype] {
            for (int i = 0; i < 3; ++i)
                m_ssdpReply.writeDatagram(notify(subtype), QHostAddress(QStringLiteral("239.255.255.250")), 1900);
        });
    }
}

QString Device::udn() const
{
    const QByteArray hash = QByteArray::number(qHash(m_name + m_address), 16).rightJustified(12, '0').right(12);
    return QStringLiteral("uuid:0a7e5000-0000-4000-8000-") + QString::fromLatin1(hash);
}

// Description switches: body (the whole text), malformed, noUrlBase,
// noFriendlyName, prettyUrlBase (its text on an indented line of its own),
// urlBaseXml (the URLBase content as raw XML), padNameBytes (that many more
// characters in the friendly name), nestDepth (that many nested elements,
// never closed, in front of everything else in the root).
QByteArray Device::description() const
{
    const QJsonObject d = m_config.value(QStringLiteral("description")).toObject();
    if (d.contains(QStringLiteral("body")))
        return d.value(QStringLiteral("body")).toString().toUtf8();
    QByteArray urlBase = "http://" + m_address.toLatin1() + ':' + QByteArray::number(m_rendererPort) + '/';
    if (d.contains(QStringLiteral("urlBaseXml")))
        urlBase = d.value(QStringLiteral("urlBaseXml")).toString().toUtf8();
    if (d.value(QStringLiteral("prettyUrlBase")).toBool())
        urlBase = "\n    " + urlBase + "\n  ";
    QByteArray name = m_name.toHtmlEscaped().toUtf8();
    name += QByteArray(d.value(QStringLiteral("padNameBytes")).toInt(0), 'x');
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<root xmlns=\"urn:schemas-upnp-org:device-1-0\">\n"
                     "  <specVersion><major>1</major><minor>0</minor></specVersion>\n";
    const int depth = d.value(QStringLiteral("nestDepth")).toInt(0);
    xml += QByteArray("<a>").repeated(depth);
    if (!d.value(QStringLiteral("noUrlBase")).toBool())
        xml += "  <URLBase>" + urlBase + "</URLBase>\n";
    xml += "  <device>\n"
           "    <deviceType>urn:schemas-upnp-org:device:MediaRenderer:1</deviceType>\n";
    if (!d.value(QStringLiteral("noFriendlyName")).toBool())
        xml += "    <friendlyName>" + name + "</friendlyName>\n";
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
