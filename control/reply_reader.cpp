#include "control/reply_reader.h"
#include "base/failure.h"
#include "base/text_rules.h"

#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace http = boost::beast::http;

namespace {

Failure closedGracefully()
{
    return Failure(Failure::tr("Connection Closed Gracefully."));
}

Failure invalidReply(const QString &what)
{
    return Failure(Failure::tr("Invalid HTTP reply: %1").arg(what));
}

std::size_t saturatingAdd(std::size_t a, std::size_t b)
{
    return a > SIZE_MAX - b ? SIZE_MAX : a + b;
}

std::size_t saturatingMul(std::size_t a, std::size_t b)
{
    return b != 0 && a > SIZE_MAX / b ? SIZE_MAX : a * b;
}

QString sizeText(std::size_t bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

std::string_view withoutCarriageReturn(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool isTokenChar(char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isValueChar(char c)
{
    return c == '\t' || !isAsciiControl(static_cast<unsigned char>(c));
}

std::string_view trimBlanks(std::string_view s)
{
    return trimmedOf(s, std::string_view(" \t"));
}

bool iequals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

struct StatusLine
{
    unsigned status = 0;
    std::string strict; // "HTTP/x.y NNN reason" for the parser
};

// "HTTP/" digit "." digit, blanks, three digits, then an optional reason phrase.
std::optional<StatusLine> readStatusLine(std::string_view line)
{
    if (line.size() < 12 || line.substr(0, 5) != "HTTP/" || !std::isdigit(uchar(line[5])) || line[6] != '.'
        || !std::isdigit(uchar(line[7])) || (line[8] != ' ' && line[8] != '\t'))
        return std::nullopt;
    std::string_view rest = trimBlanks(line.substr(9));
    if (rest.size() < 3 || !std::isdigit(uchar(rest[0])) || !std::isdigit(uchar(rest[1]))
        || !std::isdigit(uchar(rest[2])) || (rest.size() > 3 && rest[3] != ' ' && rest[3] != '\t'))
        return std::nullopt;
    const std::string_view reason = trimBlanks(rest.substr(3));
    if (!std::all_of(reason.begin(), reason.end(), isValueChar))
        return std::nullopt;
    StatusLine result;
    result.status = unsigned((rest[0] - '0') * 100 + (rest[1] - '0') * 10 + (rest[2] - '0'));
    result.strict = std::string(line.substr(0, 8)) + ' ' + std::string(rest.substr(0, 3)) + ' ' + std::string(reason);
    return result;
}

// Where a head ends: after the first empty line, whatever the line ends are.
// Returns the length of the head with its empty line, or npos.
std::size_t headEnd(std::string_view bytes, std::size_t from)
{
    for (std::size_t i = bytes.find('\n', from); i != std::string_view::npos; i = bytes.find('\n', i + 1)) {
        std::size_t next = i + 1;
        if (next < bytes.size() && bytes[next] == '\r')
            ++next;
        if (next < bytes.size() && bytes[next] == '\n')
            return next + 1;
    }
    return std::string_view::npos;
}

} // namespace

struct ReplyReader::State
{
    enum class Phase { Head, Body, ChunkLine, ChunkData, ChunkDataEnd, Trailer, Done };

    bool http10;
    ReplyLimits limits;
    Phase phase = Phase::Head;
    std::string pending; // a head, chunk line or trailer line not complete yet
    std::size_t total = 0;
    int interim = 0;
    HttpReply reply;
    bool untilClose = false;
    std::uint64_t left = 0; // body or chunk bytes still to come
    std::size_t trailer = 0;
    bool keepAliveAsked = false;
    bool closeAsked = false;
    bool extraBytes = false;

    Failure tooLarge() const
    {
        return Failure(
            Failure::tr("The reply is larger than %1.").arg(sizeText(limits.maxBody)), Failure::Kind::TooLarge);
    }

    void readHead(std::string_view head);
    void startBody(const http::response_parser<http::empty_body> &parser);
    void appendBody(std::string_view bytes);
    bool lineInto(std::string_view &bytes, std::size_t limit, const QString &tooLong);
    void step(std::string_view &bytes);
    void finish();
};

// Puts the head into strict form (CR LF line ends, a reason phrase, only
// well-formed header lines, no Content-Length beside chunked) and lets Beast
// read it.
void ReplyReader::State::readHead(std::string_view head)
{
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < head.size();) {
        const std::size_t end = head.find('\n', start);
        lines.push_back(withoutCarriageReturn(head.substr(start, end - start)));
        start = end == std::string_view::npos ? head.size() : end + 1;
    }
    const auto status = readStatusLine(lines.empty() ? std::string_view() : lines.front());
    if (!status)
        throw invalidReply(Failure::tr("bad status line"));

    std::string strict = status->strict + "\r\n";
    bool chunked = false;
    std::vector<std::string_view> fields;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = trimBlanks(line.substr(colon + 1));
        if (!std::all_of(name.begin(), name.end(), isTokenChar)
            || !std::all_of(value.begin(), value.end(), isValueChar))
            continue;
        if (iequals(name, "Transfer-Encoding") && value.find("chunked") != std::string_view::npos)
            chunked = true;
        fields.push_back(line);
    }
    for (const std::string_view line : fields) {
        const std::string_view name = line.substr(0, line.find(':'));
        if (chunked && iequals(name, "Content-Length"))
            continue;
        strict.append(name).append(": ").append(trimBlanks(line.substr(name.size() + 1))).append("\r\n");
    }
    strict += "\r\n";

    http::response_parser<http::empty_body> parser;
    parser.header_limit(std::uint32_t(std::min<std::size_t>(saturatingMul(limits.maxHead, 2), UINT32_MAX)));
    parser.body_limit(boost::none); // the body is read and bounded here
    boost::system::error_code ec;
    try {
        parser.put(boost::asio::buffer(strict), ec);
    } catch (const std::exception &e) {
        throw invalidReply(QString::fromLocal8Bit(e.what()));
    }
    if (ec && ec != http::error::need_more)
        throw invalidReply(QString::fromStdString(ec.message()));
    if (!parser.is_header_done())
        throw invalidReply(Failure::tr("incomplete head"));

    reply = HttpReply();
    reply.status = status->status;
    reply.statusLine = QByteArray(lines.front().data(), qsizetype(lines.front().size()));
    if (reply.status == 100) {
        if (++interim > limits.maxInterim)
            throw invalidReply(Failure::tr("more than %1 interim replies").arg(limits.maxInterim));
        return; // the real reply follows
    }
    for (const auto &field : parser.get()) {
        if (iequals(field.name_string(), "Set-Cookie"))
            reply.setCookies.append(QByteArray(field.value().data(), qsizetype(field.value().size())));
    }
    const auto connection = parser.get()[http::field::connection];
    keepAliveAsked = iequals(connection, "keep-alive");
    closeAsked = iequals(connection, "close");
    startBody(parser);
}

void ReplyReader::State::startBody(const http::response_parser<http::empty_body> &parser)
{
    const unsigned s = reply.status;
    if ((s >= 100 && s < 200) || s == 204 || s == 304) {
        phase = Phase::Done;
    } else if (parser.chunked()) {
        phase = Phase::ChunkLine;
    } else if (const auto length = parser.content_length()) {
        if (*length > limits.maxBody)
            throw tooLarge();
        left = *length;
        phase = left == 0 ? Phase::Done : Phase::Body;
    } else {
        untilClose = true;
        phase = Phase::Body;
    }
}

void ReplyReader::State::appendBody(std::string_view bytes)
{
    if (std::size_t(reply.body.size()) + bytes.size() > limits.maxBody)
        throw tooLarge();
    reply.body.append(bytes.data(), qsizetype(bytes.size()));
}

// Moves the bytes of one line (up to and with its LF) into `pending`; true
// once the line is complete. A line longer than `limit` fails.
bool ReplyReader::State::lineInto(std::string_view &bytes, std::size_t limit, const QString &tooLong)
{
    const std::size_t lf = bytes.find('\n');
    const std::size_t take = lf == std::string_view::npos ? bytes.size() : lf + 1;
    if (saturatingAdd(pending.size(), take) > saturatingAdd(limit, 2))
        throw Failure(tooLong);
    pending.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    return lf != std::string_view::npos;
}

void ReplyReader::State::step(std::string_view &bytes)
{
    switch (phase) {
    case Phase::Head: {
        // Stray line breaks before a status line are skipped, as browsers do.
        while (pending.empty() && !bytes.empty() && (bytes.front() == '\r' || bytes.front() == '\n'))
            bytes.remove_prefix(1);
        const std::size_t before = pending.size();
        pending.append(bytes.substr(0, saturatingAdd(limits.maxHead, 1) - before));
        const std::size_t end = headEnd(pending, before > 2 ? before - 2 : 0);
        if (end == std::string::npos || end > limits.maxHead) {
            if (pending.size() > limits.maxHead)
                throw Failure(Failure::tr("The reply's header block is larger than %1.").arg(sizeText(limits.maxHead)));
            bytes.remove_prefix(pending.size() - before);
            return;
        }
        bytes.remove_prefix(end - before);
        const std::string head = std::move(pending);
        pending.clear();
        readHead(std::string_view(head).substr(0, end));
        return;
    }
    case Phase::Body: {
        const std::size_t take = untilClose ? bytes.size() : std::size_t(std::min<std::uint64_t>(left, bytes.size()));
        appendBody(bytes.substr(0, take));
        bytes.remove_prefix(take);
        left -= untilClose ? 0 : take;
        if (!untilClose && left == 0)
            phase = Phase::Done;
        return;
    }
    case Phase::ChunkLine: {
        if (!lineInto(bytes, limits.maxChunkLine,
                Failure::tr("The reply's chunk line is longer than %1.").arg(sizeText(limits.maxChunkLine))))
            return;
        // The size in hex; extensions after it are ignored. Leading zeros
        // add nothing to it.
        std::uint64_t size = 0;
        std::size_t digits = 0;
        for (const char c :
            trimBlanks(withoutCarriageReturn(std::string_view(pending).substr(0, pending.size() - 1)))) {
            const int v = hexValue(c);
            if (v < 0)
                break;
            ++digits;
            if (size > (UINT64_MAX >> 4))
                throw tooLarge();
            size = size * 16 + std::uint64_t(v);
        }
        pending.clear();
        if (digits == 0)
            throw invalidReply(Failure::tr("bad chunk size"));
        if (size > limits.maxBody - std::size_t(reply.body.size()))
            throw tooLarge();
        left = size;
        phase = size == 0 ? Phase::Trailer : Phase::ChunkData;
        return;
    }
    case Phase::ChunkData: {
        const std::size_t take = std::size_t(std::min<std::uint64_t>(left, bytes.size()));
        appendBody(bytes.substr(0, take));
        bytes.remove_prefix(take);
        left -= take;
        if (left == 0)
            phase = Phase::ChunkDataEnd;
        return;
    }
    case Phase::ChunkDataEnd:
        if (!lineInto(bytes, 0, Failure::tr("Invalid HTTP reply: bad chunk")))
            return;
        if (withoutCarriageReturn(std::string_view(pending).substr(0, pending.size() - 1)).size() != 0)
            throw invalidReply(Failure::tr("bad chunk"));
        pending.clear();
        phase = Phase::ChunkLine;
        return;
    case Phase::Trailer: {
        const QString tooLong = Failure::tr("The reply's trailer is larger than %1.").arg(sizeText(limits.maxHead));
        if (!lineInto(bytes, trailer < limits.maxHead ? limits.maxHead - trailer : 0, tooLong))
            return;
        trailer += pending.size();
        const bool last = withoutCarriageReturn(std::string_view(pending).substr(0, pending.size() - 1)).empty();
        pending.clear();
        if (last)
            phase = Phase::Done;
        return;
    }
    case Phase::Done:
        // Bytes after the reply belong to no request of ours: the connection
        // cannot be trusted to carry the next reply.
        extraBytes = extraBytes || !bytes.empty();
        bytes = {};
        return;
    }
}

void ReplyReader::State::finish()
{
    reply.keepAlive = !extraBytes && (http10 ? keepAliveAsked : !closeAsked);
    pending = std::string();
}

std::size_t ReplyLimits::maxTotal() const
{
    return saturatingAdd(maxBody, saturatingMul(2 * (std::size_t(std::max(maxInterim, 0)) + 2), maxHead));
}

ReplyReader::ReplyReader(bool requestWasHttp10, const ReplyLimits &limits)
    : d(std::make_unique<State>())
{
    d->http10 = requestWasHttp10;
    d->limits = limits;
}

ReplyReader::~ReplyReader() = default;

bool ReplyReader::feed(std::string_view bytes)
{
    d->total += bytes.size();
    if (d->total > d->limits.maxTotal())
        throw d->tooLarge();
    while (!bytes.empty())
        d->step(bytes);
    if (d->phase == State::Phase::Done)
        d->finish();
    return d->phase == State::Phase::Done;
}

void ReplyReader::closed()
{
    using Phase = State::Phase;
    switch (d->phase) {
    case Phase::Done:
        break;
    case Phase::Head: {
        // Closed inside the head: a whole status line still counts, with no body.
        const std::size_t lf = d->pending.find('\n');
        const auto status = lf == std::string::npos
            ? std::nullopt
            : readStatusLine(withoutCarriageReturn(std::string_view(d->pending).substr(0, lf)));
        if (!status)
            throw closedGracefully();
        d->reply = HttpReply();
        d->reply.status = status->status;
        d->reply.statusLine = QByteArray(
            d->pending.data(), qsizetype(withoutCarriageReturn(std::string_view(d->pending).substr(0, lf)).size()));
        break;
    }
    case Phase::Body:
        // Only a body that the close itself delimits ends here.
        if (d->untilClose)
            break;
        [[fallthrough]];
    case Phase::ChunkLine:
    case Phase::ChunkData:
    case Phase::ChunkDataEnd:
        // A body cut short of its announced length or of its last chunk is
        // no reply: taking what came would write a wrong value back to the
        // box. Any other status fails with its status line anyway.
        if (d->reply.status >= 200 && d->reply.status < 300)
            throw closedGracefully();
        break;
    case Phase::Trailer:
        break; // the body itself is complete
    }
    d->phase = Phase::Done;
    d->finish();
    d->reply.keepAlive = false;
}

const QList<QByteArray> &ReplyReader::setCookies() const
{
    return d->reply.setCookies;
}

HttpReply ReplyReader::take()
{
    return std::move(d->reply);
}

HttpReply ReplyReader::parse(const QByteArray &bytes, bool requestWasHttp10, const ReplyLimits &limits)
{
    ReplyReader reader(requestWasHttp10, limits);
    if (!reader.feed(std::string_view(bytes.constData(), std::size_t(bytes.size()))))
        reader.closed();
    return reader.take();
}
