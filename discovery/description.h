#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QString>

// What the program reads from a UPnP device description.
struct DescriptionFields
{
    QString friendlyName; // empty when the device has none
    QString urlBase;
};

// Parses the description into `document` (namespace processing on) and reads
// device/friendlyName and URLBase, direct children of the document element
// only. Fails on malformed XML, a missing `device`, a missing or empty
// `URLBase`, and element content other than one text or CDATA node.
DescriptionFields readDescription(const QByteArray &body, QDomDocument &document);

// The renderer port as the device table stores it: URLBase with every "http://",
// the source address, ":" and "/" removed, in that order, letter case ignored.
QString portFromUrlBase(const QString &urlBase, const QString &sourceAddress);
