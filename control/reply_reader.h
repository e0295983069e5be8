#pragma once

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <memory>
#include <string_view>

// One reply as read from the wire.
struct HttpReply
{
    unsigned status = 0;
    QByteArray statusLine; // as received, without its line end
    QByteArray body;
    bool keepAlive = false; // the connection may carry the next request
    QList<QByteArray> setCookies;
};

// Bounds that keep a broken or hostile device from filling memory. Every byte
// read for one exchange counts against them, framing included.
struct ReplyLimits
{
    // A status line with its headers, or a chunked body's trailer: real ones are
    // a few hundred bytes.
    std::size_t maxHead = 64 * 1024;
    // The body; the state files and station lists are a few KiB.
    std::size_t maxBody = 16 * 1024 * 1024;
    // A chunk-size line with its extensions: a few hex digits in practice.
    std::size_t maxChunkLine = 4 * 1024;
    // "100 Continue" replies before the real one: a device sends one at most.
    int maxInterim = 8;

    // Everything read for one exchange: the body plus room for its framing,
    // the interim replies and the trailer. Saturates instead of wrapping, so
    // no choice of limits turns it into a small number.
    std::size_t maxTotal() const;
};

// Reads one HTTP reply from the bytes of a connection, fed as they arrive.
// Tolerant as browsers are: a status line without a reason phrase, bare LF line
// ends, header lines without a colon (ignored), LF-only chunk lines, and
// chunked together with Content-Length (chunked wins). Boost.Beast parses the
// head once it has been put into strict form; the body's framing is read here.
// Fails with a Failure on a broken reply or one that breaks a limit.
class ReplyReader
{
public:
    explicit ReplyReader(bool requestWasHttp10, const ReplyLimits &limits = {});
    ~ReplyReader();
    ReplyReader(const ReplyReader &) = delete;
    ReplyReader &operator=(const ReplyReader &) = delete;

    // Takes the next bytes of the connection; true once the reply is complete.
    bool feed(std::string_view bytes);
    // The device closed the connection: completes a reply that may end there,
    // or fails.
    void closed();

    // The Set-Cookie values of the final reply's head, once it has been read;
    // kept even when the body then fails.
    const QList<QByteArray> &setCookies() const;
    // The complete reply.
    HttpReply take();

    // A whole reply in one buffer, for tests and the fuzzer.
    static HttpReply parse(const QByteArray &bytes, bool requestWasHttp10 = false, const ReplyLimits &limits = {});

private:
    struct State;
    std::unique_ptr<State> d;
};
