#include "discovery/description.h"
#include "base/failure.h"
#include "base/text_rules.h"

#include <QList>
#include <QXmlStreamReader>

#include <optional>

namespace {

// Blanks, tabs and line breaks around the text are dropped: pretty-printed
// descriptions put them there, and they must never reach a request.
QString trimmedText(const QString &text)
{
    return trimmedOf(QStringView(text), QStringView(u" \t\r\n")).toString();
}

// The namespace declarations of the open elements, innermost last. The reader
// runs without namespace processing, so prefixes are resolved here, and only
// as deep as the nesting limit allows.
class Scopes
{
public:
    void open(const QXmlStreamAttributes &attributes)
    {
        QList<std::pair<QString, QString>> declared;
        for (const auto &attribute : attributes) {
            const auto name = attribute.qualifiedName();
            if (name == u"xmlns")
                declared.append({ QString(), attribute.value().toString() });
            else if (name.startsWith(u"xmlns:"))
                declared.append({ name.mid(6).toString(), attribute.value().toString() });
        }
        m_scopes.append(declared);
    }
    void close() { m_scopes.removeLast(); }

    QString namespaceOf(QStringView qualifiedName) const
    {
        const auto colon = qualifiedName.indexOf(u':');
        const QStringView prefix = colon < 0 ? QStringView() : qualifiedName.left(colon);
        for (auto scope = m_scopes.crbegin(); scope != m_scopes.crend(); ++scope) {
            for (const auto &[declaredPrefix, uri] : *scope) {
                if (declaredPrefix == prefix)
                    return uri;
            }
        }
        return {};
    }

private:
    QList<QList<std::pair<QString, QString>>> m_scopes;
};

// A child matches by its name with or without prefix, case-sensitively, and
// must be in its parent's namespace (any, when the parent has none).
bool matches(QStringView qualifiedName, const QString &childNs, const QString &parentNs, QStringView wanted)
{
    const auto colon = qualifiedName.indexOf(u':');
    if (qualifiedName != wanted && (colon < 0 || qualifiedName.mid(colon + 1) != wanted))
        return false;
    return parentNs.isEmpty() || parentNs.compare(childNs, Qt::CaseInsensitive) == 0;
}

// The text of one element, read node by node: empty without content, the one
// text or CDATA node when that is all there is, a failure for anything else.
struct ElementText
{
    QString name;
    QString text;
    int nodes = 0;
    bool onlyText = true;
    bool lastWasText = false; // adjacent text pieces are one node

    void characters(const QXmlStreamReader &reader)
    {
        if (reader.isWhitespace() && !reader.isCDATA())
            return;
        if (reader.isCDATA() || !lastWasText)
            ++nodes;
        lastWasText = !reader.isCDATA();
        text += reader.text();
    }
    void otherNode()
    {
        ++nodes;
        onlyText = false;
        lastWasText = false;
    }
    QString value() const
    {
        if (nodes == 0)
            return {};
        if (nodes == 1 && onlyText)
            return trimmedText(text);
        throw Failure(Failure::tr("The element '%1' of the device description holds more than one text.").arg(name));
    }
};

} // namespace

DescriptionFields readDescription(const QByteArray &body)
{
    QXmlStreamReader reader(body);
    reader.setNamespaceProcessing(false);
    Scopes scopes;
    int depth = 0; // the document element is at depth 1
    QString rootNs;
    QString deviceNs;
    bool deviceFound = false;
    bool inDevice = false; // inside the first `device`
    std::optional<ElementText> name, urlBase;
    ElementText *reading = nullptr; // the element whose text is being read
    int readingDepth = 0;

    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (++depth > MaxDescriptionDepth)
                throw Failure(Failure::tr("The device description nests its elements deeper than %1 levels.")
                                  .arg(MaxDescriptionDepth));
            scopes.open(reader.attributes());
            const QStringView qname = reader.qualifiedName();
            if (reading) {
                if (depth == readingDepth + 1)
                    reading->otherNode();
                break;
            }
            const QString ns = scopes.namespaceOf(qname);
            if (depth == 1) {
                rootNs = ns;
            } else if (depth == 2 && !deviceFound && matches(qname, ns, rootNs, u"device")) {
                deviceFound = inDevice = true;
                deviceNs = ns;
            } else if (depth == 2 && !urlBase && matches(qname, ns, rootNs, u"URLBase")) {
                urlBase.emplace().name = QStringLiteral("URLBase");
                reading = &*urlBase;
                readingDepth = depth;
            } else if (depth == 3 && inDevice && !name && matches(qname, ns, deviceNs, u"friendlyName")) {
                name.emplace().name = QStringLiteral("friendlyName");
                reading = &*name;
                readingDepth = depth;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (reading && depth == readingDepth)
                reading = nullptr;
            if (depth == 2)
                inDevice = false;
            scopes.close();
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (reading && depth == readingDepth)
                reading->characters(reader);
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::EntityReference:
            if (reading && depth == readingDepth)
                reading->otherNode();
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        throw Failure(Failure::tr("The device description is not valid XML: %1 (line %2, column %3)")
                          .arg(reader.errorString())
                          .arg(reader.lineNumber())
                          .arg(reader.columnNumber()));
    if (!deviceFound)
        throw Failure(Failure::tr("The device description has no 'device' element."));
    DescriptionFields fields;
    if (name)
        fields.friendlyName = name->value();
    if (!urlBase)
        throw Failure(Failure::tr("The device description has no 'URLBase' element."));
    fields.urlBase = urlBase->value();
    if (fields.urlBase.isEmpty())
        throw Failure(Failure::tr("The device description's 'URLBase' is empty."));
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
