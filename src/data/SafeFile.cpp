#include "data/SafeFile.h"

#include "data/FileUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What is written is held up to this size and then handed to the system in one call.
constexpr qsizetype kBufferBytes = 1 << 16;

SafeFile::FaultHook& faultHook()
{
    static SafeFile::FaultHook hook;
    return hook;
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

// The file a link names is the one replaced; the link itself stays.
QString resolvedTarget(const QString& target)
{
    const QFileInfo info(target);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

} // namespace

SafeFile::SafeFile(const QString& target, QObject* parent)
    : QIODevice(parent), m_target(resolvedTarget(target))
{
}

SafeFile::~SafeFile()
{
    discard();
}

void SafeFile::setFaultHook(FaultHook hook)
{
    faultHook() = std::move(hook);
}

bool SafeFile::fail(int errorCode)
{
    if (m_error == 0)
        m_error = errorCode != 0 ? errorCode : EIO;
    return false;
}

bool SafeFile::injected(Step step)
{
    const int code = faultHook() ? faultHook()(step) : 0;
    return code != 0 && !fail(code);
}

bool SafeFile::open(OpenMode mode)
{
    if (isOpen() || !mode.testFlag(WriteOnly) || mode.testFlag(ReadOnly) || mode.testFlag(Append))
        return false;
    m_error = 0;
    m_buffer.clear();
    struct stat earlier = {};
    const bool replacing = ::stat(nativePath(m_target).constData(), &earlier) == 0;
    if (replacing && !S_ISREG(earlier.st_mode))
        return fail(S_ISDIR(earlier.st_mode) ? EISDIR : EINVAL);
    // A name of our own rather than mkstemp: the new file then gets the usual permissions
    // (0666 less the umask) when there is no earlier one to take them from.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = m_target + QStringLiteral(".tmp-") +
                      QString::number(QRandomGenerator::global()->generate() & 0xFFFFFF, 16);
        m_fd = ::open(nativePath(m_temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        const int code = errno;
        m_temporary.clear();
        return fail(code);
    }
    if (replacing) {
        // Root replacing a user's file hands it back to that user; failure changes nothing else.
        if ((earlier.st_uid != ::geteuid() || earlier.st_gid != ::getegid()) &&
            ::fchown(m_fd, earlier.st_uid, earlier.st_gid) != 0) {
            // Not ours to give away: the new file stays the writer's.
        }
        if (::fchmod(m_fd, earlier.st_mode & 07777) != 0) {
            const int code = errno;
            discard();
            return fail(code);
        }
    }
    return QIODevice::open(WriteOnly | Unbuffered);
}

bool SafeFile::setPermissions(QFileDevice::Permissions permissions)
{
    return m_fd >= 0 && QFile::setPermissions(m_temporary, permissions);
}

qint64 SafeFile::readData(char*, qint64)
{
    return -1;
}

qint64 SafeFile::writeData(const char* data, qint64 size)
{
    if (m_fd < 0 || m_error != 0 || injected(Step::Write))
        return -1;
    m_buffer.append(data, size);
    if (m_buffer.size() >= kBufferBytes) {
        if (!writeOut(m_buffer.constData(), m_buffer.size()))
            return -1;
        m_buffer.clear();
    }
    return size;
}

bool SafeFile::writeOut(const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        data += written;
        size -= written;
    }
    return true;
}

bool SafeFile::commit()
{
    if (!isOpen() || m_fd < 0) {
        discard();
        return fail(EBADF);
    }
    const auto step = [this](Step at, const auto& action) { return !injected(at) && action(); };
    bool done =
        m_error == 0 &&
        step(Step::Flush, [this] { return writeOut(m_buffer.constData(), m_buffer.size()); }) &&
        step(Step::Sync, [this] { return ::fsync(m_fd) == 0 || fail(errno); });
    // Some file systems report a failed write only when the file is closed.
    const int closed = ::close(m_fd);
    m_fd = -1;
    done = done && (closed == 0 || fail(errno)) && step(Step::Rename, [this] {
               return ::rename(nativePath(m_temporary).constData(),
                               nativePath(m_target).constData()) == 0 ||
                      fail(errno);
           });
    if (!done) {
        discard();
        return false;
    }
    m_temporary.clear();
    QIODevice::close();
    // The folder's entry is made durable as well. Should that fail the new file is already in
    // place, whole, and the caller goes on with it: answering failure now would tell the user
    // that the earlier content is still there when it is not.
    SyncPath(QFileInfo(m_target).absolutePath());
    return true;
}

void SafeFile::cancelWriting()
{
    discard();
}

void SafeFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(nativePath(m_temporary).constData());
        m_temporary.clear();
    }
    m_buffer.clear();
    if (isOpen())
        QIODevice::close();
}

QString SafeFile::errorText() const
{
    return reasonText(m_error);
}

QString SafeFile::reasonText(int errorCode)
{
    QString reason;
    switch (errorCode) {
    case ENOSPC:
        reason = QStringLiteral("brak miejsca na dysku");
        break;
    case EDQUOT:
        reason = QStringLiteral("przekroczony przydział miejsca na dysku");
        break;
    case EACCES:
    case EPERM:
        reason = QStringLiteral("brak uprawnień");
        break;
    case EROFS:
        reason = QStringLiteral("dysk tylko do odczytu");
        break;
    case ENOENT:
    case ENOTDIR:
        reason = QStringLiteral("nie ma takiego folderu");
        break;
    case EISDIR:
        reason = QStringLiteral("w miejscu pliku jest folder");
        break;
    case EIO:
        reason = QStringLiteral("błąd dysku");
        break;
    case EFBIG:
        reason = QStringLiteral("plik jest za duży");
        break;
    case ENAMETOOLONG:
        reason = QStringLiteral("za długa nazwa pliku");
        break;
    default:
        reason = QStringLiteral("błąd zapisu");
        break;
    }
    return errorCode == 0 ? reason : reason + QStringLiteral(": ") + qt_error_string(errorCode);
}

bool SafeFile::writeWhole(const QString& path, const QByteArray& data, QString* error)
{
    SafeFile file(path);
    const bool done = file.open(WriteOnly) && file.write(data) == data.size() && file.commit();
    if (!done && error)
        *error = file.errorText();
    return done;
}
