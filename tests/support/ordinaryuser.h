#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <sys/types.h>
#include <unistd.h>

// Permission checks do not apply to root, and CI runs as root. A test of what happens when
// the data folder is read-only therefore runs as the user "nobody" while it lasts: the
// folder and the files in it are handed to that user first, and root is taken back at the end.
class OrdinaryUser
{
public:
    explicit OrdinaryUser(const QString &folder)
    {
        if (::geteuid() != 0)
            return;
        bool handed = ::chown(QFile::encodeName(folder).constData(), Nobody, Nobody) == 0;
        for (const QFileInfo &entry :
             QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
            handed = handed &&
                     ::chown(QFile::encodeName(entry.filePath()).constData(), Nobody, Nobody) == 0;
        m_active = handed && ::setegid(Nobody) == 0 && ::seteuid(Nobody) == 0;
    }
    ~OrdinaryUser()
    {
        if (m_active) {
            (void)!::seteuid(0);
            (void)!::setegid(0);
        }
    }
    OrdinaryUser(const OrdinaryUser &) = delete;
    OrdinaryUser &operator=(const OrdinaryUser &) = delete;

    // False only when running as root failed to drop to the ordinary user.
    bool ready() const { return ::geteuid() != 0; }

private:
    static constexpr uid_t Nobody = 65534;
    bool m_active = false;
};
