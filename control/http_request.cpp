#include "control/http_request.h"
#include "base/device_text.h"
#include "base/failure.h"
#include "base/text_rules.h"

#include <algorithm>

namespace {

const QByteArray AcceptValue = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
const QByteArray UserAgentValue = "Mozilla/3.0 (compatible; Indy Library)";

QByteArray ascii7(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text)
        bytes.append(c.unicode() < 0x80 ? char(c.unicode()) : '?');
    return bytes;
}

bool isControl(char c)
{
    return isAsciiControl(uchar(c));
}

bool hasControlCharacter(const QByteArray &bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), isControl);
}

QByteArray printable(QByteArray bytes)
{
    std::replace_if(bytes.begin(), bytes.end(), isControl, '?');
    return bytes;
}

// The header lines both clients send, after the request line, and the empty line.
QByteArray commonHeaders(const RequestUrl &url, const QByteArray &cookieHeader)
{
    QByteArray r = "Host: " + url.hostHeader
        + "\r\n"
          "Accept: "
        + AcceptValue
        + "\r\n"
          "Accept-Encoding: identity\r\n"
          "User-Agent: "
        + UserAgentValue + "\r\n";
    if (!cookieHeader.isEmpty())
        r += "Cookie: " + cookieHeader + "\r\n";
    return r + "\r\n";
}

} // namespace

RequestUrl parseRequestUrl(const QString &url)
{
    static const QString scheme = QStringLiteral("http://");
    if (!url.startsWith(scheme, Qt::CaseInsensitive))
        throw Failure(Failure::tr("Invalid URL: '%1'").arg(quoted(url)));
    const QString rest = url.mid(scheme.size());
    const auto slash = rest.indexOf(u'/');
    const QString hostPart = slash < 0 ? rest : rest.left(slash);
    QString target = slash < 0 ? QStringLiteral("/") : rest.mid(slash);
    const auto hash = target.indexOf(u'#');
    if (hash >= 0)
        target.truncate(hash);

    RequestUrl result;
    const auto colon = hostPart.indexOf(u':');
    result.host = ascii7(colon < 0 ? hostPart : hostPart.left(colon));
    if (result.host.isEmpty())
        throw Failure(Failure::tr("Invalid URL: '%1'").arg(quoted(url)));
    if (colon >= 0) {
        bool ok = false;
        const uint port = hostPart.mid(colon + 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            throw Failure(Failure::tr("Invalid port in URL: '%1'").arg(quoted(url)));
        result.port = quint16(port);
    }
    result.hostHeader = result.port == 80 ? result.host : result.host + ':' + QByteArray::number(result.port);
    result.target = ascii7(target);
    // A line break from the network must never split the request into lines of
    // its own, so such a request is not sent at all.
    if (hasControlCharacter(result.host) || hasControlCharacter(result.target))
        throw Failure(Failure::tr("The request to %1 was not sent: its address holds a control character")
                          .arg(quoted(QString::fromLatin1(printable(result.host)))));
    const auto query = result.target.indexOf('?');
    result.path = query < 0 ? result.target : result.target.left(query);
    return result;
}

QByteArray buildPostRequest(const RequestUrl &url, const QByteArray &cookieHeader)
{
    return "POST " + url.target
        + " HTTP/1.0\r\n"
          "Connection: keep-alive\r\n"
          "Content-Type: application/x-www-form-urlencoded\r\n"
          "Content-Length: 0\r\n"
        + commonHeaders(url, cookieHeader);
}

QByteArray buildGetRequest(const RequestUrl &url, const QByteArray &cookieHeader)
{
    return "GET " + url.target + " HTTP/1.1\r\n" + commonHeaders(url, cookieHeader);
}
