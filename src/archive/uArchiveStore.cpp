#include "archive/uArchiveStore.h"

#include "data/FileUtil.h"
#include "data/ServerTables.h"
#include "data/TableSchema.h"
#include "data/TableSwap.h"
#include "import/Duplicates.h"
#include "import/ParadoxConvert.h"

#include "archive/ArchiveSet.h"
#include "archive/uArchiveDescription.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/PgConnection.h"
#include "dbengine/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <filesystem>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

QString Stem(const QString& tableFile)
{
    return tableFile.section(u'.', 0, 0);
}

// A rollback journal or write-ahead log with content beside a table file means a writer was
// cut short or is still at work: the file alone is not the whole data.
bool HasPendingLog(const QString& file)
{
    return QFileInfo(file + QStringLiteral("-journal")).size() > 0 ||
           QFileInfo(file + QStringLiteral("-wal")).size() > 0;
}

std::unique_ptr<SqliteFile> Open(const QString& file, SqliteFile::Mode mode, QString* error)
{
    auto db = std::make_unique<SqliteFile>();
    if (!db->open(file, mode, error))
        return nullptr;
    return db;
}

// The data directory's table files attached under their stems, as the program attaches them.
std::unique_ptr<SqliteFile> OpenDataFiles(QString* error)
{
    std::unique_ptr<SqliteFile> db =
        Open(QStringLiteral(":memory:"), SqliteFile::Mode::Create, error);
    if (!db)
        return nullptr;
    for (const QString& name : TableNames) {
        const QString file = ArchiveFilePath(DataDirectory(), name);
        // ATTACH would create a missing file as an empty database.
        if (!QFileInfo(file).isFile()) {
            Fail(error, QStringLiteral("Brak pliku %1").arg(file));
            return nullptr;
        }
        if (!db->attach(file, Stem(name), error))
            return nullptr;
    }
    return db;
}

QStringList Stems()
{
    QStringList stems;
    for (const QString& name : TableNames)
        stems << Stem(name);
    return stems;
}

bool BackupInto(sqlite3* source, const QString& schema, const QString& target, QString* error,
                Progress* progress)
{
    RemoveDatabaseFile(target);
    const std::unique_ptr<SqliteFile> dest = Open(target, SqliteFile::Mode::Create, error);
    return dest && dest->copyFrom(source, schema, error,
                                  [progress](qint64 done) { return ProgressStep(progress, done); });
}

QString FirstFinding(const QString& why)
{
    for (const QString& line : why.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(QLatin1String("***")))
            return line.trimmed();
    }
    return why.trimmed();
}

QString DamagedMessage(const QString& file, const QString& why, const QStringList& before)
{
    QString finding = FirstFinding(why);
    while (finding.endsWith(u'.'))
        finding.chop(1);
    QString text =
        QStringLiteral("Plik tabeli %1 jest uszkodzony: %2. Archiwum nie zostało utworzone")
            .arg(QDir::toNativeSeparators(file), finding);
    if (before.contains(kDescriptionFileName))
        return text + QStringLiteral("; wcześniejsze archiwum w folderze pozostało bez zmian.");
    if (!before.isEmpty())
        return text + QStringLiteral("; pliki w folderze pozostały bez zmian.");
    return text + u'.';
}

// The copies are the live tables page for page, so a copy that fails its check usually comes
// from a damaged live file; the user has to learn which one, by name.
bool FindDamagedTable(sqlite3* live, QString* file, QString* why)
{
    for (const QString& name : TableNames) {
        *file = SqliteFile::fileOf(live, Stem(name));
        if (QFileInfo(*file).isFile() && !VerifyTableFile(*file, name, why, /*readOnly=*/true))
            return true;
    }
    return false;
}

bool WriteStagedDescription(const QString& file, const ArchiveDescription& description,
                            QString* error)
{
    ArchiveStep(QStringLiteral("write ") + file);
    QFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        WriteDescription(out, description) && out.flush())
        return true;
    return Fail(error, QStringLiteral("%1: %2").arg(file, out.errorString()));
}

} // namespace

QString ArchiveFilePath(const QString& dir, const QString& fileName)
{
    if (dir.endsWith(u'/') || dir.endsWith(u'\\'))
        return dir + fileName;
    return dir + u'/' + fileName;
}

bool HoldsArchive(const QString& dir)
{
    return QFileInfo::exists(ArchiveFilePath(dir, kDescriptionFileName));
}

namespace {

// Checks the staged copies as a restore would check them, then puts them and the description in
// place of the archive. Answers false (staged copies gone) when a copy fails its check.
bool PlaceCheckedCopies(const QString& dir, const ArchiveDescription& description, QString* error,
                        Progress* progress, bool* placed)
{
    *placed = false;
    for (const QString& name : TableNames) {
        ProgressStart(progress, QStringLiteral("Sprawdzanie kopii tabeli %1").arg(Stem(name)), 0);
        if (!VerifyTableFile(StagedArchiveFile(dir, name), name, error, false, progress)) {
            RemoveStagedArchive(dir);
            return false;
        }
    }
    if (!WriteStagedDescription(StagedArchiveFile(dir, kDescriptionFileName), description, error)) {
        RemoveStagedArchive(dir);
        return true;
    }
    *placed = PlaceStagedArchive(dir, error);
    return true;
}

// The folder can take an archive: made, not the data directory, any cut replacement finished.
bool PrepareArchiveFolder(const QString& dir, QString* error)
{
    if (IsDataDirectory(dir))
        return Fail(error, QStringLiteral("Katalog danych nie może być miejscem archiwum"));
    if (!QDir().mkpath(dir))
        return Fail(error, QStringLiteral("Nie można utworzyć katalogu %1").arg(dir));
    return FinishInterruptedArchive(dir, error);
}

} // namespace

CreateOutcome CreateArchiveFromServer(PgConnection& server, const QString& dir,
                                      const ArchiveDescription& description, QString* error,
                                      Progress* progress)
{
    if (!PrepareArchiveFolder(dir, error))
        return CreateOutcome::Failed;
    QHash<QString, QString> files;
    for (const QString& name : TableNames)
        files.insert(Stem(name), StagedArchiveFile(dir, name));
    ProgressStart(progress, QStringLiteral("Kopiowanie tabel z serwera"), 0);
    ArchiveStep(QStringLiteral("write ") + dir);
    const bool copied = SnapshotServerTables(
        server, files, [progress](qint64 rows) { return !progress || progress->step(rows); },
        error);
    bool placed = false;
    if (!copied)
        RemoveStagedArchive(dir);
    else
        PlaceCheckedCopies(dir, description, error, progress, &placed);
    if (!placed && progress && progress->cancelled())
        Fail(error, QString());
    return placed ? CreateOutcome::Created : CreateOutcome::Failed;
}

CreateOutcome CreateArchive(sqlite3* live, const QString& dir,
                            const ArchiveDescription& description, QString* error,
                            Progress* progress)
{
    if (!live) {
        // Configured for a server: its tables, through a connection of this archive's own.
        if (const QString server = ServerConnInfo(); !server.isEmpty()) {
            PgConnection connection;
            try {
                connection.open(server);
            } catch (const EDBEngineError& e) {
                Fail(error, e.message());
                return CreateOutcome::Failed;
            }
            return CreateArchiveFromServer(connection, dir, description, error, progress);
        }
    }
    if (!PrepareArchiveFolder(dir, error))
        return CreateOutcome::Failed;
    const QStringList before = ArchiveSetFilesIn(dir);

    std::unique_ptr<SqliteFile> own;
    if (!live) {
        own = OpenDataFiles(error);
        if (!own)
            return CreateOutcome::Failed;
        live = own->handle();
    }
    for (const QString& name : TableNames) {
        if (SqliteFile::fileOf(live, Stem(name)).isEmpty()) {
            Fail(error, QStringLiteral("Tabela %1 nie jest dołączona").arg(Stem(name)));
            return CreateOutcome::Failed;
        }
    }

    bool ok = true;
    {
        SqliteReadSnapshot snapshot(live);
        ok = snapshot.begin(Stems(), error);
        for (const QString& name : TableNames) {
            if (!ok)
                break;
            const QString staged = StagedArchiveFile(dir, name);
            ArchiveStep(QStringLiteral("write ") + staged);
            ProgressStart(progress, QStringLiteral("Kopiowanie tabeli %1").arg(Stem(name)), 0);
            ok = BackupInto(live, Stem(name), staged, error, progress);
        }
    }
    // Checked as a restore would check them, before they replace anything.
    bool placed = false;
    if (ok)
        ok = PlaceCheckedCopies(dir, description, error, progress, &placed);
    if (!ok) {
        RemoveStagedArchive(dir);
        if (progress && progress->cancelled()) {
            Fail(error, QString());
            return CreateOutcome::Failed;
        }
        QString file;
        QString why;
        if (!FindDamagedTable(live, &file, &why))
            return CreateOutcome::Failed;
        Fail(error, DamagedMessage(file, why, before));
        return CreateOutcome::Damaged;
    }
    return placed ? CreateOutcome::Created : CreateOutcome::Failed;
}

bool StageArchivedTable(const QString& archivedFile, const QString& staged, QString* error,
                        std::vector<RenumberedEntry>* renumbered, Progress* progress)
{
    RemoveDatabaseFile(staged);
    if (!QFileInfo(archivedFile).isFile())
        return Fail(error, QStringLiteral("Brak pliku %1").arg(archivedFile));
    if (HasPendingLog(archivedFile))
        return Fail(error, QStringLiteral("Plik %1 ma niezakończony zapis").arg(archivedFile));
    // Archives made by the earlier program hold Paradox tables: converted on the way.
    if (!IsSqliteFile(archivedFile)) {
        if (!ConvertParadoxTable(archivedFile, QFileInfo(archivedFile).fileName(), staged, nullptr,
                                 error)) {
            RemoveDatabaseFile(staged);
            return false;
        }
    } else {
        std::error_code ec;
        fs::copy_file(ToPath(archivedFile), ToPath(staged), fs::copy_options::overwrite_existing,
                      ec);
        // The copy takes the archived file's mode: one from a read-only medium or a protected
        // folder would turn the live table read-only, and every later save would fail.
        if (!ec)
            fs::permissions(ToPath(staged), fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add, ec);
        if (ec) {
            RemoveDatabaseFile(staged);
            return Fail(error, QStringLiteral("%1: %2").arg(archivedFile,
                                                            QString::fromStdString(ec.message())));
        }
    }
    // An archive of the earlier program, or one made before the numbers' index was unique, may
    // repeat a number.
    if (!VerifyTableFile(staged, QFileInfo(archivedFile).fileName(), error, false, progress) ||
        !SettleDuplicates(staged, QFileInfo(archivedFile).fileName(), archivedFile, renumbered,
                          error)) {
        RemoveDatabaseFile(staged);
        return false;
    }
    return true;
}

RestoreOutcome RestoreArchive(TmyDataBase* dataModule, const QString& dir, QString* error,
                              std::vector<RenumberedEntry>* renumbered, Progress* progress)
{
    if (IsDataDirectory(dir)) {
        Fail(error, QStringLiteral("Katalog danych nie może być miejscem archiwum"));
        return RestoreOutcome::Refused;
    }
    // Never a pair of which one table is new and the other old.
    if (!FinishInterruptedArchive(dir, error))
        return RestoreOutcome::Refused;
    struct Swap
    {
        QString live, staged;
    };
    std::array<Swap, 2> swaps;
    for (std::size_t i = 0; i < swaps.size(); ++i) {
        swaps[i].live = ArchiveFilePath(DataDirectory(), TableNames[i]);
        swaps[i].staged = swaps[i].live + QStringLiteral(".new");
    }
    const auto removeStaged = [&swaps] {
        for (const Swap& s : swaps)
            RemoveDatabaseFile(s.staged);
    };
    for (std::size_t i = 0; i < swaps.size(); ++i) {
        ProgressStart(progress,
                      QStringLiteral("Sprawdzanie archiwum tabeli %1").arg(Stem(TableNames[i])), 0);
        if (!StageArchivedTable(ArchiveFilePath(dir, TableNames[i]), swaps[i].staged, error,
                                i == 1 ? renumbered : nullptr, progress)) {
            removeStaged();
            if (progress && progress->cancelled())
                Fail(error, QString());
            return RestoreOutcome::Refused;
        }
    }
    // Stopped while staging: the live tables were never touched. From the swap on it runs to
    // its end, whatever is asked.
    if (progress && !progress->step(0)) {
        removeStaged();
        Fail(error, QString());
        return RestoreOutcome::Refused;
    }
    ProgressStart(progress, QStringLiteral("Odtwarzanie tabel"), 0);

    // The live files are replaced all or nothing, with the connection closed meanwhile.
    std::vector<StagedTable> tables;
    for (const Swap& s : swaps)
        tables.push_back({s.live, s.staged});
    QString why;
    if (!SwapInTables(dataModule, tables, &why)) {
        removeStaged();
        Fail(error, why);
        return RestoreOutcome::Failed;
    }
    return RestoreOutcome::Restored;
}
