#pragma once

#include "base/deadline.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <stop_token>
#include <string>
#include <vector>

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
    QString local; // the address of the adapter it came in on
};

// The search's UDP endpoint (`ud`): one IPv4 socket per adapter the search
// goes out of, SO_BROADCAST on, each bound to its adapter's address and
// sending its multicast out of that adapter. A socket stays open between
// searches while its address stays, so late replies to one search are read
// by the next; a new address (a DHCP renewal, another Wi-Fi, a resume) opens a
// new socket, an address gone closes its socket, and a failure closes it.
// One thread uses the endpoint at a time.
class SsdpEndpoint
{
public:
    static constexpr int BufferSize = 8192;

    SsdpEndpoint();
    ~SsdpEndpoint();
    SsdpEndpoint(const SsdpEndpoint &) = delete;
    SsdpEndpoint &operator=(const SsdpEndpoint &) = delete;

    // Sends the datagram to 239.255.255.250:1900 from each of the local
    // addresses (the wildcard address for one that is empty or no address),
    // opening and closing sockets to match them. Fails only when it went out
    // from none.
    void send(const QByteArray &datagram, const std::vector<std::string> &localAddresses);
    // Waits until `until` for one datagram on any of the sockets; a stop ends
    // the wait at once with Failure::cancelled().
    Datagram receive(Deadline until, std::stop_token stop = {});

private:
    struct Bound;
    struct State;
    std::unique_ptr<State> d;
};
