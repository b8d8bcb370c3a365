#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QHash>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace caldav {

inline constexpr QLatin1String DavNs("DAV:");
inline constexpr QLatin1String CalDavNs("urn:ietf:params:xml:ns:caldav");
inline constexpr QLatin1String CalendarServerNs("http://calendarserver.org/ns/");

// A WebDAV property or element by its namespace and local name.
struct DavName
{
    QLatin1String ns;
    QLatin1String name;
};

// The properties that the requests of the client and the finder ask for.
namespace prop {
inline constexpr DavName GetEtag{DavNs, QLatin1String("getetag")};
inline constexpr DavName GetContentType{DavNs, QLatin1String("getcontenttype")};
inline constexpr DavName ResourceType{DavNs, QLatin1String("resourcetype")};
inline constexpr DavName DisplayName{DavNs, QLatin1String("displayname")};
inline constexpr DavName SyncToken{DavNs, QLatin1String("sync-token")};
inline constexpr DavName CurrentUserPrincipal{DavNs, QLatin1String("current-user-principal")};
inline constexpr DavName CurrentUserPrivilegeSet{DavNs,
                                                 QLatin1String("current-user-privilege-set")};
inline constexpr DavName GetCtag{CalendarServerNs, QLatin1String("getctag")};
inline constexpr DavName CalendarHomeSet{CalDavNs, QLatin1String("calendar-home-set")};
inline constexpr DavName CalendarData{CalDavNs, QLatin1String("calendar-data")};
inline constexpr DavName SupportedComponents{CalDavNs,
                                             QLatin1String("supported-calendar-component-set")};
} // namespace prop

// A property as a resource has it, in the forms its kinds of value take.
struct DavProperty
{
    QString text;           // the text inside, untrimmed: an ETag, a name, an item's iCalendar data
    QStringList elements;   // the child elements as "namespace name": a resourcetype's kinds,
                            // and the kinds inside a privilege set's DAV:privilege elements
    QStringList hrefs;      // the paths of the DAV:href children, percent-decoded: a principal
    QStringList components; // the names of the CalDAV comp children: "VEVENT", "VTODO"

    bool hasElement(DavName element) const;
};

// One <response> of a multistatus (RFC 4918): the resource, its own status, and the
// properties that a propstat of status 2xx gave.
struct DavResource
{
    QString href;   // the path, percent-decoded
    int status = 0; // of the response itself; 0 where it has none, as for found properties
    QHash<QString, DavProperty> properties;

    bool has(DavName property) const;
    // The property, or an empty one where the resource did not give it.
    DavProperty property(DavName property) const;
    // Its text, trimmed.
    QString text(DavName property) const;
};

struct Multistatus
{
    QList<DavResource> resources;
    QByteArray syncToken; // the top-level token of a sync-collection answer
};

// The answer of a 207 status; nothing when it is not a multistatus of well-formed XML. Hrefs
// are resolved against `base`, the address that answered, when they are relative.
std::optional<Multistatus> ParseMultistatus(const QByteArray &xml, const QUrl &base = {});

// The key of a property in DavResource::properties.
QString DavKey(QAnyStringView ns, QAnyStringView name);

// The request bodies, in UTF-8. Hrefs go as the server expects them: percent-encoded paths.
QByteArray PropfindBody(const QList<DavName> &properties);
QByteArray SyncCollectionBody(const QByteArray &token, const QList<DavName> &properties);
QByteArray MultigetBody(const QList<DavName> &properties, const QList<QByteArray> &hrefs);
QByteArray MkcalendarBody(const QString &displayName, const QStringList &components);

} // namespace caldav
