#pragma once

// Fault injection for the simulated boxes' HTTP side: which switches apply to
// a request, and the reply bytes and their delivery with those switches on.
//
// Switches (keyed by path, path and the start of the query, or "*"):
//   status, body, bodyHex, contentType, emptyBody, hugeBodyBytes, bom, leadingBreak,
//   location, setCookie, chunked, closeInChunked, shortBody, close,
//   closeBeforeStatus, noReply, delayMs,
//   dripMs      send the reply one byte every so many ms
//   noReason    a status line without its reason phrase ("HTTP/1.1 404")
//   bareLf      LF alone ends every line of the head and of the chunk framing
//   interim     so many "HTTP/1.1 100 Continue" replies first
//   rawHex      exactly these reply bytes instead of a built reply
//   repeatHex   after the reply bytes (rawHex or built), these bytes again
//               and again for as long as the peer reads
//   resetAfterBytes  send the head and this many bytes of the body, then
//               reset the connection

#include <QByteArray>
#include <QJsonObject>
#include <QList>

// What the box's application answers before any fault.
struct HttpAnswer
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/plain; charset=utf-8";
    QList<QByteArray> headers;
};

// The bytes that go out and how.
struct Delivery
{
    QByteArray bytes;
    int delayMs = 0;
    int dripMs = 0; // 0: all at once
    QByteArray repeat; // sent after the bytes for ever
    bool close = false; // close once the bytes are out
    bool reset = false; // reset the connection once the bytes are out
};

// The switches for a request: the longest matching key of `faults`; for the
// renderer's description also everything in `description`.
QJsonObject faultFor(const QJsonObject &faults, const QByteArray &path, const QByteArray &query, bool renderer,
    const QJsonObject &description);

// The reply with the switches applied. "noReply" and "closeBeforeStatus" are
// the caller's: they decide before the application answers at all.
Delivery deliver(HttpAnswer answer, const QJsonObject &fault, bool keepAlive);
