#pragma once

#include <QString>

// A system-wide named lock held for the whole run: a file in the temporary directory locked with
// flock(), which the system releases when the process ends, also after a crash, so a dead copy
// never blocks the next start.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process holds the lock.
    bool acquire();
    bool isHeld() const { return m_fd >= 0; }

private:
    QString m_path;
    int m_fd = -1;
};

// Locks a file held open until release(); used for each run's working directory so that the
// clean-up of another copy can tell a live run from a dead one.
class FileLock
{
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool lock(const QString& path);
    void release();

    // Whether some open description, in any process, holds a lock on the file.
    static bool isLocked(const QString& path);

private:
    int m_fd = -1;
};
