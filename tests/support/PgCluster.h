#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <sys/types.h>

// A PostgreSQL server of the test process's own: made by initdb in a fresh folder under /tmp at
// the first start(), reachable only through a Unix socket in that folder, stopped and removed
// when the process ends. A watcher process does the same when the test is killed, so a crashed
// run leaves nothing that blocks the next. Runs the server as `postgres` when the test runs as
// root (the server refuses root).
class PgCluster
{
public:
    static PgCluster& shared();

    // Starts the server unless it runs already; false with the reason otherwise.
    bool start(QString* error);
    void stop();

    // How to reach one database of the server, as `user` (the superuser when empty).
    QString conninfo(const QString& database, const QString& user = {}) const;
    // A fresh database t_<pid>_<n>; answers its conninfo, or empty with the reason.
    QString createDatabase(QString* error);
    QString socketDir() const;
    QString superuser() const;
    // The one role the server asks a password of (scram-sha-256); a test creates it.
    static QString passwordUser();

    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

private:
    PgCluster() = default;
    ~PgCluster();

    bool run(const QString& program, const QStringList& args, QString* error) const;
    void startGuard();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_binDir;
    int m_port = 0;
    bool m_running = false;
    int m_databases = 0;
    // Set when the server must run as `postgres`.
    bool m_asPostgres = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    // The write end of the watcher's pipe: its closing (also by a crash) wakes the watcher.
    int m_guardFd = -1;
};
