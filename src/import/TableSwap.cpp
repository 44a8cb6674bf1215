#include "import/TableSwap.h"

#include "data/uDM.h"
#include "dbengine/EDBEngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const QString& text)
{
    return fs::path(QFile::encodeName(text).toStdString());
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString Aside(const QString& live)
{
    return live + QStringLiteral(".old");
}

// Forces a file's or a folder's content to the disk: a rename is only as durable as the data
// it names and the folder entry that records it.
bool SyncPath(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

QString FolderOf(const std::vector<StagedTable>& tables)
{
    return QFileInfo(tables.front().live).absolutePath();
}

// The marker lists each live file's name and whether it existed before, one per line, so that
// a run after a power cut can put every table back as it was.
bool WriteMarker(const std::vector<StagedTable>& tables, QString* error)
{
    const QString folder = FolderOf(tables);
    const QString path = QDir(folder).filePath(QLatin1String(kSwapMarker));
    QByteArray text;
    for (const StagedTable& t : tables)
        text += QFile::encodeName(QFileInfo(t.live).fileName()) +
                (QFileInfo::exists(t.live) ? "\t1\n" : "\t0\n");
    QFile marker(path);
    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        marker.write(text) != text.size() || !marker.flush() || ::fsync(marker.handle()) != 0) {
        marker.close();
        QFile::remove(path);
        return Fail(error, QStringLiteral("Nie można zapisać pliku %1.").arg(path));
    }
    marker.close();
    return SyncPath(folder) ||
           Fail(error, QStringLiteral("Nie można utrwalić zmian w katalogu %1.").arg(folder));
}

void RemoveMarker(const std::vector<StagedTable>& tables)
{
    const QString folder = FolderOf(tables);
    QFile::remove(QDir(folder).filePath(QLatin1String(kSwapMarker)));
    SyncPath(folder);
}

bool Rename(const QString& from, const QString& to, QString* error)
{
    std::error_code ec;
    fs::rename(ToPath(from), ToPath(to), ec);
    return !ec || Fail(error, QStringLiteral("Nie można przenieść %1 do %2: %3.")
                                  .arg(from, to, QString::fromStdString(ec.message())));
}

struct Step
{
    bool movedAside = false;
    bool placed = false;
};

// Latest step first, so each live name gets back exactly the file it had.
void RollBack(const std::vector<StagedTable>& tables, std::vector<Step>& steps)
{
    for (size_t i = steps.size(); i-- > 0;) {
        std::error_code ignored;
        if (steps[i].placed)
            fs::rename(ToPath(tables[i].live), ToPath(tables[i].staged), ignored);
        if (steps[i].movedAside)
            fs::rename(ToPath(Aside(tables[i].live)), ToPath(tables[i].live), ignored);
        steps[i] = Step();
    }
}

bool Swap(const std::vector<StagedTable>& tables, std::vector<Step>& steps, QString* error)
{
    for (const StagedTable& t : tables) {
        // A rollback journal with content means a writer was cut short: SQLite would roll it
        // into whatever file carries the name next.
        if (QFileInfo(t.live + QStringLiteral("-journal")).size() > 0)
            return Fail(error, QStringLiteral("Plik %1 ma niezakończony zapis.").arg(t.live));
    }
    for (size_t i = 0; i < tables.size(); ++i) {
        if (QFileInfo::exists(tables[i].live)) {
            if (!Rename(tables[i].live, Aside(tables[i].live), error))
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
        return Fail(error, e.message());
    }
}

} // namespace

bool SwapInTables(TmyDataBase* dataModule, const std::vector<StagedTable>& tables, QString* error)
{
    Database* db = dataModule ? &dataModule->DatabaseMain : nullptr;
    const bool connected = db && db->isConnected();
    std::vector<Step> steps(tables.size());
    QString why;
    bool ok = true;
    if (connected) {
        CloseStatements(*dataModule);
        // A statement prepared elsewhere would keep the earlier files open past the swap.
        ok = !sqlite3_next_stmt(db->handle(), nullptr) ||
             Fail(&why, QStringLiteral("Połączenie z bazą danych ma otwarte zapytania."));
        if (ok)
            db->disconnect();
    }
    for (const StagedTable& t : tables) {
        if (ok && !SyncPath(t.staged))
            ok = Fail(&why, QStringLiteral("Nie można utrwalić pliku %1.").arg(t.staged));
    }
    const bool marked = ok && !tables.empty() && WriteMarker(tables, &why);
    ok = marked && Swap(tables, steps, &why);
    if (ok && !SyncPath(FolderOf(tables)))
        ok = Fail(&why,
                  QStringLiteral("Nie można utrwalić zmian w katalogu %1.").arg(FolderOf(tables)));
    if (ok && connected) {
        ok = Connect(*db, &why);
    } else if (ok && dataModule) {
        // Tables that could not be opened before are the usual reason for a restore: the data
        // module starts afresh on the new ones.
        try {
            dataModule->OpenTables();
        } catch (const EDBEngineError& e) {
            db->disconnect();
            ok = Fail(&why, e.message());
        }
    }
    if (!ok) {
        RollBack(tables, steps);
        if (connected && !db->isConnected())
            Connect(*db, nullptr);
        for (const StagedTable& t : tables)
            QFile::remove(t.staged);
    }
    // The swap is decided once the marker is gone.
    if (marked)
        RemoveMarker(tables);
    if (connected && db->isConnected())
        dataModule->RefreshKontrahenci();
    if (!ok)
        return Fail(error, why);
    for (const StagedTable& t : tables)
        QFile::remove(Aside(t.live));
    return true;
}

bool FinishInterruptedSwap(const QString& folder)
{
    const QDir dir(folder);
    QFile marker(dir.filePath(QLatin1String(kSwapMarker)));
    if (!marker.exists())
        return false;
    if (marker.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : marker.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split('\t');
            const QString name = QFile::decodeName(parts.value(0));
            // Only plain names of this folder: the marker never sends a rename elsewhere.
            if (parts.size() != 2 || name.isEmpty() || name.contains(u'/') || name == u".." ||
                name == u".")
                continue;
            const QString live = dir.filePath(name);
            std::error_code ignored;
            if (QFileInfo::exists(Aside(live)))
                fs::rename(ToPath(Aside(live)), ToPath(live), ignored);
            else if (parts[1] == "0")
                fs::remove(ToPath(live), ignored); // placed by the swap, had no predecessor
        }
        marker.close();
    }
    marker.remove();
    SyncPath(folder);
    return true;
}
