#include "discovery/description.h"
#include "base/failure.h"

namespace {

// A child matches by its name with or without prefix, case-sensitively, and
// must be in its parent's namespace (any, when the parent has none).
QDomElement firstChild(const QDomElement &parent, const QString &name)
{
    const QString parentNs = parent.namespaceURI();
    for (auto node = parent.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (!node.isElement())
            continue;
        const auto child = node.toElement();
        if (child.nodeName() != name && child.localName() != name && child.tagName() != name)
            continue;
        if (!parentNs.isEmpty() && parentNs.compare(child.namespaceURI(), Qt::CaseInsensitive) != 0)
            continue;
        return child;
    }
    return {};
}

// Blanks, tabs and line breaks around the text are dropped: pretty-printed
// descriptions put them there, and they must never reach a request.
QString trimmedText(const QString &text)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    qsizetype start = 0, end = text.size();
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

QString elementText(const QDomElement &element)
{
    const auto children = element.childNodes();
    if (children.isEmpty())
        return {};
    if (children.size() == 1 && (children.at(0).isText() || children.at(0).isCDATASection()))
        return trimmedText(children.at(0).nodeValue());
    throw Failure(
        QStringLiteral("The element '%1' of the device description holds more than one text.").arg(element.tagName()));
}

} // namespace

DescriptionFields readDescription(const QByteArray &body, QDomDocument &document)
{
    QString error;
    int line = 0, column = 0;
    document = QDomDocument();
    if (!document.setContent(body, true, &error, &line, &column))
        throw Failure(QStringLiteral("The device description is not valid XML: %1 (line %2, column %3)")
                          .arg(error)
                          .arg(line)
                          .arg(column));
    const auto root = document.documentElement();
    const auto device = firstChild(root, QStringLiteral("device"));
    if (device.isNull())
        throw Failure(QStringLiteral("The device description has no 'device' element."));
    DescriptionFields fields;
    const auto name = firstChild(device, QStringLiteral("friendlyName"));
    if (!name.isNull())
        fields.friendlyName = elementText(name);
    const auto urlBase = firstChild(root, QStringLiteral("URLBase"));
    if (urlBase.isNull())
        throw Failure(QStringLiteral("The device description has no 'URLBase' element."));
    fields.urlBase = elementText(urlBase);
    if (fields.urlBase.isEmpty())
        throw Failure(QStringLiteral("The device description's 'URLBase' is empty."));
    return fields;
}

QString portFromUrlBase(const QString &urlBase, const QString &sourceAddress)
{
    QString port = urlBase;
    port.remove(QStringLiteral("http://"), Qt::CaseInsensitive);
    if (!sourceAddress.isEmpty())
        port.remove(sourceAddress, Qt::CaseInsensitive);
    port.remove(u':');
    port.remove(u'/');
    return port;
}
