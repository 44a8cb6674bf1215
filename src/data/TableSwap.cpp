#include "data/TableSwap.h"

#include "data/FileUtil.h"
#include "data/ServerTables.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/PgConnection.h"
#include "dbengine/SqliteFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::function<void()>& stepHook()
{
    static std::function<void()> hook;
    return hook;
}

void Checkpoint()
{
    if (stepHook())
        stepHook()();
}

bool Sync(const QString& path)
{
    Checkpoint();
    return SyncPath(path);
}

bool Rename(const QString& from, const QString& to, QString* error)
{
    Checkpoint();
    std::error_code ec;
    fs::rename(ToPath(from), ToPath(to), ec);
    return !ec || Fail(error, QStringLiteral("Nie można przenieść %1 do %2: %3.")
                                  .arg(from, to, QString::fromStdString(ec.message())));
}

bool RemoveFile(const QString& path, QString* error = nullptr)
{
    Checkpoint();
    std::error_code ec;
    fs::remove(ToPath(path), ec);
    return !ec || Fail(error, QStringLiteral("Nie można usunąć pliku %1: %2.")
                                  .arg(path, QString::fromStdString(ec.message())));
}

QString FolderOf(const std::vector<StagedTable>& tables)
{
    return QFileInfo(tables.front().live).absolutePath();
}

// Only plain names of the folder: a marker never sends a rename elsewhere.
bool PlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != u".." && name != u".";
}

// A live file is kept as <name>.old-<swap id> until its swap is decided: with the id in the name,
// a file an earlier swap left is never taken for this one's. Earlier builds used <name>.old.
const QString kAside = QStringLiteral(".old");

// The marker, held open and locked for as long as its swap runs, so that another copy of the
// program neither begins a swap of its own meanwhile nor takes this one for one cut short. The
// system drops the lock when the process ends, also when it is killed.
class Marker
{
public:
    explicit Marker(const QString& folder)
        : m_folder(folder), m_path(QDir(folder).filePath(QLatin1String(kSwapMarker)))
    {
    }
    ~Marker()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Marker(const Marker&) = delete;
    Marker& operator=(const Marker&) = delete;

    // False when there is no marker (and create is false) or another process holds it.
    bool lock(bool create)
    {
        const QByteArray path = QFile::encodeName(m_path);
        for (;;) {
            const int fd =
                ::open(path.constData(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
            if (fd < 0)
                return false;
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                return false;
            }
            // The holder may have removed the file between our open and our lock.
            struct stat held = {};
            struct stat named = {};
            if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                m_fd = fd;
                return true;
            }
            ::close(fd);
        }
    }
    bool isLocked() const { return m_fd >= 0; }

    QByteArray read() const
    {
        QFile f;
        return f.open(m_fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) ? f.readAll()
                                                                               : QByteArray();
    }

    bool write(const QByteArray& text, QString* error)
    {
        Checkpoint();
        bool ok = ::ftruncate(m_fd, 0) == 0;
        for (qsizetype done = 0; ok && done < text.size();) {
            const ssize_t n =
                ::pwrite(m_fd, text.constData() + done, size_t(text.size() - done), off_t(done));
            ok = n > 0;
            done += ok ? n : 0;
        }
        Checkpoint();
        if (!ok || ::fsync(m_fd) != 0)
            return Fail(error, QStringLiteral("Nie można zapisać pliku %1.").arg(m_path));
        return Sync(m_folder) ||
               Fail(error, QStringLiteral("Nie można utrwalić zmian w katalogu %1.").arg(m_folder));
    }

    // The swap is decided once the marker is gone.
    void remove()
    {
        RemoveFile(m_path);
        Sync(m_folder);
        ::close(m_fd);
        m_fd = -1;
    }

private:
    QString m_folder;
    QString m_path;
    int m_fd = -1;
};

// The marker lists, one line per table, the live file's name, whether it existed before, and
// the name it is kept under until the swap is decided.
QByteArray MarkerText(const std::vector<StagedTable>& tables, const std::vector<QString>& aside)
{
    QByteArray text;
    for (size_t i = 0; i < tables.size(); ++i)
        text += QFile::encodeName(QFileInfo(tables[i].live).fileName()) +
                (QFileInfo::exists(tables[i].live) ? "\t1\t" : "\t0\t") +
                QFile::encodeName(QFileInfo(aside[i]).fileName()) + '\n';
    return text;
}

// A rollback journal that SQLite would play starts with its magic number.
bool HasJournalHeader(const QString& journal)
{
    static const char kMagic[] = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";
    QFile f(journal);
    return f.open(QIODevice::ReadOnly) && f.read(8) == QByteArray(kMagic, 8);
}

// Takes SQLite's exclusive lock on a live table the way SQLite takes it: a journal it would roll
// back (a writer cut short) is first rolled back into this file, and no other copy of the
// program is half-way through a write while the names change. A journal still there after that
// is one SQLite never plays; it goes, so that it cannot meet the new file.
bool Hold(const QString& live, std::vector<std::unique_ptr<SqliteFile>>& held, QString* error)
{
    const QString journal = live + QStringLiteral("-journal");
    if (!QFileInfo::exists(live)) // SQLite drops a journal whose database is gone, too
        return RemoveFile(journal, error);
    auto db = std::make_unique<SqliteFile>();
    QString why;
    if (!db->open(live, SqliteFile::Mode::ReadWrite, &why))
        return Fail(error, why);
    if (db->exec("BEGIN EXCLUSIVE")) {
        held.push_back(std::move(db));
        return RemoveFile(journal, error);
    }
    // A damaged table is what a restore is for. SQLite has looked at the journal before it
    // found the damage; one it could not roll back keeps the file from being replaced.
    if (db->lastErrorIsDamage() && !HasJournalHeader(journal))
        return RemoveFile(journal, error);
    if (db->lastErrorIsDamage())
        return Fail(error, QStringLiteral("Plik %1 ma niezakończony zapis.").arg(live));
    return Fail(error, DBErrorText(EDBEngineError(db->message(), db->errorCode(), live)));
}

// What earlier swaps left once they were decided goes before a new marker can name anything.
bool ClearLeftovers(const std::vector<StagedTable>& tables, QString* error)
{
    const QString folder = FolderOf(tables);
    const QDir dir(folder);
    bool any = false;
    for (const StagedTable& t : tables) {
        const QString name = QFileInfo(t.live).fileName();
        for (const QString& left :
             dir.entryList({name + kAside, name + kAside + QStringLiteral("-*")},
                           QDir::Files | QDir::Hidden | QDir::System)) {
            if (!RemoveFile(dir.filePath(left), error))
                return false;
            any = true;
        }
    }
    return !any || Sync(folder) ||
           Fail(error, QStringLiteral("Nie można utrwalić zmian w katalogu %1.").arg(folder));
}

struct Progress
{
    bool movedAside = false;
    bool placed = false;
};

// Latest step first, so each live name gets back exactly the file it had.
void RollBack(const std::vector<StagedTable>& tables, const std::vector<QString>& aside,
              std::vector<Progress>& steps)
{
    for (size_t i = steps.size(); i-- > 0;) {
        if (steps[i].placed)
            Rename(tables[i].live, tables[i].staged, nullptr);
        if (steps[i].movedAside)
            Rename(aside[i], tables[i].live, nullptr);
        steps[i] = Progress();
    }
}

bool Swap(const std::vector<StagedTable>& tables, const std::vector<QString>& aside,
          std::vector<Progress>& steps, QString* error)
{
    for (size_t i = 0; i < tables.size(); ++i) {
        if (QFileInfo::exists(tables[i].live)) {
            if (!Rename(tables[i].live, aside[i], error))
                return false;
            steps[i].movedAside = true;
        }
        if (!Rename(tables[i].staged, tables[i].live, error))
            return false;
        steps[i].placed = true;
    }
    return true;
}

void CloseStatements(TmyDataBase& dm)
{
    for (Query* q :
         {&dm.DBFRejestr, &dm.DBFKontrahenci, &dm.DBFInsertRejestr, &dm.DBFUpdateRejestr,
          &dm.DBFDeleteRejestr, &dm.DBFInsertKontrahenci, &dm.DBFUpdateKontrahenci,
          &dm.DBFDeleteKontrahenci, &dm.DBFRejestrSUMA, &dm.DBFKontrahenciSUMA, &dm.mySQL})
        q->release();
}

bool Connect(Database& db, QString* error)
{
    try {
        db.connect();
        return true;
    } catch (const EDBEngineError& e) {
        return Fail(error, DBErrorText(e));
    }
}

} // namespace

void SetSwapStepHook(std::function<void()> hook)
{
    stepHook() = std::move(hook);
}

namespace {

// On a server the staged tables' rows replace the server's in one transaction; the files stay
// where they are (and the staged ones go). Through the data module's connection, or one of its
// own when the data module is not connected.
bool ReplaceOnServer(TmyDataBase* dataModule, const std::vector<StagedTable>& tables,
                     QString* error)
{
    const bool connected = dataModule && dataModule->DatabaseMain.isConnected();
    QHash<QString, QString> files;
    for (const StagedTable& t : tables)
        files.insert(QFileInfo(t.live).completeBaseName(), t.staged);
    QString why;
    bool ok = false;
    try {
        if (connected) {
            CloseStatements(*dataModule);
            ok = ReplaceServerTables(dataModule->DatabaseMain.serverConnection(), files, {}, &why);
        } else {
            PgConnection own;
            own.open(ServerConnInfo(), dataModule ? dataModule->DatabaseMain.passwordPrompt
                                                  : Database::PasswordPrompt{});
            ok = ReplaceServerTables(own, files, {}, &why);
        }
    } catch (const EDBEngineError& e) {
        why = DBErrorText(e);
    }
    for (const StagedTable& t : tables)
        QFile::remove(t.staged);
    try {
        if (connected)
            dataModule->RefreshKontrahenci();
        else if (ok && dataModule)
            dataModule->OpenTables();
    } catch (const EDBEngineError& e) {
        // The rows are replaced either way; the views say what stops them.
        ShowDBError(e, 0);
    }
    return ok || Fail(error, why);
}

} // namespace

bool SwapInTables(TmyDataBase* dataModule, const std::vector<StagedTable>& tables, QString* error)
{
    const bool onServer = dataModule && dataModule->DatabaseMain.isConnected()
                              ? dataModule->DatabaseMain.store() == Database::Store::Server
                              : !ServerConnInfo().isEmpty();
    if (onServer)
        return ReplaceOnServer(dataModule, tables, error);
    Database* db = dataModule ? &dataModule->DatabaseMain : nullptr;
    const bool connected = db && db->isConnected();
    std::vector<Progress> steps(tables.size());
    const QString id = QStringLiteral("-%1-%2")
                           .arg(QCoreApplication::applicationPid())
                           .arg(QDateTime::currentMSecsSinceEpoch());
    std::vector<QString> aside;
    for (const StagedTable& t : tables)
        aside.push_back(t.live + kAside + id);
    QString why;
    bool ok = !tables.empty() || Fail(&why, QStringLiteral("Brak tabel do wymiany."));
    if (ok && connected) {
        CloseStatements(*dataModule);
        // A statement prepared elsewhere would keep the earlier files open past the swap.
        ok = !db->hasStatements() ||
             Fail(&why, QStringLiteral("Połączenie z bazą danych ma otwarte zapytania."));
        if (ok)
            db->disconnect();
    }
    for (const StagedTable& t : tables) {
        if (ok && !Sync(t.staged))
            ok = Fail(&why, QStringLiteral("Nie można utrwalić pliku %1.").arg(t.staged));
    }
    const QString folder = ok ? FolderOf(tables) : QString();
    // A swap that another copy left cut short is undone before this one begins.
    if (ok)
        FinishInterruptedSwap(folder);
    Marker marker(folder);
    std::vector<std::unique_ptr<SqliteFile>> held;
    ok = ok && (marker.lock(true) ||
                Fail(&why, QStringLiteral("Inna kopia programu wymienia właśnie tabele.")));
    for (const StagedTable& t : tables)
        ok = ok && Hold(t.live, held, &why);
    ok = ok && ClearLeftovers(tables, &why) && marker.write(MarkerText(tables, aside), &why);
    ok = ok && Swap(tables, aside, steps, &why);
    if (ok && !Sync(folder))
        ok = Fail(&why, QStringLiteral("Nie można utrwalić zmian w katalogu %1.").arg(folder));
    // The names now lead to the new files; the connection below takes their locks itself.
    held.clear();
    if (ok && connected) {
        ok = Connect(*db, &why);
    } else if (ok && dataModule) {
        // Tables that could not be opened before are the usual reason for a restore: the data
        // module starts afresh on the new ones.
        try {
            dataModule->OpenTables();
        } catch (const EDBEngineError& e) {
            db->disconnect();
            ok = Fail(&why, DBErrorText(e));
        }
    }
    if (!ok) {
        RollBack(tables, aside, steps);
        if (connected && !db->isConnected())
            Connect(*db, nullptr);
        for (const StagedTable& t : tables)
            QFile::remove(t.staged);
    }
    if (marker.isLocked())
        marker.remove();
    if (connected && db->isConnected())
        dataModule->RefreshKontrahenci();
    if (!ok)
        return Fail(error, why);
    for (const QString& earlier : aside)
        RemoveFile(earlier);
    return true;
}

bool FinishInterruptedSwap(const QString& folder)
{
    Marker marker(folder);
    if (!marker.lock(false))
        return false;
    const QDir dir(folder);
    for (const QByteArray& line : marker.read().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        const QString name = QFile::decodeName(parts.value(0));
        if (parts.size() < 2 || parts.size() > 3 || !PlainName(name))
            continue;
        const QString live = dir.filePath(name);
        // A marker of an earlier build names no file: its swap kept the live one as ".old".
        QString aside = live + kAside;
        if (parts.size() == 3) {
            const QString own = QFile::decodeName(parts[2]);
            if (!PlainName(own) || !own.startsWith(name + kAside + u'-'))
                continue;
            aside = dir.filePath(own);
        }
        if (QFileInfo::exists(aside))
            Rename(aside, live, nullptr);
        else if (parts[1] == "0")
            RemoveFile(live); // placed by the swap, had no predecessor
    }
    marker.remove();
    return true;
}
