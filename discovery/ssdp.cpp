#include "discovery/ssdp.h"
#include "control/failure.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

QByteArray ssdpSearchRequest()
{
    return QByteArrayLiteral("M-SEARCH * HTTP/1.1\r\n"
                             "HOST: 239.255.255.250:1900\r\n"
                             "MAN: \"ssdp:discover\"\r\n"
                             "MX: 3\r\n"
                             "ST: urn:schemas-upnp-org:device:MediaRenderer:1\r\n"
                             "USER-AGENT: OS/version UPnP/1.1 product/version\r\n"
                             "\r\n");
}

QString decodeDatagram(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes)
        text.append(static_cast<unsigned char>(c) > 0x7F ? QChar(QChar::ReplacementCharacter) : QChar(QLatin1Char(c)));
    return text;
}

QString locationFromReply(const QString &reply)
{
    static const QString name = QStringLiteral("LOCATION:");
    QString address;
    QString rest = reply;
    // Lines end at CR LF, at a lone LF or at a lone CR.
    rest.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const auto lines = rest.split(u'\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (!it->contains(name, Qt::CaseSensitive))
            continue;
        QString value = *it;
        value.remove(name, Qt::CaseInsensitive);
        qsizetype start = 0, end = value.size();
        while (start < end && (value.at(start) == u' ' || value.at(start) == u'\t'))
            ++start;
        while (end > start && (value.at(end - 1) == u' ' || value.at(end - 1) == u'\t'))
            --end;
        address = value.mid(start, end - start);
    }
    return address;
}

SsdpEndpoint::~SsdpEndpoint()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void SsdpEndpoint::open(const std::string &localAddress)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw Failure::socket(errno);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = 0;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!localAddress.empty() && ::inet_pton(AF_INET, localAddress.c_str(), &local.sin_addr) != 1)
        local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
        const int error = errno;
        ::close(fd);
        throw Failure::socket(error);
    }
    m_fd = fd;
}

void SsdpEndpoint::send(const QByteArray &datagram, const std::string &localAddress)
{
    if (m_fd < 0)
        open(localAddress);
    const int on = 1;
    if (::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        throw Failure::socket(errno);
    sockaddr_in group {};
    group.sin_family = AF_INET;
    group.sin_port = htons(1900);
    ::inet_pton(AF_INET, "239.255.255.250", &group.sin_addr);
    if (::sendto(
            m_fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<sockaddr *>(&group), sizeof group)
        < 0)
        throw Failure::socket(errno);
}

Datagram SsdpEndpoint::receive(int timeoutMs)
{
    Datagram datagram;
    if (m_fd < 0)
        return datagram;
    // Waits in short slices: the kernel lets one long poll overshoot by about
    // 0.1 % of its timeout, which would add a millisecond to every search.
    QElapsedTimer clock;
    clock.start();
    int ready = 0;
    const qint64 timeoutNs = qint64(timeoutMs) * 1000000;
    for (;;) {
        const qint64 left = timeoutNs - clock.nsecsElapsed();
        if (left <= 0)
            return datagram;
        const qint64 slice = std::min<qint64>(left, 50000000);
        const timespec wait { time_t(slice / 1000000000), long(slice % 1000000000) };
        pollfd p { m_fd, POLLIN, 0 };
        ready = ::ppoll(&p, 1, &wait, nullptr);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            throw Failure::socket(errno);
        if (ready > 0)
            break;
    }
    char buffer[BufferSize];
    sockaddr_in from {};
    socklen_t fromLength = sizeof from;
    const ssize_t n
        = ::recvfrom(m_fd, buffer, sizeof buffer, MSG_TRUNC, reinterpret_cast<sockaddr *>(&from), &fromLength);
    if (n < 0)
        throw Failure::socket(errno);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    datagram.address = QString::fromLatin1(text);
    datagram.port = ntohs(from.sin_port);
    datagram.oversize = n > BufferSize;
    datagram.bytes = QByteArray(buffer, qsizetype(std::min<ssize_t>(n, BufferSize)));
    return datagram;
}
