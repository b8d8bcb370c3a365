// The window follows the file when something else changes it (a hand edit, an editor that
// saves by writing a new file and renaming it over the book), and today when the day turns.
#include "window/form1.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QStringListModel>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// An editor's save comes as several changes in a row: each puts the rebuild off a little, so
// that the file is read whole, but a book that keeps changing is still followed.
constexpr int QuietMs = 300;
constexpr int GatherAtMostMs = 1000;

} // namespace

void form1::startFollowing()
{
    m_followTimer = new QTimer(this);
    m_followTimer->setSingleShot(true);
    m_followTimer->setInterval(QuietMs);
    connect(m_followTimer, &QTimer::timeout, this, &form1::followFile);
    m_watcher = new QFileSystemWatcher(this);
    const auto changed = [this] {
        if (!m_followTimer->isActive())
            m_followBurst.start();
        if (m_followBurst.elapsed() < GatherAtMostMs)
            m_followTimer->start();
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    // A drive mounted where the book or its link's target lies tells no folder: the system's
    // table of mounts does, by an exceptional condition on the file that shows it.
    if (const int mounts = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC); mounts >= 0) {
        auto *notifier = new QSocketNotifier(mounts, QSocketNotifier::Exception, this);
        connect(notifier, &QSocketNotifier::activated, this, changed);
        connect(notifier, &QObject::destroyed, [mounts] { ::close(mounts); }); // with it
    }
    watchBook();
}

namespace {

// The folder itself where it exists, else the nearest one above it that does: a folder that
// is made later, or a drive mounted later, shows itself there.
QString NearestFolder(QString folder)
{
    while (!QFileInfo(folder).isDir() && QFileInfo(folder).absolutePath() != folder)
        folder = QFileInfo(folder).absolutePath();
    return folder;
}

} // namespace

void form1::watchBook()
{
    // The book's folder tells when the book is replaced, made or removed; the book itself when
    // it is written in place; and a book kept as a link is watched where its file lies too.
    const QFileInfo book(m_services.dataFile);
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
    const bool fileWatched = m_watcher->files().contains(m_services.dataFile);
    if (fileWatched && target != m_watchedTarget)
        m_watcher->removePath(m_services.dataFile);
    if ((!fileWatched || target != m_watchedTarget) && !target.isEmpty())
        m_watcher->addPath(m_services.dataFile);
    m_watchedTarget = target;
}

void form1::followFile()
{
    watchBook();
    // The program's own writes are shown already; so is a change that touched other files.
    // A write within one tick of the file system's clock that keeps the size leaves the stamp
    // as it was: the bytes tell then.
    if (book::StampOf(m_services.dataFile) == m_shownStamp) {
        const std::optional<QByteArray> now = book::ReadAppointmentFile(m_services.dataFile);
        if (!now || *now == Combo2.content())
            return;
    }

    // The chosen entry stays chosen where it still is: the same text, as often before it.
    const QStringList before = Combo3Entries->stringList();
    const int chosen = Combo3->currentIndex();
    const QString text = before.value(chosen);
    const qsizetype occurrence = chosen < 0 ? 0 : before.first(chosen).count(text);
    if (ShowDayAgenda(m_shownDate, TypedDate::KeepWhileTyping) && chosen >= 0) {
        const QStringList after = Combo3Entries->stringList();
        for (qsizetype i = 0, seen = 0; i < after.size(); ++i) {
            if (after.at(i) == text && seen++ == occurrence) {
                Combo3->setCurrentIndex(int(i));
                break;
            }
        }
    }
    refreshWeek();
}

void form1::followDay(QDate today)
{
    if (today == m_today)
        return;
    // A window on the old today moves on, as Today would; one on another date stays there.
    const bool showedToday = m_shownDate == m_today;
    m_today = today;
    if (showedToday)
        ShowDayAgenda(today, TypedDate::KeepWhileTyping);
    refreshWeek();
}
