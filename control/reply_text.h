#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text of a command reply: a byte-order mark picks UTF-8 or UTF-16 and is
// dropped; otherwise the host's 8-bit code page (the locale's charset).
QString decodeReplyText(const QByteArray &body);

// The host's 8-bit code page, without any byte-order mark handling.
QString decodeLocal8Bit(const QByteArray &bytes);

// Splits at CR, LF and CR LF; a NUL ends the text; a break at the very end adds
// no empty line and an empty text gives no line.
QStringList textLines(QString text);

// Line 0 of a reply body; fails with "List index out of bounds (0)" when the
// body has no line at all.
QString firstReplyLine(const QByteArray &body);
