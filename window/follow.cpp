// The window follows the file when something else changes it (a hand edit, an editor that
// saves by writing a new file and renaming it over the book), and today when the day turns.
#include "window/form1.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QStringListModel>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// An editor's save comes as several changes in a row; they make one rebuild.
constexpr int GatherMs = 300;

} // namespace

void form1::startFollowing()
{
    m_followTimer = new QTimer(this);
    m_followTimer->setSingleShot(true);
    m_followTimer->setInterval(GatherMs);
    connect(m_followTimer, &QTimer::timeout, this, &form1::followFile);
    m_watcher = new QFileSystemWatcher(this);
    const auto changed = [this] {
        if (!m_followTimer->isActive())
            m_followTimer->start();
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    // The folder tells when the book is replaced, made or removed; a book kept as a link is
    // watched where it lies too.
    const QFileInfo book(m_services.dataFile);
    QStringList paths{book.absolutePath()};
    if (book.isSymLink() && !book.canonicalPath().isEmpty())
        paths.append(book.canonicalPath());
    if (book.exists())
        paths.append(m_services.dataFile);
    m_watcher->addPaths(paths);
}

void form1::followFile()
{
    // A book replaced by a rename is a new file, no longer watched.
    if (QFileInfo::exists(m_services.dataFile) && !m_watcher->files().contains(m_services.dataFile))
        m_watcher->addPath(m_services.dataFile);
    // The program's own writes are shown already; so is a change that touched other files.
    if (book::StampOf(m_services.dataFile) == m_shownStamp)
        return;

    // The chosen entry stays chosen where it still is: the same text, as often before it.
    const QStringList before = Combo3Entries->stringList();
    const int chosen = Combo3->currentIndex();
    const QString text = before.value(chosen);
    const qsizetype occurrence = chosen < 0 ? 0 : before.first(chosen).count(text);
    if (ShowDayAgenda(m_shownDate, msb->hasFocus()) && chosen >= 0) {
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
        ShowDayAgenda(today, msb->hasFocus());
    refreshWeek();
}
