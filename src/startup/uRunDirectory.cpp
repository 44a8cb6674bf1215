#include "startup/uRunDirectory.h"

#include "archive/FileOper.h"
#include "archive/uFileOperations.h"

#include <QDir>

bool RunDirectory::create(const QString& tmpFileDir, const QString& stamp)
{
    const QDir tmp(tmpFileDir);
    if (!tmp.exists() || tmp.exists(stamp) || !tmp.mkdir(stamp))
        return false;
    m_path = tmp.filePath(stamp);
    m_lock.lock(QDir(m_path).filePath(kLockFile));
    return true;
}

void SetUpDeleteOperation(TFileOperation& deleteOp)
{
    deleteOp.SetMode(TFileOperation::foDelete);
    deleteOp.SetOptions(UnattendedFileOptions);
    deleteOp.SetTitle(QStringLiteral("Kasowanie plików tymczasowych"));
}

void CleanTmpFile(const QString& tmpFileDir, TFileOperations& queue, TFileOperation& deleteOp)
{
    const QDir tmp(tmpFileDir);
    if (!tmp.exists())
        return;
    queue.SetOperation(&deleteOp);
    // A link to a folder elsewhere is never a run directory: emptying it would delete files
    // outside the program directory.
    const QStringList folders = tmp.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString& name : folders) {
        const QString folder = tmp.filePath(name);
        if (FileLock::isLocked(QDir(folder).filePath(RunDirectory::kLockFile)))
            continue;
        queue.Clear();
        queue.AddSource(folder + QStringLiteral("/*.*"));
        queue.Execute();
        tmp.rmdir(name);
    }
}
