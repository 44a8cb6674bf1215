#include "startup/uSingleInstance.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int openLocked(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

// One lock per user, as a named object lives in the user's own session.
SingleInstance::SingleInstance(const QString& name)
    : m_path(
          QDir(QDir::tempPath())
              .filePath(name + QStringLiteral("-%1.lock").arg(static_cast<qulonglong>(::getuid()))))
{
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SingleInstance::acquire()
{
    if (m_fd < 0)
        m_fd = openLocked(m_path);
    return m_fd >= 0;
}

bool FileLock::lock(const QString& path)
{
    release();
    m_fd = openLocked(path);
    return m_fd >= 0;
}

void FileLock::release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool FileLock::isLocked(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}
