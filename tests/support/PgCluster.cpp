#include "support/PgCluster.h"

#include "dbengine/EDBEngineError.h"
#include "dbengine/PgConnection.h"

#include <QCollator>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kSuperuser = QStringLiteral("rejestr_test");

// The server binaries: where pg_config says, else the newest installed major version.
QString findBinDir()
{
    QProcess config;
    config.start(QStringLiteral("pg_config"), {QStringLiteral("--bindir")});
    if (config.waitForFinished(10000) && config.exitCode() == 0) {
        const QString dir = QString::fromLocal8Bit(config.readAllStandardOutput()).trimmed();
        if (QFileInfo(dir + QStringLiteral("/initdb")).isExecutable())
            return dir;
    }
    QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    for (auto v = versions.crbegin(); v != versions.crend(); ++v) {
        const QString dir = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*v);
        if (QFileInfo(dir + QStringLiteral("/initdb")).isExecutable())
            return dir;
    }
    return {};
}

// The postmaster's pid from its lock file; 0 when it does not run.
pid_t postmasterPid(const QString& dataDir)
{
    QFile pidFile(dataDir + QStringLiteral("/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return 0;
    return pid_t(pidFile.readLine().trimmed().toLong());
}

} // namespace

PgCluster& PgCluster::shared()
{
    static PgCluster cluster;
    return cluster;
}

PgCluster::~PgCluster()
{
    stop();
}

QString PgCluster::passwordUser()
{
    return QStringLiteral("rejestr_haslo");
}

QString PgCluster::superuser() const
{
    return kSuperuser;
}

QString PgCluster::socketDir() const
{
    return m_dir ? m_dir->path() : QString();
}

QString PgCluster::conninfo(const QString& database, const QString& user) const
{
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
        .arg(socketDir())
        .arg(m_port)
        .arg(user.isEmpty() ? kSuperuser : user, database);
}

bool PgCluster::run(const QString& program, const QStringList& args, QString* error) const
{
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (m_asPostgres) {
        const uid_t uid = m_uid;
        const gid_t gid = m_gid;
        process.setChildProcessModifier([uid, gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(126);
        });
    }
    process.start(m_binDir + QLatin1Char('/') + program, args);
    if (process.waitForFinished(90000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    process.kill();
    process.waitForFinished();
    *error = QStringLiteral("%1 failed (%2): %3")
                 .arg(program, process.errorString(),
                      QString::fromLocal8Bit(process.readAll()).trimmed());
    return false;
}

// A detached shell that waits for the pipe to close, which happens also when the test is
// killed, then stops the server at once and removes the folder. It leaves the test's standard
// output, so CTest does not wait for it.
void PgCluster::startGuard()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    const QByteArray script =
        "read -r _;"
        "pid=$(head -n 1 \"$1/data/postmaster.pid\" 2>/dev/null) && kill -QUIT \"$pid\" && "
        "for i in $(seq 100); do [ -e \"$1/data/postmaster.pid\" ] || break; sleep 0.1; done;"
        "rm -rf \"$1\"";
    const QByteArray dir = QFile::encodeName(m_dir->path());
    const char* const argv[] = {"/bin/sh",       "-c",   script.constData(), "rejestr-pg-guard",
                                dir.constData(), nullptr};
    // Only async-signal-safe calls between fork and exec: the test may run threads.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::fork() == 0) {
            ::setsid();
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(fds[0], 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execv("/bin/sh", const_cast<char* const*>(argv));
        }
        ::_exit(0);
    }
    ::close(fds[0]);
    if (child > 0)
        ::waitpid(child, nullptr, 0);
    m_guardFd = fds[1];
}

bool PgCluster::start(QString* error)
{
    if (m_running)
        return true;
    stop();
    m_binDir = findBinDir();
    if (m_binDir.isEmpty()) {
        *error = QStringLiteral("no PostgreSQL server binaries (pg_config --bindir, "
                                "/usr/lib/postgresql/*/bin)");
        return false;
    }
    // Short: the socket's path must stay within the ~107 bytes of a Unix socket address.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/rejestr-pg-XXXXXX"));
    if (!m_dir->isValid()) {
        *error = QStringLiteral("cannot make a temporary folder: ") + m_dir->errorString();
        return false;
    }
    m_asPostgres = ::geteuid() == 0;
    if (m_asPostgres) {
        const passwd* pw = ::getpwnam("postgres");
        if (!pw) {
            *error = QStringLiteral("running as root, but there is no user postgres to run the "
                                    "server as");
            return false;
        }
        m_uid = pw->pw_uid;
        m_gid = pw->pw_gid;
        if (::chown(QFile::encodeName(m_dir->path()).constData(), m_uid, m_gid) != 0) {
            *error = QStringLiteral("cannot give %1 to postgres").arg(m_dir->path());
            return false;
        }
    }
    startGuard();

    const QString data = m_dir->filePath(QStringLiteral("data"));
    if (!run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"),
              QStringLiteral("-U"), kSuperuser, QStringLiteral("--encoding=UTF8"),
              QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")},
             error))
        return false;

    // First match wins: this role alone must give a password.
    QFile hba(data + QStringLiteral("/pg_hba.conf"));
    if (!hba.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot open pg_hba.conf: ") + hba.errorString();
        return false;
    }
    const QByteArray rules =
        "local all " + passwordUser().toUtf8() + " scram-sha-256\n" + hba.readAll();
    if (!hba.seek(0) || hba.write(rules) != rules.size() || !hba.flush()) {
        *error = QStringLiteral("cannot write pg_hba.conf: ") + hba.errorString();
        return false;
    }
    hba.close();

    // The port only names the socket file; a different one per process keeps the servers' shared
    // memory keys apart.
    m_port = 20000 + int(::getpid() % 30000);
    const QString options =
        QStringLiteral("-k %1 -p %2 -c listen_addresses='' -c fsync=off -c max_connections=40")
            .arg(m_dir->path())
            .arg(m_port);
    const QString log = m_dir->filePath(QStringLiteral("log"));
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
              QStringLiteral("-D"), data, QStringLiteral("-o"), options, QStringLiteral("-l"), log,
              QStringLiteral("start")},
             error)) {
        QFile logFile(log);
        if (logFile.open(QIODevice::ReadOnly))
            *error += QStringLiteral("\nserver log:\n") + QString::fromUtf8(logFile.readAll());
        return false;
    }
    m_running = true;
    return true;
}

void PgCluster::stop()
{
    if (m_dir) {
        // What pg_ctl stop -m immediate does, without running as postgres.
        // The server removes its lock file as it ends; an unreaped process would still answer
        // kill(pid, 0).
        const QString data = m_dir->filePath(QStringLiteral("data"));
        if (const pid_t pid = postmasterPid(data); pid > 0 && ::kill(pid, SIGQUIT) == 0) {
            const QDeadlineTimer deadline(10000);
            while (QFile::exists(data + QStringLiteral("/postmaster.pid")) &&
                   !deadline.hasExpired())
                QThread::msleep(20);
        }
        m_dir.reset();
    }
    if (m_guardFd >= 0) {
        ::close(m_guardFd);
        m_guardFd = -1;
    }
    m_running = false;
}

QString PgCluster::createDatabase(QString* error)
{
    if (!start(error))
        return {};
    const QString name = QStringLiteral("t_%1_%2").arg(::getpid()).arg(++m_databases);
    try {
        PgConnection admin;
        admin.open(conninfo(QStringLiteral("postgres")));
        admin.execScript("CREATE DATABASE " + name.toUtf8());
    } catch (const EDBEngineError& e) {
        *error = e.message();
        return {};
    }
    return conninfo(name);
}
