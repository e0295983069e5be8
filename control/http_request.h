#pragma once

#include <QByteArray>
#include <QString>

// The parts of a device URL as the request needs them: "http://" + host
// [":" port] + target. Nothing is escaped; the target is cut at "#" and every
// character outside 7-bit ASCII becomes "?".
struct RequestUrl
{
    QByteArray host; // without the port
    quint16 port = 80;
    QByteArray hostHeader; // host, with ":port" when the URL names a port other than 80
    QByteArray target;
    QByteArray path; // target up to "?", for cookie matching
};

// Fails with a clear message when the text is no "http://" URL with a host, or
// when its host or target would carry a control character into the request.
RequestUrl parseRequestUrl(const QString &url);

// The exact request bytes.
QByteArray buildPostRequest(const RequestUrl &url, const QByteArray &cookieHeader);
QByteArray buildGetRequest(const RequestUrl &url, const QByteArray &cookieHeader);
