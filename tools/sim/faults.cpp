#include "faults.h"

#include <QJsonArray>

#include <algorithm>

namespace {

QByteArray reason(int status)
{
    switch (status) {
    case 100:
        return "Continue";
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

} // namespace

QJsonObject faultFor(const QJsonObject &faults, const QByteArray &path, const QByteArray &query, bool renderer,
    const QJsonObject &description)
{
    const QByteArray full = query.isEmpty() ? path : path + '?' + query;
    QJsonObject best;
    qsizetype bestLength = -1;
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        const QByteArray key = it.key().toLatin1();
        const bool matches
            = key == "*" || full == key || full.startsWith(key + (key.contains('?') ? "" : "?")) || path == key;
        if (matches && key.size() > bestLength && (renderer == (key == "/description.xml") || key == "*")) {
            best = it.value().toObject();
            bestLength = key.size();
        }
    }
    if (renderer) {
        for (auto it = description.begin(); it != description.end(); ++it)
            best.insert(it.key(), it.value());
    }
    return best;
}

Delivery deliver(HttpAnswer answer, const QJsonObject &fault, bool keepAlive)
{
    Delivery out;
    out.delayMs = fault.value(QStringLiteral("delayMs")).toInt(0);
    out.dripMs = fault.value(QStringLiteral("dripMs")).toInt(0);
    out.repeat = QByteArray::fromHex(fault.value(QStringLiteral("repeatHex")).toString().toLatin1());
    if (fault.contains(QStringLiteral("rawHex"))) {
        out.bytes = QByteArray::fromHex(fault.value(QStringLiteral("rawHex")).toString().toLatin1());
        out.close = true;
        return out;
    }

    if (fault.contains(QStringLiteral("status")))
        answer.status = fault.value(QStringLiteral("status")).toInt();
    if (fault.contains(QStringLiteral("contentType")))
        answer.contentType = fault.value(QStringLiteral("contentType")).toString().toLatin1();
    if (fault.contains(QStringLiteral("body")))
        answer.body = fault.value(QStringLiteral("body")).toString().toUtf8();
    if (fault.contains(QStringLiteral("bodyHex")))
        answer.body = QByteArray::fromHex(fault.value(QStringLiteral("bodyHex")).toString().toLatin1());
    if (fault.value(QStringLiteral("emptyBody")).toBool())
        answer.body.clear();
    if (fault.value(QStringLiteral("bom")).toBool())
        answer.body.prepend("\xEF\xBB\xBF");
    if (fault.value(QStringLiteral("leadingBreak")).toBool())
        answer.body.prepend("\r\n");
    if (fault.contains(QStringLiteral("hugeBodyBytes")))
        answer.body = QByteArray(fault.value(QStringLiteral("hugeBodyBytes")).toInt(), 'A');
    if (fault.contains(QStringLiteral("location")))
        answer.headers << "Location: " + fault.value(QStringLiteral("location")).toString().toLatin1();
    for (const auto &cookie : fault.value(QStringLiteral("setCookie")).toArray())
        answer.headers << "Set-Cookie: " + cookie.toString().toLatin1();

    const QByteArray eol = fault.value(QStringLiteral("bareLf")).toBool() ? "\n" : "\r\n";
    const bool chunked
        = fault.value(QStringLiteral("chunked")).toBool() || fault.value(QStringLiteral("closeInChunked")).toBool();
    for (int i = 0; i < fault.value(QStringLiteral("interim")).toInt(0); ++i)
        out.bytes += "HTTP/1.1 100 Continue" + eol + eol;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status);
    if (!fault.value(QStringLiteral("noReason")).toBool())
        head += ' ' + reason(answer.status);
    head += eol + "Server: OrvexSim/1.0" + eol + "Content-Type: " + answer.contentType + eol;
    for (const auto &h : answer.headers)
        head += h + eol;
    const QByteArray connection = keepAlive ? "Connection: keep-alive" : "Connection: close";
    const QByteArray &body = answer.body;
    if (chunked) {
        head += "Transfer-Encoding: chunked" + eol + connection + eol + eol;
        QByteArray reply = head;
        const qsizetype half = body.size() / 2;
        for (const auto &part : { body.left(half), body.mid(half) }) {
            if (!part.isEmpty())
                reply += QByteArray::number(part.size(), 16) + eol + part + eol;
        }
        if (fault.value(QStringLiteral("closeInChunked")).toBool())
            reply.chop(body.size() - half + eol.size()); // stop inside the second chunk
        else
            reply += "0" + eol + eol;
        out.bytes += reply;
    } else {
        qsizetype announced = body.size();
        if (fault.value(QStringLiteral("shortBody")).toBool())
            announced += 100; // promise more than comes, then close
        head += "Content-Length: " + QByteArray::number(announced) + eol + connection + eol + eol;
        out.bytes += head + body;
        if (fault.contains(QStringLiteral("resetAfterBytes"))) {
            out.bytes.chop(
                body.size() - std::min<qsizetype>(body.size(), fault.value(QStringLiteral("resetAfterBytes")).toInt()));
            out.reset = true;
        }
    }
    // A dripped reply takes longer than any idle time: the connection ends with it.
    out.close = !keepAlive || out.dripMs > 0 || fault.value(QStringLiteral("closeInChunked")).toBool()
        || fault.value(QStringLiteral("shortBody")).toBool() || fault.value(QStringLiteral("close")).toBool()
        || out.reset;
    return out;
}
