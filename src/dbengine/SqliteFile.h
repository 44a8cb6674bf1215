#pragma once

#include "dbengine/SqliteHandles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class SqliteFile;

// A name as SQL writes an identifier: "name", inner quotes doubled.
QString QuotedIdentifier(const QString& name);

// A prepared statement of a SqliteFile: values bound by position (from 1), rows read by
// column (from 0).
class SqliteStatement
{
public:
    bool isValid() const { return bool(m_st); }
    void bind(int position, qint64 value);
    void bind(int position, double value);
    void bind(int position, const QString& text);
    void bindNull(int position);
    // A row: true; the end or an error (failed()): false.
    bool next();
    bool failed() const { return m_failed; }
    // Back to the start, values kept, for the next run.
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    QString text(int column) const;

private:
    friend class SqliteFile;

    // A name as SQL writes an identifier: "name", inner quotes doubled.
    QString QuotedIdentifier(const QString& name);
    SqliteStatementPtr m_st;
    bool m_failed = false;
};

// One SQLite file opened on its own, apart from the program's connection: to make, check,
// convert, settle or copy a table file. Every SQLite call of the program outside the engine's
// views goes through here.
class SqliteFile
{
public:
    enum class Mode
    {
        ReadOnly,
        ReadWrite,
        Create
    };

    SqliteFile() = default;
    // Fixed in place: the engine holds the address of what watch() was given.
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    // The engine's message on failure. ":memory:" opens an empty database of its own. Its
    // statements wait for another process as the program's connection does (kBusyTimeoutMs).
    bool open(const QString& path, Mode mode, QString* error = nullptr);
    bool isOpen() const { return bool(m_db); }
    void close() { m_db.reset(); }
    // The engine's last message and result code, and whether that said the file is damaged or
    // no database at all.
    QString message() const;
    int errorCode() const;
    bool lastErrorIsDamage() const;

    SqliteStatement prepare(const QByteArray& sql, QString* error = nullptr);
    // Runs every statement of sql; false with the engine's message.
    bool exec(const QByteArray& sql, QString* error = nullptr);
    // The first column of every row the statement gives.
    bool rows(const QByteArray& sql, QStringList& firstColumn, QString* error = nullptr);
    // The first column of the first row, or -1.
    qint64 scalar(const QByteArray& sql);
    bool inTransaction() const;
    // Attaches a file under schema; the file must exist (ATTACH would make an empty one).
    bool attach(const QString& path, const QString& schema, QString* error = nullptr);
    // The same on any connection, the program's own too.
    static bool attachTo(sqlite3* connection, const QString& path, const QString& schema);
    // The file attached under schema on a connection; empty when none.
    static QString fileOf(sqlite3* connection, const QString& schema);

    // Told how far long work has got (steps done, 0 when unknown); false stops the work.
    using StepFunction = std::function<bool(qint64 done)>;
    // While statements run, step is called now and then; false interrupts them.
    void watch(StepFunction step);
    // Replaces this file's content with the database attached to source under schema, copied
    // page by page in one read of it; false with the reason, an empty one when step stopped it.
    bool copyFrom(sqlite3* source, const QString& schema, QString* error,
                  const StepFunction& step = {});

    sqlite3* handle() const { return m_db.get(); }

private:
    SqliteConnectionPtr m_db;
    StepFunction m_watch;
};

// One read transaction over the given attached files of a connection (the program's own, or a
// SqliteFile's): while it lasts no writer can commit to any of them, so copies of them show the
// same moment. Joins a transaction the connection already has.
class SqliteReadSnapshot
{
public:
    explicit SqliteReadSnapshot(sqlite3* connection);
    ~SqliteReadSnapshot();
    SqliteReadSnapshot(const SqliteReadSnapshot&) = delete;
    SqliteReadSnapshot& operator=(const SqliteReadSnapshot&) = delete;

    bool begin(const QStringList& schemas, QString* error = nullptr);

private:
    sqlite3* m_db;
    bool m_own;
    bool m_begun = false;
};
