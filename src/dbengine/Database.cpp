#include "dbengine/Database.h"

#include "dbengine/EDBEngineError.h"
#include "dbengine/PolishText.h"
#include "dbengine/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// The main database holds nothing, so one that is not a database is made anew rather than
// stopping the program; where no file can be made, memory serves (no super-journal then).
SqliteConnectionPtr openMain(const QString& file, int flags)
{
    for (int attempt = 0; !file.isEmpty() && attempt < 2; ++attempt) {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, flags, nullptr);
        SqliteConnectionPtr db(raw);
        if (rc != SQLITE_OK)
            break;
        sqlite3_busy_timeout(raw, kBusyTimeoutMs);
        const int read =
            sqlite3_exec(raw, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
        if (read != SQLITE_NOTADB && read != SQLITE_CORRUPT)
            return db;
        db.reset();
        QFile::remove(file);
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &raw, flags, nullptr);
    SqliteConnectionPtr db(raw);
    if (rc != SQLITE_OK)
        throw EDBEngineError(QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)), rc);
    return db;
}

} // namespace

Database::~Database()
{
    disconnect();
}

QString Database::path() const
{
    for (const QString& p : params) {
        const qsizetype eq = p.indexOf(u'=');
        if (eq > 0 && p.left(eq).trimmed().compare(QLatin1String("PATH"), Qt::CaseInsensitive) == 0)
            return p.mid(eq + 1);
    }
    return {};
}

sqlite3* Database::handle() const
{
    if (!m_db)
        throw EDBEngineError(QStringLiteral("Baza danych %1 nie jest połączona").arg(databaseName));
    return m_db.get();
}

EDBEngineError Database::error(const QString& file) const
{
    if (!m_db)
        return EDBEngineError(QStringLiteral("Baza danych nie jest połączona"));
    const int code = sqlite3_errcode(m_db.get()) & 0xff;
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db.get()));
    if (file.isEmpty() && (code == SQLITE_CORRUPT || code == SQLITE_NOTADB))
        return EDBEngineError(message, code, damagedTable());
    return EDBEngineError(message, code, file);
}

void Database::raise() const
{
    throw error();
}

// Which table file a damage report concerns: the engine's message does not say. Only read after
// a failure, so the cost of the check never falls on a healthy run.
QString Database::damagedTable() const
{
    for (const QString& stem : m_tables) {
        sqlite3_stmt* raw = nullptr;
        const QByteArray sql =
            QStringLiteral("PRAGMA %1.quick_check(1)").arg(QuotedIdentifier(stem)).toUtf8();
        sqlite3_prepare_v2(m_db.get(), sql.constData(), -1, &raw, nullptr);
        SqliteStatementPtr st(raw);
        const bool healthy =
            raw && sqlite3_step(raw) == SQLITE_ROW &&
            qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)), "ok") == 0;
        if (!healthy)
            return QFile::decodeName(sqlite3_db_filename(m_db.get(), stem.toUtf8().constData()));
    }
    return {};
}

QStringList Database::textColumns(const QString& table) const
{
    QStringList columns;
    sqlite3_stmt* raw = nullptr;
    const QByteArray sql = (QStringLiteral("SELECT * FROM ") + QuotedIdentifier(table)).toUtf8();
    if (!m_db || sqlite3_prepare_v2(m_db.get(), sql.constData(), -1, &raw, nullptr) != SQLITE_OK)
        return columns;
    SqliteStatementPtr st(raw);
    for (int c = 0; c < sqlite3_column_count(raw); ++c) {
        const char* declared = sqlite3_column_decltype(raw, c);
        if (declared && qstricmp(declared, "TEXT") == 0)
            columns << QString::fromUtf8(sqlite3_column_name(raw, c));
    }
    return columns;
}

void Database::exec(const QString& sql)
{
    if (sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        raise();
}

void Database::connect()
{
    disconnect();
    const QString dirPath = path();
    const QDir dir(dirPath);
    if (dirPath.isEmpty() || !dir.exists())
        throw EDBEngineError(
            QStringLiteral("Nie znaleziono katalogu bazy danych: %1").arg(dirPath));

    // One thread uses the connection: SQLite's own locking per call is not needed.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    SqliteConnectionPtr db = openMain(mainFile, flags);
    sqlite3* raw = db.get();
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    static quint64 connections = 0;
    m_generation = ++connections;
    sqlite3_extended_result_codes(raw, 0);
    RegisterPolishText(raw);
    m_db = std::move(db);

    try {
        for (const QString& name : tableFiles) {
            const QFileInfo fi(dir.filePath(name));
            // ATTACH would make a missing file an empty table file.
            if (fi.isFile() && !m_tables.contains(fi.completeBaseName(), Qt::CaseInsensitive))
                attach(fi.absoluteFilePath(), fi.completeBaseName());
        }
        removeLeftoversOfCutWrites();
    } catch (...) {
        disconnect();
        throw;
    }
}

void Database::attach(const QString& file, const QString& schema)
{
    sqlite3* raw = m_db.get();
    if (!SqliteFile::attachTo(raw, file, schema))
        throw error(file);
    m_tables << schema;
    // A rollback journal (never WAL) keeps the two files the whole data whenever no statement
    // runs, so copying them is a complete backup. Reading the schema here also fails early, and
    // by name, on a file that is not a database.
    const QByteArray pragma =
        QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(QuotedIdentifier(schema)).toUtf8();
    if (sqlite3_exec(raw, pragma.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw error(file);
}

// A commit cut short by a power cut or a kill leaves its super-journal beside the main file and
// may leave table journals that SQLite will never play. While this connection holds every table
// file exclusively no other copy of the program is committing, and taking the lock has let SQLite
// roll back each journal that still needed it: whatever is left is of no use to anyone. A copy
// that is reading or writing now makes this wait for a later start.
void Database::removeLeftoversOfCutWrites()
{
    sqlite3* raw = m_db.get();
    QStringList leftovers;
    for (const QString& stem : m_tables)
        leftovers << QFile::decodeName(sqlite3_db_filename(raw, stem.toUtf8().constData())) +
                         QStringLiteral("-journal");
    const QFileInfo main(QFile::decodeName(sqlite3_db_filename(raw, "main")));
    if (!main.fileName().isEmpty()) {
        const QDir folder = main.dir();
        for (const QString& name : folder.entryList({main.fileName() + QStringLiteral("-mj*")},
                                                    QDir::Files | QDir::Hidden))
            leftovers << folder.filePath(name);
    }
    if (std::none_of(leftovers.cbegin(), leftovers.cend(),
                     [](const QString& f) { return QFileInfo::exists(f); }))
        return;
    sqlite3_busy_timeout(raw, 0);
    if (sqlite3_exec(raw, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK) {
        // Table journals first: a super-journal is only looked up through them.
        for (const QString& f : leftovers)
            QFile::remove(f);
    }
    if (!sqlite3_get_autocommit(raw))
        sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
}

void Database::disconnect() noexcept
{
    m_db.reset();
    m_tables.clear();
}

bool Database::hasStatements() const
{
    return m_db && sqlite3_next_stmt(m_db.get(), nullptr) != nullptr;
}
