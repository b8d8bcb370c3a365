#include "mappedbook.h"

#include "book/appointmentfile.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

MappedBook::MappedBook(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info = {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        info.st_size <= book::AppointmentLines::MaxContentSize) {
        m_size = size_t(info.st_size);
        // MAP_POPULATE: the pages are the file cache's, all taken in one call.
        void *const mapped = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (mapped != MAP_FAILED)
            m_mapped = mapped;
    }
    if (fd >= 0)
        ::close(fd);
    // What cannot be mapped (a missing, empty or special file, a file system that cannot map)
    // is read as the program reads it, which tells those cases apart.
    m_lines = m_mapped ? std::optional(book::AppointmentLines(QByteArray::fromRawData(
                             static_cast<const char *>(m_mapped), qsizetype(m_size))))
                       : book::LoadAppointmentLines(path);
}

MappedBook::~MappedBook()
{
    m_lines.reset(); // before the bytes it points into
    if (m_mapped)
        ::munmap(m_mapped, m_size);
}
