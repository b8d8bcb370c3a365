#include "sync/calendarfinder.h"

#include "sync/davresponse.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace caldav {

namespace {

constexpr int MaxPrincipals = 5;

bool IsCalendar(const DavResource &resource)
{
    return resource.property(prop::ResourceType).hasElement({CalDavNs, "calendar"_L1});
}

// A calendar that says nothing of its components takes any.
bool TakesEvents(const DavResource &resource)
{
    const QStringList components = resource.property(prop::SupportedComponents).components;
    return components.isEmpty() || components.contains(u"VEVENT"_s, Qt::CaseInsensitive);
}

// Whether the user may add, change and remove the calendar's events (RFC 3744): DAV:write,
// or its parts bind, write-content and unbind. A calendar that says nothing of the user's
// privileges may.
bool Writable(const DavResource &resource)
{
    if (!resource.has(prop::CurrentUserPrivilegeSet))
        return true;
    const DavProperty privileges = resource.property(prop::CurrentUserPrivilegeSet);
    const auto has = [&](const char *privilege) {
        return privileges.hasElement({DavNs, QLatin1String(privilege)});
    };
    return has("all") || has("write") || (has("bind") && has("write-content") && has("unbind"));
}

// The collection at `path` on the server of `base`, with a final slash.
QUrl CollectionAt(const QUrl &base, const QString &path)
{
    QUrl url = base;
    url.setPath(path.endsWith(u'/') ? path : path + u'/', QUrl::DecodedMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

FoundCalendar Found(const QUrl &url, const DavResource &resource)
{
    QString name = resource.text(prop::DisplayName);
    if (name.isEmpty())
        name = url.path(QUrl::FullyDecoded).section(u'/', -2, -2);
    return FoundCalendar{url, name, false};
}

// The steps of one search, each started by the answer to the one before; it lives as long
// as a request of it runs.
struct Search : std::enable_shared_from_this<Search>
{
    std::unique_ptr<CalendarClient> client;
    std::function<void(DavResult, FoundCalendar)> done;
    bool mayMake = true;
    bool triedWellKnown = false;
    int principals = 0; // followed so far, against servers that name each other's

    void finish(const DavResult &result, const FoundCalendar &found = {})
    {
        // Called from an answer of the client: it goes once that answer is through.
        client.release()->deleteLater();
        done(result, found);
    }

    // The resources at `url` with the properties that tell calendars, principals and homes.
    void propfind(
        const QUrl &url, const QByteArray &depth,
        std::function<void(const DavResult &, const QList<DavResource> &, const QUrl &answeredAt)>
            next)
    {
        const QByteArray body = PropfindBody(
            {prop::ResourceType, prop::DisplayName, prop::CurrentUserPrincipal,
             prop::CalendarHomeSet, prop::SupportedComponents, prop::CurrentUserPrivilegeSet});
        client->request(
            "PROPFIND", url, body,
            {{"Depth", depth}, {"Content-Type", "application/xml; charset=utf-8"}},
            [next = std::move(next)](DavResult result, const CalendarClient::Reply &reply) {
                std::optional<Multistatus> answer;
                if (result.ok())
                    answer = ParseMultistatus(reply.body, reply.url);
                if (result.ok() && (reply.status != 207 || !answer || answer->resources.isEmpty()))
                    result = DavResult{DavResult::Kind::NotCalDav, reply.status,
                                       u"the server's answer is not CalDAV"_s};
                // A web server that is no WebDAV server knows no PROPFIND.
                if (reply.status == 405 || reply.status == 501)
                    result = DavResult{
                        DavResult::Kind::NotCalDav, reply.status,
                        u"the server does not speak CalDAV (it answered %1)"_s.arg(reply.status)};
                next(result, result.ok() ? answer->resources : QList<DavResource>(), reply.url);
            });
    }

    // The address the user gave.
    void start(const QUrl &url)
    {
        auto self = shared_from_this();
        propfind(
            url, "0",
            [self](const DavResult &result, const QList<DavResource> &resources, const QUrl &at) {
                if (!result.ok())
                    return self->wellKnown(result);
                self->examine(resources.first(), at);
            });
    }

    // A resource on the way: a calendar, a principal with a home, or one that names a
    // principal elsewhere.
    void examine(const DavResource &here, const QUrl &at)
    {
        if (IsCalendar(here))
            return finish({}, Found(CollectionAt(at, here.href), here));
        if (const QStringList homes = here.property(prop::CalendarHomeSet).hrefs; !homes.isEmpty())
            return searchHome(CollectionAt(at, homes.first()));
        const QStringList principal = here.property(prop::CurrentUserPrincipal).hrefs;
        if (!principal.isEmpty() && ++principals <= MaxPrincipals &&
            CollectionAt(at, principal.first()) != CollectionAt(at, here.href))
            return start(CollectionAt(at, principal.first()));
        wellKnown(DavResult{DavResult::Kind::NotCalDav, 0,
                            u"%1 leads to no calendar"_s.arg(
                                client->account().url.toDisplayString(QUrl::RemoveUserInfo))});
    }

    // Where the address is no CalDAV address, the server may still tell its own (RFC 6764);
    // a server that cannot be reached or wants a password is not asked again.
    void wellKnown(const DavResult &failure)
    {
        using Kind = DavResult::Kind;
        if (triedWellKnown || (failure.kind != Kind::NotCalDav && failure.kind != Kind::NotFound &&
                               failure.kind != Kind::ServerError))
            return finish(failure);
        triedWellKnown = true;
        QUrl url = client->account().url;
        url.setPath(u"/.well-known/caldav"_s);
        url.setQuery(QString());
        url.setFragment(QString());
        auto self = shared_from_this();
        propfind(url, "0",
                 [self, failure](const DavResult &result, const QList<DavResource> &resources,
                                 const QUrl &at) {
                     using Kind = DavResult::Kind;
                     if (result.ok())
                         return self->examine(resources.first(), at);
                     const bool credentials = result.kind == Kind::NeedsPassword ||
                                              result.kind == Kind::Refused ||
                                              result.kind == Kind::Insecure;
                     self->finish(credentials ? result : failure);
                 });
    }

    // The first calendar of events in the home that the user may write to (not a calendar of
    // birthdays that the server makes from the address book), or a new one.
    void searchHome(const QUrl &home)
    {
        auto self = shared_from_this();
        propfind(
            home, "1",
            [self](const DavResult &result, const QList<DavResource> &resources, const QUrl &at) {
                if (!result.ok())
                    return self->finish(result);
                for (const DavResource &resource : resources) {
                    const QUrl url = CollectionAt(at, resource.href);
                    if (url != CollectionAt(at, at.path(QUrl::FullyDecoded)) &&
                        IsCalendar(resource) && TakesEvents(resource) && Writable(resource))
                        return self->finish({}, Found(url, resource));
                }
                const QUrl url = CollectionAt(at, at.path(QUrl::FullyDecoded) + u"zentavo/"_s);
                if (!self->mayMake)
                    return self->finish({}, FoundCalendar{url, u"Zentavo"_s, false, true});
                self->make(url);
            });
    }

    // A calendar of events named "Zentavo", for an account that has none.
    void make(const QUrl &url)
    {
        auto self = shared_from_this();
        client->request("MKCALENDAR", url, MkcalendarBody(u"Zentavo"_s, {u"VEVENT"_s}),
                        {{"Content-Type", "application/xml; charset=utf-8"}},
                        [self, url](const DavResult &result, const CalendarClient::Reply &) {
                            if (!result.ok())
                                return self->finish(result);
                            self->finish({}, FoundCalendar{url, u"Zentavo"_s, true});
                        });
    }
};

} // namespace

void FindCalendar(QNetworkAccessManager *network, const Account &account, bool mayMake,
                  std::function<void(DavResult, FoundCalendar)> done)
{
    auto search = std::make_shared<Search>();
    search->mayMake = mayMake;
    search->client = std::make_unique<CalendarClient>(network, account);
    search->done = std::move(done);
    search->start(account.url);
}

} // namespace caldav
