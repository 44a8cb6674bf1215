#pragma once

#include "startup/uSingleInstance.h"

#include <QString>

class TFileOperation;
class TFileOperations;

// This run's working folder tmpFile/<yyyyMMddhhmmss>, where the engine keeps its temporary
// files. A lock file inside stays locked for the whole run, so that the clean-up at the end of
// another copy leaves the folder of a live run alone.
class RunDirectory
{
public:
    // Creates one directory level in tmpFileDir, which must already exist. False on any failure
    // (missing tmpFile, a folder of the same stamp already there): the run goes on without one.
    bool create(const QString& tmpFileDir, const QString& stamp);
    QString path() const { return m_path; }
    void release() { m_lock.release(); }

    static inline const QString kLockFile = QStringLiteral("run.lock");

private:
    QString m_path;
    FileLock m_lock;
};

// Empties and removes every subfolder of tmpFileDir with the given delete operation, except the
// folders of runs that are still alive. Files lying directly in tmpFileDir stay. Failures are
// ignored folder by folder.
void CleanTmpFile(const QString& tmpFileDir, TFileOperations& queue, TFileOperation& deleteOp);

// The delete operation the clean-up drives: files only, no questions, no progress.
void SetUpDeleteOperation(TFileOperation& deleteOp);
