#include "data/FileUtil.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

std::filesystem::path ToPath(const QString& text)
{
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

void RemoveDatabaseCompanions(const QString& file)
{
    std::error_code ignored;
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        std::filesystem::remove(ToPath(file + QLatin1String(suffix)), ignored);
}

void RemoveDatabaseFile(const QString& file)
{
    std::error_code ignored;
    std::filesystem::remove(ToPath(file), ignored);
    RemoveDatabaseCompanions(file);
}

bool SyncPath(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
