#pragma once

#include <QString>

// A message quotes at most this much of what a device sent: enough to
// recognise the text, never enough to make the message itself a burden.
constexpr qsizetype MaxQuotedChars = 200;

// Device text as a message quotes it: at most MaxQuotedChars characters, then
// "…". A cut never splits a surrogate pair.
QString quoted(const QString &text);
