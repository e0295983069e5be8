#pragma once

#include <QByteArray>
#include <QString>

// What the program reads from a UPnP device description.
struct DescriptionFields
{
    QString friendlyName; // empty when the device has none
    QString urlBase;
};

// Real descriptions nest a handful of levels; a deeper one is refused, so no
// description can make the reader's work grow with its nesting.
constexpr int MaxDescriptionDepth = 64;

// Reads device/friendlyName and URLBase, direct children of the document
// element only, in one pass that keeps no document. Fails on malformed XML,
// nesting deeper than MaxDescriptionDepth, a missing `device`, a missing or
// empty `URLBase`, and element content other than one text or CDATA node.
DescriptionFields readDescription(const QByteArray &body);

// The renderer port as the device table stores it: URLBase with every "http://",
// the source address, ":" and "/" removed, in that order, letter case ignored.
QString portFromUrlBase(const QString &urlBase, const QString &sourceAddress);
