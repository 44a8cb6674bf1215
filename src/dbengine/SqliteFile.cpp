#include "dbengine/SqliteFile.h"

#include <QFile>

namespace {

// Copied in slices, so that the copy shows how far it has got and can be stopped.
constexpr int kBackupPagesPerStep = 1024;
// SQLite instructions between two looks at the progress while a statement runs.
constexpr int kInstructionsPerStep = 100000;

bool Failed(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

int ProgressHandler(void* step)
{
    return (*static_cast<SqliteFile::StepFunction*>(step))(0) ? 0 : 1;
}

} // namespace

void SqliteStatement::bind(int position, qint64 value)
{
    sqlite3_bind_int64(m_st.get(), position, value);
}

void SqliteStatement::bind(int position, double value)
{
    sqlite3_bind_double(m_st.get(), position, value);
}

void SqliteStatement::bind(int position, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_st.get(), position, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindNull(int position)
{
    sqlite3_bind_null(m_st.get(), position);
}

bool SqliteStatement::next()
{
    if (!m_st)
        return false;
    const int rc = sqlite3_step(m_st.get());
    if (rc == SQLITE_ROW)
        return true;
    m_failed = rc != SQLITE_DONE;
    return false;
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_st.get());
    m_failed = false;
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_st.get());
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_st.get(), column));
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_st.get(), column) == SQLITE_NULL;
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_st.get(), column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_st.get(), column);
}

QString SqliteStatement::text(int column) const
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_st.get(), column)),
                             sqlite3_column_bytes(m_st.get(), column));
}

bool SqliteFile::open(const QString& path, Mode mode, QString* error)
{
    const int flags = mode == Mode::ReadOnly    ? SQLITE_OPEN_READONLY
                      : mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE
                                                : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    m_db.reset(raw);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(raw, kBusyTimeoutMs);
        return true;
    }
    const QString why = QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
    m_db.reset();
    return Failed(error, why);
}

QString SqliteFile::message() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db.get()));
}

int SqliteFile::errorCode() const
{
    return sqlite3_errcode(m_db.get());
}

bool SqliteFile::lastErrorIsDamage() const
{
    const int code = errorCode();
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

SqliteStatement SqliteFile::prepare(const QByteArray& sql, QString* error)
{
    SqliteStatement statement;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(m_db.get(), sql.constData(), int(sql.size()), &raw, nullptr) !=
        SQLITE_OK)
        Failed(error, message());
    statement.m_st.reset(raw);
    return statement;
}

bool SqliteFile::exec(const QByteArray& sql, QString* error)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db.get(), sql.constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    const QString why = message ? QString::fromUtf8(message) : this->message();
    sqlite3_free(message);
    return Failed(error, why);
}

bool SqliteFile::rows(const QByteArray& sql, QStringList& firstColumn, QString* error)
{
    SqliteStatement st = prepare(sql, error);
    if (!st.isValid())
        return false;
    while (st.next())
        firstColumn << st.text(0);
    return !st.failed() || Failed(error, message());
}

qint64 SqliteFile::scalar(const QByteArray& sql)
{
    SqliteStatement st = prepare(sql);
    return st.next() ? st.integer(0) : -1;
}

bool SqliteFile::inTransaction() const
{
    return sqlite3_get_autocommit(m_db.get()) == 0;
}

bool SqliteFile::attachTo(sqlite3* connection, const QString& path, const QString& schema)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(connection, "ATTACH DATABASE ?1 AS ?2", -1, &raw, nullptr) != SQLITE_OK)
        return false;
    const SqliteStatementPtr st(raw);
    const QByteArray file = path.toUtf8();
    const QByteArray name = schema.toUtf8();
    sqlite3_bind_text(raw, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(raw, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    return sqlite3_step(raw) == SQLITE_DONE;
}

bool SqliteFile::attach(const QString& path, const QString& schema, QString* error)
{
    return attachTo(m_db.get(), path, schema) || Failed(error, message());
}

QString SqliteFile::fileOf(sqlite3* connection, const QString& schema)
{
    const char* file = sqlite3_db_filename(connection, schema.toUtf8().constData());
    return file ? QString::fromUtf8(file) : QString();
}

void SqliteFile::watch(StepFunction step)
{
    m_watch = std::move(step);
    if (m_watch)
        sqlite3_progress_handler(m_db.get(), kInstructionsPerStep, ProgressHandler, &m_watch);
}

bool SqliteFile::copyFrom(sqlite3* source, const QString& schema, QString* error,
                          const StepFunction& stepDone)
{
    sqlite3_backup* backup =
        sqlite3_backup_init(m_db.get(), "main", source, schema.toUtf8().constData());
    if (!backup)
        return Failed(error, message());
    int step = SQLITE_OK;
    bool stopped = false;
    do {
        step = sqlite3_backup_step(backup, kBackupPagesPerStep);
        const int total = sqlite3_backup_pagecount(backup);
        stopped = stepDone && !stepDone(total - sqlite3_backup_remaining(backup));
    } while (!stopped && (step == SQLITE_OK || step == SQLITE_BUSY || step == SQLITE_LOCKED));
    const int finish = sqlite3_backup_finish(backup);
    if (stopped)
        return Failed(error, QString());
    if (step != SQLITE_DONE || finish != SQLITE_OK)
        return Failed(error, step != SQLITE_DONE && step != SQLITE_OK
                                 ? QString::fromUtf8(sqlite3_errstr(step))
                                 : message());
    return true;
}

namespace {

bool ExecOn(sqlite3* db, const QByteArray& sql, QString* error)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        return Failed(error, QString::fromUtf8(sqlite3_errmsg(db)));
    const SqliteStatementPtr st(raw);
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE || Failed(error, QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace

SqliteReadSnapshot::SqliteReadSnapshot(sqlite3* connection)
    : m_db(connection), m_own(sqlite3_get_autocommit(connection) != 0)
{
}

SqliteReadSnapshot::~SqliteReadSnapshot()
{
    if (m_begun)
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
}

bool SqliteReadSnapshot::begin(const QStringList& schemas, QString* error)
{
    if (m_own) {
        if (!ExecOn(m_db, "BEGIN", error))
            return false;
        m_begun = true;
    }
    // A read of each file takes its read lock now, not at the first copy.
    for (const QString& schema : schemas) {
        if (!ExecOn(m_db,
                    "SELECT count(*) FROM " + QuotedIdentifier(schema).toUtf8() + ".sqlite_master",
                    error))
            return false;
    }
    return true;
}

QString QuotedIdentifier(const QString& name)
{
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}
