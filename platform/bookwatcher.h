#pragma once

#include "book/appointmentfile.h"

#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

namespace platform {

// Follows the book for a window that shows it: tells when something else changed it (a hand
// edit, an editor that saves by writing a new file and renaming it over the book, a drive
// mounted where it lies, a link pointed elsewhere), and when the day turned.
class BookWatcher : public QObject
{
    Q_OBJECT

public:
    BookWatcher(QString path, QDate today, QObject *parent = nullptr);

    // Starts watching the book's folder, the book and where a link to it points.
    void start();
    // The book as the window shows it: its stamp, taken before it was read, and the bytes read.
    // The window's own writes are shown already, and so tell of no change.
    void setShown(const book::FileStamp &stamp, const QByteArray &content);
    // Whether the book's stamp is still the one shown.
    bool showsBook() const;

    // The date now, at each tick of the window's clock.
    void setToday(QDate today);
    QDate today() const { return m_today; }

signals:
    // Once for a burst of changes, when the book is no longer what was shown.
    void bookChanged();
    void dayTurned(QDate before, QDate today);

private:
    void watch();
    void changed();
    void follow();

    const QString m_path;
    QDate m_today;
    book::FileStamp m_shownStamp;
    QByteArray m_shownContent;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_gather = nullptr; // gathers a burst of changes into one rebuild
    QElapsedTimer m_burst;      // since the burst's first change
    QString m_watchedTarget;    // the file the book is, or points to, when last watched
};

} // namespace platform
