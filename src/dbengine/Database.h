#pragma once

#include "dbengine/EDBEngineError.h"
#include "dbengine/SqliteHandles.h"
#include "dbengine/Statement.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class PgConnection;

// A connection by database name, driver and NAME=value parameters. The "PATH=" parameter names
// a directory; each of tableFiles in it is an SQLite database holding one table named after the
// file's stem, and is attached under that stem so statements can name the table directly.
// "SERVER=" names a PostgreSQL server instead (a libpq connection string) that holds tables of
// the same names; statements are sent in the same texts either way.
class Database
{
public:
    enum class Store
    {
        Files,
        Server
    };
    // Asked for the server's password when it wants one; std::nullopt when the user gives up.
    using PasswordPrompt = std::function<std::optional<QString>(const QString& why, bool retry)>;

    Database();
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
    bool isConnected() const { return m_db != nullptr || m_server != nullptr; }
    Store store() const { return m_server ? Store::Server : Store::Files; }
    // The connection string "SERVER=" gives; empty for the table files.
    QString server() const;
    PasswordPrompt passwordPrompt;
    // Whether a statement is still prepared on the connection (one would keep the files open).
    bool hasStatements() const;
    // Changes with every connect, so a statement prepared on an earlier connection is never
    // taken for one of this connection.
    quint64 generation() const { return m_generation; }

    // The directory named by "PATH=", as given.
    QString path() const;
    QStringList attachedTables() const { return m_tables; }

    // Raises EDBEngineError when not connected, or connected to a server.
    sqlite3* handle() const;
    // Raises EDBEngineError when not connected to a server.
    PgConnection& serverConnection() const;

    // A statement in the program's dialect, made ready for the store. A stream reads a large
    // result a part at a time where the store would otherwise send it whole.
    StatementPtr prepare(const QString& sql, bool stream = false);

    // The columns a table declares TEXT (none when it cannot be read).
    QStringList textColumns(const QString& table) const;

    // Runs one statement without rows or parameters (pragmas, transaction control). On a server
    // "BEGIN IMMEDIATE" also takes the tables' write lock, so writers queue as on the files.
    void exec(const QString& sql);

    // The connection's current error, with the file it concerns where that can be told.
    EDBEngineError error(const QString& file = {}) const;
    // Raises error().
    [[noreturn]] void raise() const;

private:
    void attach(const QString& file, const QString& schema);
    QString damagedTable() const;
    void removeLeftoversOfCutWrites();

    static quint64 nextGeneration();
    void connectServer(const QString& conninfo);
    StatementPtr prepareOnServer(const QString& sql, bool stream);
    void execOnServer(const QString& sql);
    QStringList serverTextColumns(const QString& table) const;
    QString param(const QString& name) const;

    SqliteConnectionPtr m_db;
    std::unique_ptr<PgConnection> m_server;
    // The server's columns of each table in their order, the row number left out.
    QHash<QString, QStringList> m_serverColumns;
    QHash<QString, QStringList> m_serverTextColumns;
    QStringList m_tables;
    quint64 m_generation = 0;
};
