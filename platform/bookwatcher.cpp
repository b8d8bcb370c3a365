#include "platform/bookwatcher.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// An editor's save comes as several changes in a row: each puts the rebuild off a little, so
// that the file is read whole, but a book that keeps changing is still followed.
constexpr int QuietMs = 300;
constexpr int GatherAtMostMs = 1000;

// The folder itself where it exists, else the nearest one above it that does: a folder that
// is made later, or a drive mounted later, shows itself there.
QString NearestFolder(QString folder)
{
    while (!QFileInfo(folder).isDir() && QFileInfo(folder).absolutePath() != folder)
        folder = QFileInfo(folder).absolutePath();
    return folder;
}

} // namespace

BookWatcher::BookWatcher(QString path, QDate today, QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_today(today)
{
}

void BookWatcher::start()
{
    Q_ASSERT(!m_watcher);
    m_gather = new QTimer(this);
    m_gather->setSingleShot(true);
    m_gather->setInterval(QuietMs);
    connect(m_gather, &QTimer::timeout, this, &BookWatcher::follow);
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &BookWatcher::changed);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &BookWatcher::changed);
    // A drive mounted where the book or its link's target lies tells no folder: the system's
    // table of mounts does, by an exceptional condition on the file that shows it.
    if (const int mounts = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC); mounts >= 0) {
        auto *notifier = new QSocketNotifier(mounts, QSocketNotifier::Exception, this);
        connect(notifier, &QSocketNotifier::activated, this, &BookWatcher::changed);
        connect(notifier, &QObject::destroyed, [mounts] { ::close(mounts); }); // with it
    }
    watch();
}

void BookWatcher::setShown(const book::FileStamp &stamp, const QByteArray &content)
{
    m_shownStamp = stamp;
    m_shownContent = content;
}

bool BookWatcher::showsBook() const
{
    return book::StampOf(m_path) == m_shownStamp;
}

void BookWatcher::setToday(QDate today)
{
    if (today == m_today)
        return;
    const QDate before = std::exchange(m_today, today);
    emit dayTurned(before, today);
}

void BookWatcher::changed()
{
    if (!m_gather->isActive())
        m_burst.start();
    if (m_burst.elapsed() < GatherAtMostMs)
        m_gather->start();
}

void BookWatcher::watch()
{
    // The book's folder tells when the book is replaced, made or removed; the book itself when
    // it is written in place; and a book kept as a link is watched where its file lies too.
    const QFileInfo book(m_path);
    const QString target = book.canonicalFilePath();
    QStringList folders{NearestFolder(book.absolutePath())};
    // The target's folder, or where it will be for a link to nowhere.
    const QString targetFolder = !target.isEmpty() ? QFileInfo(target).absolutePath()
                                 : book.isSymLink()
                                     ? NearestFolder(QFileInfo(book.symLinkTarget()).absolutePath())
                                     : QString();
    if (!targetFolder.isEmpty() && !folders.contains(targetFolder))
        folders.append(targetFolder);
    const QStringList watched = m_watcher->directories();
    for (const QString &folder : watched) {
        if (!folders.contains(folder))
            m_watcher->removePath(folder);
    }
    for (const QString &folder : std::as_const(folders)) {
        if (!watched.contains(folder))
            m_watcher->addPath(folder);
    }
    // A book replaced by a rename is a new file, no longer watched; a link pointed elsewhere
    // is watched anew.
    const bool fileWatched = m_watcher->files().contains(m_path);
    if (fileWatched && target != m_watchedTarget)
        m_watcher->removePath(m_path);
    if ((!fileWatched || target != m_watchedTarget) && !target.isEmpty())
        m_watcher->addPath(m_path);
    m_watchedTarget = target;
}

void BookWatcher::follow()
{
    watch();
    // A change that touched other files leaves the book as shown. A write within one tick of
    // the file system's clock that keeps the size leaves the stamp as it was: the bytes tell
    // then.
    if (showsBook()) {
        const std::optional<QByteArray> now = book::ReadAppointmentFile(m_path);
        if (!now || *now == m_shownContent)
            return;
    }
    emit bookChanged();
}

} // namespace platform
