#include "archive/uArchiveStore.h"

#include "data/FileUtil.h"
#include "data/TableSchema.h"
#include "data/TableSwap.h"
#include "import/Duplicates.h"
#include "import/ParadoxConvert.h"

#include "archive/ArchiveSet.h"
#include "archive/uArchiveDescription.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// As long as the program's own connection waits for another process to release the files.
constexpr int kBusyTimeoutMs = 3000;
// Lets the quick check read the file through the page cache without copying every page.
constexpr qint64 kVerifyMapSize = qint64(1) << 30;

QString Stem(const QString& tableFile)
{
    return tableFile.section(u'.', 0, 0);
}

QString Quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QString Message(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// The rows of a statement's first column; false with the engine's message on an error.
bool Rows(sqlite3* db, const QString& sql, QStringList& rows, QString* error)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        return Fail(error, Message(db));
    SqliteStatementPtr st(raw);
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
    return rc == SQLITE_DONE || Fail(error, Message(db));
}

bool Exec(sqlite3* db, const QString& sql, QString* error)
{
    QStringList ignored;
    return Rows(db, sql, ignored, error);
}

// A rollback journal or write-ahead log with content beside a table file means a writer was
// cut short or is still at work: the file alone is not the whole data.
bool HasPendingLog(const QString& file)
{
    return QFileInfo(file + QStringLiteral("-journal")).size() > 0 ||
           QFileInfo(file + QStringLiteral("-wal")).size() > 0;
}

SqliteConnectionPtr Open(const QString& file, int flags, QString* error)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, flags, nullptr);
    SqliteConnectionPtr db(raw);
    if (rc != SQLITE_OK) {
        Fail(error, raw ? Message(raw) : QString::fromUtf8(sqlite3_errstr(rc)));
        return nullptr;
    }
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return db;
}

// The data directory's table files attached under their stems, as the program attaches them.
SqliteConnectionPtr OpenDataFiles(QString* error)
{
    SqliteConnectionPtr db =
        Open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (!db)
        return nullptr;
    for (const QString& name : TableNames) {
        const QString file = ArchiveFilePath(DataDirectory(), name);
        // ATTACH would create a missing file as an empty database.
        if (!QFileInfo(file).isFile()) {
            Fail(error, QStringLiteral("Brak pliku %1").arg(file));
            return nullptr;
        }
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(db.get(), "ATTACH DATABASE ?1 AS ?2", -1, &raw, nullptr);
        SqliteStatementPtr st(raw);
        const QByteArray path = file.toUtf8();
        const QByteArray schema = Stem(name).toUtf8();
        sqlite3_bind_text(raw, 1, path.constData(), int(path.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(raw, 2, schema.constData(), int(schema.size()), SQLITE_TRANSIENT);
        if (!raw || sqlite3_step(raw) != SQLITE_DONE) {
            Fail(error, Message(db.get()));
            return nullptr;
        }
    }
    return db;
}

// One read transaction over both table files: while it lasts no writer can commit to either,
// so the two copies show the same moment. Joins a transaction the connection already has.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(sqlite3* db) : m_db(db), m_own(sqlite3_get_autocommit(db) != 0) {}
    ~ReadSnapshot()
    {
        if (m_begun)
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

    bool begin(QString* error)
    {
        if (m_own) {
            if (!Exec(m_db, QStringLiteral("BEGIN"), error))
                return false;
            m_begun = true;
        }
        for (const QString& name : TableNames) {
            if (!Exec(
                    m_db,
                    QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(Quoted(Stem(name))),
                    error))
                return false;
        }
        return true;
    }

private:
    sqlite3* m_db;
    bool m_own;
    bool m_begun = false;
};

// Copied in slices, so that the copy shows how far it has got and can be stopped.
constexpr int kBackupPagesPerStep = 1024;
// SQLite instructions between two looks at the progress while a file is checked.
constexpr int kInstructionsPerStep = 100000;

// Lets the progress repaint during a long statement; a stopped one interrupts it.
int ProgressHandler(void* progress)
{
    auto* p = static_cast<Progress*>(progress);
    return p->step(0) ? 0 : 1;
}

bool BackupInto(sqlite3* source, const QString& schema, const QString& target, QString* error,
                Progress* progress)
{
    RemoveDatabaseFile(target);
    SqliteConnectionPtr dest = Open(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (!dest)
        return false;
    sqlite3_backup* backup =
        sqlite3_backup_init(dest.get(), "main", source, schema.toUtf8().constData());
    if (!backup)
        return Fail(error, Message(dest.get()));
    int step = SQLITE_OK;
    bool stopped = false;
    do {
        step = sqlite3_backup_step(backup, kBackupPagesPerStep);
        const int total = sqlite3_backup_pagecount(backup);
        stopped = !ProgressStep(progress, total - sqlite3_backup_remaining(backup));
    } while (!stopped && (step == SQLITE_OK || step == SQLITE_BUSY || step == SQLITE_LOCKED));
    const int finish = sqlite3_backup_finish(backup);
    if (stopped)
        return Fail(error, QString());
    if (step != SQLITE_DONE || finish != SQLITE_OK)
        return Fail(error, step != SQLITE_DONE && step != SQLITE_OK
                               ? QString::fromUtf8(sqlite3_errstr(step))
                               : Message(dest.get()));
    return true;
}

// The staged file is SQLite's, intact, and holds the one expected table and nothing that would
// act on it (no other table that a statement could reach instead, no view, no trigger).
bool VerifyTableFile(const QString& file, const QString& tableFile, QString* error,
                     int flags = SQLITE_OPEN_READWRITE, Progress* progress = nullptr)
{
    SqliteConnectionPtr db = Open(file, flags, error);
    if (!db)
        return false;
    if (progress)
        sqlite3_progress_handler(db.get(), kInstructionsPerStep, ProgressHandler, progress);
    Exec(db.get(), QStringLiteral("PRAGMA mmap_size=%1").arg(kVerifyMapSize), nullptr);
    QStringList check;
    if (!Rows(db.get(), QStringLiteral("PRAGMA quick_check"), check, error))
        return false;
    if (check != QStringList{QStringLiteral("ok")})
        return Fail(error, check.join(u'\n'));

    const QString stem = Stem(tableFile);
    QStringList objects;
    if (!Rows(db.get(),
              QStringLiteral("SELECT type||' '||name FROM sqlite_master "
                             "WHERE type<>'index' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"),
              objects, error))
        return false;
    if (objects.size() != 1 ||
        objects.first().compare(QStringLiteral("table ") + stem, Qt::CaseInsensitive) != 0)
        return Fail(error, QStringLiteral("Plik nie zawiera tabeli %1: %2")
                               .arg(stem, objects.join(QStringLiteral(", "))));

    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(
        db.get(), QStringLiteral("PRAGMA table_info(%1)").arg(Quoted(stem)).toUtf8().constData(),
        -1, &raw, nullptr);
    SqliteStatementPtr st(raw);
    QStringList columns;
    while (raw && sqlite3_step(raw) == SQLITE_ROW)
        columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 1)))
                       .toUpper();
    QStringList expected = ExpectedColumns(tableFile);
    columns.sort();
    expected.sort();
    if (columns != expected)
        return Fail(error, QStringLiteral("Tabela %1 ma inne kolumny: %2")
                               .arg(stem, columns.join(QStringLiteral(", "))));
    return true;
}

// The first finding of a failed check, for a message: SQLite heads its list with a line of its own.
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
        *file = QString::fromUtf8(sqlite3_db_filename(live, Stem(name).toUtf8().constData()));
        if (QFileInfo(*file).isFile() && !VerifyTableFile(*file, name, why, SQLITE_OPEN_READONLY))
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

QStringList ExpectedColumns(const QString& tableFile)
{
    const TableSchema* table = SchemaOf(tableFile);
    return table ? ColumnNames(*table) : QStringList();
}

CreateOutcome CreateArchive(sqlite3* live, const QString& dir,
                            const ArchiveDescription& description, QString* error,
                            Progress* progress)
{
    if (IsDataDirectory(dir)) {
        Fail(error, QStringLiteral("Katalog danych nie może być miejscem archiwum"));
        return CreateOutcome::Failed;
    }
    if (!QDir().mkpath(dir)) {
        Fail(error, QStringLiteral("Nie można utworzyć katalogu %1").arg(dir));
        return CreateOutcome::Failed;
    }
    if (!FinishInterruptedArchive(dir, error))
        return CreateOutcome::Failed;
    const QStringList before = ArchiveSetFilesIn(dir);

    SqliteConnectionPtr own;
    if (!live) {
        own = OpenDataFiles(error);
        if (!own)
            return CreateOutcome::Failed;
        live = own.get();
    }
    for (const QString& name : TableNames) {
        if (!sqlite3_db_filename(live, Stem(name).toUtf8().constData())) {
            Fail(error, QStringLiteral("Tabela %1 nie jest dołączona").arg(Stem(name)));
            return CreateOutcome::Failed;
        }
    }

    bool ok = true;
    {
        ReadSnapshot snapshot(live);
        ok = snapshot.begin(error);
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
    for (const QString& name : TableNames) {
        if (ok) {
            ProgressStart(progress, QStringLiteral("Sprawdzanie kopii tabeli %1").arg(Stem(name)),
                          0);
            ok = VerifyTableFile(StagedArchiveFile(dir, name), name, error, SQLITE_OPEN_READWRITE,
                                 progress);
        }
    }
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
    if (!WriteStagedDescription(StagedArchiveFile(dir, kDescriptionFileName), description, error)) {
        RemoveStagedArchive(dir);
        return CreateOutcome::Failed;
    }
    return PlaceStagedArchive(dir, error) ? CreateOutcome::Created : CreateOutcome::Failed;
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
    if (!VerifyTableFile(staged, QFileInfo(archivedFile).fileName(), error, SQLITE_OPEN_READWRITE,
                         progress) ||
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
