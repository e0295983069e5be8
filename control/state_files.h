#pragma once

#include <QByteArray>
#include <QStringList>

// "desc.txt" and "url.txt": UTF-8 with a leading byte-order mark skipped,
// invalid bytes as U+FFFD, then split into lines as a reply is.
QStringList utf8Lines(const QByteArray &body);

// "vol", "dvol", "orvex_index", "dlna_index": the whole body is one integer:
// leading spaces, an optional sign, decimal digits or hexadecimal after "$",
// "x" or "0x", nothing after, within 32 bits. Anything else fails with
// "'<body>' is not a valid integer value".
int oneInteger(const QByteArray &body);
