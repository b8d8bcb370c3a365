#pragma once

#include <QFile>
#include <QString>

#include <sys/types.h>
#include <unistd.h>

// Permission checks do not apply to root, and CI runs as root. A test of what happens when
// the data folder is read-only therefore runs as the user "nobody" while it lasts: the
// folder is handed to that user first, and root is taken back at the end.
class OrdinaryUser
{
public:
    explicit OrdinaryUser(const QString &folder)
    {
        if (::geteuid() != 0)
            return;
        const QByteArray path = QFile::encodeName(folder);
        m_active = ::chown(path.constData(), Nobody, Nobody) == 0 && ::setegid(Nobody) == 0 &&
                   ::seteuid(Nobody) == 0;
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
