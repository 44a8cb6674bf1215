#include "dbengine/Database.h"

#include "dbengine/EDBEngineError.h"
#include "dbengine/PgConnection.h"
#include "dbengine/PolishText.h"
#include "dbengine/RowCache.h"
#include "dbengine/SqlNormalizer.h"
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

// A statement of the program's connection to the table files.
class FileStatement final : public Statement
{
public:
    FileStatement(const Database& database, SqliteStatementPtr st)
        : m_database(database), m_st(std::move(st))
    {
    }

    int parameterCount() const override { return sqlite3_bind_parameter_count(m_st.get()); }
    QString parameterName(int position) const override
    {
        const char* name = sqlite3_bind_parameter_name(m_st.get(), position);
        return name ? QString::fromUtf8(name + 1) : QString();
    }
    void bind(int position, qint64 value) override
    {
        check(sqlite3_bind_int64(m_st.get(), position, value));
    }
    void bind(int position, double value) override
    {
        check(sqlite3_bind_double(m_st.get(), position, value));
    }
    void bind(int position, const QByteArray& utf8) override
    {
        check(sqlite3_bind_text(m_st.get(), position, utf8.constData(), int(utf8.size()),
                                SQLITE_TRANSIENT));
    }
    bool step() override
    {
        const int rc = sqlite3_step(m_st.get());
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw m_database.error();
    }
    void reset() noexcept override
    {
        sqlite3_reset(m_st.get());
        sqlite3_clear_bindings(m_st.get());
    }
    int columnCount() override { return sqlite3_column_count(m_st.get()); }
    QString columnName(int column) override
    {
        return QString::fromUtf8(sqlite3_column_name(m_st.get(), column));
    }
    void appendRow(RowCache& into) const override { into.appendRow(m_st.get()); }
    qint64 changes() const override { return sqlite3_changes64(sqlite3_db_handle(m_st.get())); }

private:
    void check(int rc) const
    {
        if (rc != SQLITE_OK)
            throw m_database.error();
    }

    const Database& m_database;
    SqliteStatementPtr m_st;
};

} // namespace

Database::Database() = default;

Database::~Database()
{
    disconnect();
}

quint64 Database::nextGeneration()
{
    static quint64 connections = 0;
    return ++connections;
}

QString Database::param(const QString& name) const
{
    for (const QString& p : params) {
        const qsizetype eq = p.indexOf(u'=');
        if (eq > 0 && p.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return p.mid(eq + 1);
    }
    return {};
}

QString Database::path() const
{
    return param(QStringLiteral("PATH"));
}

QString Database::server() const
{
    return param(QStringLiteral("SERVER")).trimmed();
}

sqlite3* Database::handle() const
{
    if (m_server)
        throw EDBEngineError(
            QStringLiteral("Baza danych %1 jest na serwerze, nie w plikach").arg(databaseName));
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

StatementPtr Database::prepare(const QString& sql, bool stream)
{
    if (m_server)
        return prepareOnServer(sql, stream);
    sqlite3* db = handle();
    const QByteArray text = NormalizeSql(sql).toUtf8();
    sqlite3_stmt* fresh = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                           &fresh, &tail) != SQLITE_OK)
        throw error();
    SqliteStatementPtr st(fresh);
    if (!st)
        throw EDBEngineError(QStringLiteral("Puste zapytanie SQL"));
    if (!QByteArray(tail).trimmed().isEmpty())
        throw EDBEngineError(QStringLiteral("Zapytanie zawiera więcej niż jedną instrukcję SQL"));
    return std::make_unique<FileStatement>(*this, std::move(st));
}

QStringList Database::textColumns(const QString& table) const
{
    if (m_server)
        return serverTextColumns(table);
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
    if (m_server) {
        execOnServer(sql);
        return;
    }
    if (sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        raise();
}

void Database::connect()
{
    disconnect();
    if (const QString conninfo = server(); !conninfo.isEmpty()) {
        connectServer(conninfo);
        return;
    }
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
    m_generation = nextGeneration();
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
    m_server.reset();
    // Statements kept from the closed connection are never taken for the next one's.
    m_generation = 0;
    m_serverColumns.clear();
    m_tables.clear();
}

bool Database::hasStatements() const
{
    return m_db && sqlite3_next_stmt(m_db.get(), nullptr) != nullptr;
}
