#pragma once

#include "dbengine/SqliteHandles.h"

#include <QString>
#include <QStringList>

// A connection by database name, driver and NAME=value parameters. The "PATH=" parameter names
// a directory; every "*.DB" file in it is an SQLite database holding one table named after the
// file's stem, and is attached under that stem so statements can name the table directly.
class Database
{
public:
    Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    QString databaseName;
    QString driverName;
    QStringList params;
    // A file for the connection's own main database, which holds nothing. Only with one does a
    // transaction that writes the tables of two files commit as a whole after a power cut
    // (SQLite then keeps a super-journal beside it). Empty, or not creatable: memory.
    QString mainFile;

    // Raises EDBEngineError with the engine's message on failure.
    void connect();
    void disconnect() noexcept;
    bool isConnected() const { return m_db != nullptr; }
    // Changes with every connect, so a statement prepared on an earlier connection is never
    // taken for one of this connection.
    quint64 generation() const { return m_generation; }

    // The directory named by "PATH=", as given.
    QString path() const;
    QStringList attachedTables() const { return m_tables; }

    // Raises EDBEngineError when not connected.
    sqlite3* handle() const;

    // Runs one statement without rows or parameters (pragmas, transaction control).
    void exec(const QString& sql);

    // Raises EDBEngineError carrying the connection's current message.
    [[noreturn]] void raise() const;

private:
    SqliteConnectionPtr m_db;
    QStringList m_tables;
    quint64 m_generation = 0;
};
