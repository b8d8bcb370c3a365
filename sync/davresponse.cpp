#include "sync/davresponse.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

using namespace Qt::StringLiterals;

namespace caldav {

namespace {

bool Is(const QXmlStreamReader &reader, QLatin1String ns, QLatin1String name)
{
    return reader.namespaceUri() == ns && reader.name() == name;
}

// "HTTP/1.1 200 OK" -> 200
int StatusOf(const QString &line)
{
    const QStringList words = line.simplified().split(u' ');
    return words.size() >= 2 ? words.at(1).toInt() : 0;
}

QString Decoded(const QString &href, const QUrl &base)
{
    const QUrl url(href.trimmed());
    return (base.isValid() ? base.resolved(url) : url).path(QUrl::FullyDecoded);
}

// The property the reader is at, read to its end.
DavProperty ReadProperty(QXmlStreamReader &reader, const QUrl &base)
{
    DavProperty property;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement)
            break;
        if (token == QXmlStreamReader::Characters) {
            property.text += reader.text();
        } else if (token == QXmlStreamReader::StartElement) {
            property.elements.append(DavKey(reader.namespaceUri(), reader.name()));
            if (Is(reader, DavNs, "href"_L1)) {
                property.hrefs.append(Decoded(reader.readElementText(), base));
                continue;
            }
            if (Is(reader, DavNs, "privilege"_L1)) { // <privilege><write/></privilege>
                while (reader.readNextStartElement()) {
                    property.elements.append(DavKey(reader.namespaceUri(), reader.name()));
                    reader.skipCurrentElement();
                }
                continue;
            }
            if (Is(reader, CalDavNs, "comp"_L1))
                property.components.append(reader.attributes().value(u"name"_s).toString());
            reader.skipCurrentElement();
        }
    }
    return property;
}

// A propstat: the properties it gives when its status is 2xx.
void ReadPropstat(QXmlStreamReader &reader, const QUrl &base, DavResource &resource)
{
    QHash<QString, DavProperty> found;
    int status = 0;
    while (reader.readNextStartElement()) {
        if (Is(reader, DavNs, "status"_L1)) {
            status = StatusOf(reader.readElementText());
        } else if (Is(reader, DavNs, "prop"_L1)) {
            while (reader.readNextStartElement()) {
                const QString key = DavKey(reader.namespaceUri(), reader.name());
                found.insert(key, ReadProperty(reader, base));
            }
        } else {
            reader.skipCurrentElement();
        }
    }
    if (status / 100 == 2)
        resource.properties.insert(found);
}

// A <response>; one resource for each of its hrefs (a status may stand for several).
QList<DavResource> ReadResponse(QXmlStreamReader &reader, const QUrl &base)
{
    QStringList hrefs;
    DavResource resource;
    while (reader.readNextStartElement()) {
        if (Is(reader, DavNs, "href"_L1))
            hrefs.append(Decoded(reader.readElementText(), base));
        else if (Is(reader, DavNs, "status"_L1))
            resource.status = StatusOf(reader.readElementText());
        else if (Is(reader, DavNs, "propstat"_L1))
            ReadPropstat(reader, base, resource);
        else
            reader.skipCurrentElement();
    }
    QList<DavResource> resources;
    for (const QString &href : std::as_const(hrefs)) {
        resources.append(resource);
        resources.last().href = href;
    }
    return resources;
}

// A writer of a request body: the document with the root element and the namespaces.
class Body
{
public:
    Body(DavName root)
        : m_writer(&m_xml)
    {
        m_writer.writeStartDocument();
        m_writer.writeNamespace(DavNs, u"d"_s);
        m_writer.writeNamespace(CalDavNs, u"c"_s);
        m_writer.writeNamespace(CalendarServerNs, u"cs"_s);
        start(root);
    }
    QXmlStreamWriter &writer() { return m_writer; }
    void start(DavName element) { m_writer.writeStartElement(element.ns, element.name); }
    void end() { m_writer.writeEndElement(); }
    void text(DavName element, const QString &text)
    {
        m_writer.writeTextElement(element.ns, element.name, text);
    }
    void prop(const QList<DavName> &properties)
    {
        start({DavNs, "prop"_L1});
        for (const DavName &property : properties)
            m_writer.writeEmptyElement(property.ns, property.name);
        end();
    }
    QByteArray finish()
    {
        m_writer.writeEndDocument();
        return m_xml;
    }

private:
    QByteArray m_xml;
    QXmlStreamWriter m_writer;
};

} // namespace

bool DavProperty::hasElement(DavName element) const
{
    return elements.contains(DavKey(element.ns, element.name));
}

bool DavResource::has(DavName property) const
{
    return properties.contains(DavKey(property.ns, property.name));
}

DavProperty DavResource::property(DavName property) const
{
    return properties.value(DavKey(property.ns, property.name));
}

QString DavResource::text(DavName property) const
{
    return this->property(property).text.trimmed();
}

QString DavKey(QAnyStringView ns, QAnyStringView name)
{
    return ns.toString() + u' ' + name.toString();
}

std::optional<Multistatus> ParseMultistatus(const QByteArray &xml, const QUrl &base)
{
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || !Is(reader, DavNs, "multistatus"_L1))
        return std::nullopt;
    Multistatus answer;
    while (reader.readNextStartElement()) {
        if (Is(reader, DavNs, "response"_L1))
            answer.resources += ReadResponse(reader, base);
        else if (Is(reader, DavNs, "sync-token"_L1))
            answer.syncToken = reader.readElementText().trimmed().toUtf8();
        else
            reader.skipCurrentElement();
    }
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return std::nullopt;
    return answer;
}

QByteArray PropfindBody(const QList<DavName> &properties)
{
    Body body({DavNs, "propfind"_L1});
    body.prop(properties);
    return body.finish();
}

QByteArray SyncCollectionBody(const QByteArray &token, const QList<DavName> &properties)
{
    Body body({DavNs, "sync-collection"_L1});
    body.text({DavNs, "sync-token"_L1}, QString::fromUtf8(token));
    body.text({DavNs, "sync-level"_L1}, u"1"_s);
    body.prop(properties);
    return body.finish();
}

QByteArray MultigetBody(const QList<DavName> &properties, const QList<QByteArray> &hrefs)
{
    Body body({CalDavNs, "calendar-multiget"_L1});
    body.prop(properties);
    for (const QByteArray &href : hrefs)
        body.text({DavNs, "href"_L1}, QString::fromLatin1(href));
    return body.finish();
}

QByteArray MkcalendarBody(const QString &displayName, const QStringList &components)
{
    Body body({CalDavNs, "mkcalendar"_L1});
    body.start({DavNs, "set"_L1});
    body.start({DavNs, "prop"_L1});
    body.text(prop::DisplayName, displayName);
    body.start(prop::SupportedComponents);
    for (const QString &component : components) {
        body.writer().writeEmptyElement(CalDavNs, u"comp"_s);
        body.writer().writeAttribute(u"name"_s, component);
    }
    body.end();
    body.end();
    body.end();
    return body.finish();
}

} // namespace caldav
