#include "sync/syncstate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace caldav {

namespace {

constexpr int Version = 1;

// A book line in JSON: its bytes percent-encoded where they are not printable ASCII, as a book
// may hold Windows-1252 text and JSON holds only Unicode.
QString LineText(const QByteArray &line)
{
    return QString::fromLatin1(line.toPercentEncoding(" !\"#$&'()*+,/:;<=>?@[\\]^`{|}~"));
}
QByteArray LineBytes(const QJsonValue &value)
{
    return QByteArray::fromPercentEncoding(value.toString().toLatin1());
}

QByteArray Bytes(const QJsonValue &value)
{
    return value.toString().toUtf8();
}

} // namespace

QString SyncStatePath(const QString &bookPath)
{
    return bookPath + u".sync"_s;
}

std::optional<SyncState> LoadSyncState(const QString &path, QString *error)
{
    const auto fail = [&](const QString &why) -> std::optional<SyncState> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject root = document.object();
    if (parseError.error != QJsonParseError::NoError || root.value(u"version"_s).toInt() != Version)
        return fail(u"%1 is not a sync state of this program"_s.arg(path));
    SyncState state;
    state.calendar = QUrl(root.value(u"calendar"_s).toString());
    state.user = root.value(u"user"_s).toString();
    state.syncToken = Bytes(root.value(u"syncToken"_s));
    state.ctag = Bytes(root.value(u"ctag"_s));
    if (!state.calendar.isValid())
        return fail(u"%1 names no calendar"_s.arg(path));
    const QJsonArray items = root.value(u"items"_s).toArray();
    state.items.reserve(items.size());
    for (const QJsonValueConstRef value : items) {
        const QJsonObject object = value.toObject();
        SyncedItem item;
        item.href = object.value(u"href"_s).toString();
        item.etag = Bytes(object.value(u"etag"_s));
        item.uid = Bytes(object.value(u"uid"_s));
        item.series = object.value(u"series"_s).toBool();
        item.expanded = QDate::fromString(object.value(u"expanded"_s).toString(), Qt::ISODate);
        const QJsonArray lines = object.value(u"lines"_s).toArray();
        for (const QJsonValueConstRef line : lines)
            item.lines.append(LineBytes(line));
        if (!item.href.isEmpty())
            state.items.insert(item.href, item);
    }
    return state;
}

bool SaveSyncState(const QString &path, const SyncState &state, QString *error)
{
    QJsonArray items;
    for (const SyncedItem &item : state.items) {
        QJsonObject object{{u"href"_s, item.href},
                           {u"etag"_s, QString::fromUtf8(item.etag)},
                           {u"uid"_s, QString::fromUtf8(item.uid)}};
        QJsonArray lines;
        for (const QByteArray &line : item.lines)
            lines.append(LineText(line));
        object.insert(u"lines"_s, lines);
        if (item.series) {
            object.insert(u"series"_s, true);
            object.insert(u"expanded"_s, item.expanded.toString(Qt::ISODate));
        }
        items.append(object);
    }
    const QJsonObject root{{u"version"_s, Version},
                           {u"calendar"_s, state.calendar.toString()},
                           {u"user"_s, state.user},
                           {u"syncToken"_s, QString::fromUtf8(state.syncToken)},
                           {u"ctag"_s, QString::fromUtf8(state.ctag)},
                           {u"items"_s, items}};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Owner-only from the start: it names the account.
    ::fchmod(file.handle(), S_IRUSR | S_IWUSR);
    file.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace caldav
