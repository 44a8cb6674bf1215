#include "dbengine/Database.h"

#include "dbengine/EDBEngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// How long a statement waits for another process to release the files before failing with
// the engine's "database is locked" message.
constexpr int kBusyTimeoutMs = 3000;

QString quoteIdentifier(const QString& name)
{
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
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

void Database::raise() const
{
    throw EDBEngineError(m_db ? QString::fromUtf8(sqlite3_errmsg(m_db.get()))
                              : QStringLiteral("Baza danych nie jest połączona"));
}

void Database::exec(const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(m_db.get()));
        sqlite3_free(err);
        throw EDBEngineError(msg);
    }
}

void Database::connect()
{
    disconnect();
    const QString dirPath = path();
    const QDir dir(dirPath);
    if (dirPath.isEmpty() || !dir.exists())
        throw EDBEngineError(
            QStringLiteral("Nie znaleziono katalogu bazy danych: %1").arg(dirPath));

    sqlite3* raw = nullptr;
    // One thread uses the connection: SQLite's own locking per call is not needed.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    int rc = SQLITE_CANTOPEN;
    if (!mainFile.isEmpty()) {
        rc = sqlite3_open_v2(QFile::encodeName(mainFile).constData(), &raw, flags, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close_v2(raw);
            raw = nullptr;
        }
    }
    if (rc != SQLITE_OK)
        rc = sqlite3_open_v2(":memory:", &raw, flags, nullptr);
    SqliteConnectionPtr db(raw);
    if (rc != SQLITE_OK)
        throw EDBEngineError(QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    static quint64 connections = 0;
    m_generation = ++connections;
    sqlite3_extended_result_codes(raw, 0);
    m_db = std::move(db);

    try {
        const QFileInfoList files = dir.entryInfoList(
            {QStringLiteral("*.DB"), QStringLiteral("*.db")}, QDir::Files, QDir::Name);
        for (const QFileInfo& fi : files) {
            const QString stem = fi.completeBaseName();
            if (m_tables.contains(stem, Qt::CaseInsensitive))
                continue;
            sqlite3_stmt* rawSt = nullptr;
            if (sqlite3_prepare_v2(raw, "ATTACH DATABASE ?1 AS ?2", -1, &rawSt, nullptr) !=
                SQLITE_OK)
                raise();
            SqliteStatementPtr st(rawSt);
            const QByteArray file = fi.absoluteFilePath().toUtf8();
            const QByteArray schema = stem.toUtf8();
            sqlite3_bind_text(rawSt, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(rawSt, 2, schema.constData(), int(schema.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(rawSt) != SQLITE_DONE)
                raise();
            m_tables << stem;
            // A rollback journal (never WAL) keeps the two files the whole data whenever no
            // statement runs, so copying them is a complete backup. Reading the schema here
            // also fails early on a file that is not a database.
            exec(QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(quoteIdentifier(stem)));
        }
    } catch (...) {
        disconnect();
        throw;
    }
}

void Database::disconnect() noexcept
{
    m_db.reset();
    m_tables.clear();
}
