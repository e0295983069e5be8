#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text from a device: a leading byte-order mark picks UTF-8 or UTF-16 and is
// dropped; otherwise UTF-8 when the bytes are valid UTF-8, and the system's
// 8-bit code page when they are not. No byte is ever dropped: what cannot be
// decoded shows as U+FFFD.
QString decodeDeviceText(const QByteArray &bytes);

// Splits at CR, LF and CR LF; a NUL ends the text; a break at the very end adds
// no empty line and an empty text gives no line. With `maxLines` set, stops
// after that many lines.
QStringList textLines(QString text, qsizetype maxLines = -1);

// Line 0 of a reply body; fails with "List index out of bounds (0)" when the
// body has no line at all.
QString firstReplyLine(const QByteArray &body);
