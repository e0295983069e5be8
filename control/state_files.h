#pragma once

#include <QByteArray>
#include <QStringList>

// "desc.txt" and "url.txt": device text (UTF-8 as the boxes write it), split
// into lines as a reply is; at most `maxLines` when that is set.
QStringList fileLines(const QByteArray &body, qsizetype maxLines = -1);

// "vol", "dvol", "orvex_index", "dlna_index": the whole body is one integer:
// leading spaces, an optional sign, decimal digits or hexadecimal after "$",
// "x" or "0x", nothing after, within 32 bits. Anything else fails with
// "'<body>' is not a valid integer value".
int oneInteger(const QByteArray &body);
