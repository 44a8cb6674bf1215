#pragma once

#include "dbengine/EDBEngineError.h"
#include "dbengine/SqliteHandles.h"

#include <QString>
#include <QStringList>

// A connection by database name, driver and NAME=value parameters. The "PATH=" parameter names
// a directory; each of tableFiles in it is an SQLite database holding one table named after the
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
    // The table files of the directory; any other file there is left alone.
    QStringList tableFiles;
    // A file for the connection's own main database, which holds nothing. Only with one does a
    // transaction that writes the tables of two files commit as a whole after a power cut
    // (SQLite then keeps a super-journal beside it). Empty, or not creatable: memory. A damaged
    // one is made anew: it holds nothing.
    QString mainFile;

    // Raises EDBEngineError on failure; a table file that cannot be read is named in it.
    // Super-journals and table journals left by a cut commit go once no other connection uses
    // the tables.
    void connect();
    void disconnect() noexcept;
    bool isConnected() const { return m_db != nullptr; }
    // Whether a statement is still prepared on the connection (one would keep the files open).
    bool hasStatements() const;
    // Changes with every connect, so a statement prepared on an earlier connection is never
    // taken for one of this connection.
    quint64 generation() const { return m_generation; }

    // The directory named by "PATH=", as given.
    QString path() const;
    QStringList attachedTables() const { return m_tables; }

    // Raises EDBEngineError when not connected.
    sqlite3* handle() const;

    // The columns a table declares TEXT (none when it cannot be read).
    QStringList textColumns(const QString& table) const;

    // Runs one statement without rows or parameters (pragmas, transaction control).
    void exec(const QString& sql);

    // The connection's current error, with the file it concerns where that can be told.
    EDBEngineError error(const QString& file = {}) const;
    // Raises error().
    [[noreturn]] void raise() const;

private:
    void attach(const QString& file, const QString& schema);
    QString damagedTable() const;
    void removeLeftoversOfCutWrites();

    SqliteConnectionPtr m_db;
    QStringList m_tables;
    quint64 m_generation = 0;
};
