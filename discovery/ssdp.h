#pragma once

#include "base/deadline.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

// The one M-SEARCH datagram for media renderers: 178 bytes of fixed text.
QByteArray ssdpSearchRequest();

// Datagram bytes as text, one byte per character; bytes above 0x7F become U+FFFD.
QString decodeDatagram(const QByteArray &bytes);

// The description address of an SSDP reply: of the lines that contain
// "LOCATION:" in upper case, the upper one wins; every "LOCATION:" (any case)
// is removed from it and blanks are trimmed. Empty when no line qualifies.
QString locationFromReply(const QString &reply);

// One received datagram. A receive that timed out has port 0.
struct Datagram
{
    QByteArray bytes;
    QString address;
    quint16 port = 0;
    bool oversize = false; // longer than the 8192-byte receive buffer
};

// The search's UDP endpoint (`ud`): one IPv4 socket, SO_BROADCAST on, bound to
// the address of the search that sends on it. It stays open between searches
// while that address stays the same, so late replies to one search are read
// by the next; a new address (a DHCP renewal, another Wi-Fi, a resume) opens
// a new socket, and a failure closes it.
class SsdpEndpoint
{
public:
    static constexpr int BufferSize = 8192;

    SsdpEndpoint();
    ~SsdpEndpoint();
    SsdpEndpoint(const SsdpEndpoint &) = delete;
    SsdpEndpoint &operator=(const SsdpEndpoint &) = delete;

    // Opens the socket when it is closed or bound to another address (bound
    // to localAddress, or to the wildcard address when that is empty) and
    // sends to 239.255.255.250:1900.
    void send(const QByteArray &datagram, const std::string &localAddress);
    // Waits until `until` for one datagram.
    Datagram receive(Deadline until);

private:
    struct Socket;
    std::unique_ptr<Socket> d;
};
