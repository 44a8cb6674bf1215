// The program's connection when its tables live on a PostgreSQL server.
#include "dbengine/Database.h"
#include "dbengine/PgConnection.h"
#include "dbengine/RowCache.h"
#include "dbengine/SqlNormalizer.h"

#include <atomic>
#include <charconv>

namespace {

// Rows a stream asks the server for at a time: a few screens, never the whole result.
constexpr int kStreamRows = 1000;

class ServerStatement final : public Statement
{
public:
    ServerStatement(PgConnection& connection, ServerSql sql, bool stream)
        : m_connection(connection), m_sql(std::move(sql)), m_text(m_sql.text.toUtf8()),
          m_stream(stream), m_values(m_sql.parameters.size())
    {
    }
    ~ServerStatement() override { reset(); }

    int parameterCount() const override { return int(m_sql.parameters.size()); }
    QString parameterName(int position) const override
    {
        return m_sql.parameters.value(position - 1);
    }
    void bind(int position, qint64 value) override { set(position, QByteArray::number(value)); }
    void bind(int position, double value) override
    {
        set(position, QByteArray::number(value, 'g', 17));
    }
    void bind(int position, const QByteArray& utf8) override { set(position, utf8); }

    bool step() override
    {
        if (!m_ran)
            run();
        if (++m_row < m_result.rows())
            return true;
        if (m_cursor.isEmpty())
            return false;
        fetch();
        m_row = 0;
        if (m_result.rows() > 0)
            return true;
        closeCursor();
        return false;
    }

    void reset() noexcept override
    {
        closeCursor();
        m_result = PgResult();
        m_ran = false;
        m_row = -1;
        for (auto& v : m_values)
            v.reset();
    }

    int columnCount() override
    {
        if (!m_ran)
            run();
        return m_result.columns();
    }
    QString columnName(int column) override
    {
        if (!m_ran)
            run();
        // The server folds unquoted names to lower case; the program names them in upper.
        return m_result.columnName(column).toUpper();
    }

    void appendRow(RowCache& into) const override
    {
        const int columns = m_result.columns();
        for (int c = 0; c < columns; ++c) {
            if (m_result.isNull(m_row, c)) {
                into.appendNull();
                continue;
            }
            const char* p = m_result.rawValue(m_row, c);
            const int length = m_result.rawLength(m_row, c);
            switch (m_result.kind(c)) {
            case PgKind::Integer: {
                qint64 v = 0;
                if (std::from_chars(p, p + length, v).ec == std::errc()) {
                    into.appendInteger(v);
                    continue;
                }
                break;
            }
            case PgKind::Float: {
                double v = 0;
                if (std::from_chars(p, p + length, v).ec == std::errc()) {
                    into.appendFloat(v);
                    continue;
                }
                break;
            }
            case PgKind::Text:
                break;
            }
            into.appendText(p, std::size_t(length));
        }
    }

    qint64 changes() const override { return m_result.affectedRows(); }

private:
    void set(int position, const QByteArray& value)
    {
        if (position >= 1 && position <= m_values.size())
            m_values[position - 1] = value;
    }

    void run()
    {
        m_row = -1;
        if (!m_stream) {
            m_result = m_connection.exec(m_text, m_values);
            m_ran = true;
            return;
        }
        // A cursor in a read-only transaction of its own (or the one running): the rows come a
        // part at a time and all of the same moment.
        if (!m_connection.inTransaction()) {
            m_connection.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
            m_ownTransaction = true;
        }
        static std::atomic<int> cursors{0};
        m_cursor = "strumien_" + QByteArray::number(++cursors);
        try {
            m_connection.exec("DECLARE " + m_cursor + " NO SCROLL CURSOR FOR " + m_text, m_values);
            m_ran = true;
            fetch();
        } catch (...) {
            closeCursor();
            throw;
        }
    }

    void fetch()
    {
        m_result =
            m_connection.exec("FETCH " + QByteArray::number(kStreamRows) + " FROM " + m_cursor);
    }

    void closeCursor() noexcept
    {
        if (m_cursor.isEmpty())
            return;
        try {
            if (m_ownTransaction)
                m_connection.exec("COMMIT"); // ends the cursor too
            else if (m_connection.inTransaction())
                m_connection.exec("CLOSE " + m_cursor);
        } catch (...) {
            // A broken connection took the cursor with it.
        }
        m_cursor.clear();
        m_ownTransaction = false;
    }

    PgConnection& m_connection;
    ServerSql m_sql;
    QByteArray m_text; // as sent, made once: a kept statement runs again and again
    bool m_stream;
    QList<std::optional<QByteArray>> m_values;
    PgResult m_result;
    bool m_ran = false;
    int m_row = -1;
    QByteArray m_cursor;
    bool m_ownTransaction = false;
};

} // namespace

void Database::connectServer(const QString& conninfo)
{
    auto connection = std::make_unique<PgConnection>();
    connection->open(conninfo, passwordPrompt);
    connection->setLockTimeout(kBusyTimeoutMs);

    // The tables' columns in their order, and which hold text (for the Polish order).
    const PgResult columns = connection->exec(
        "SELECT table_name, column_name, data_type FROM information_schema.columns "
        "WHERE table_schema = current_schema() ORDER BY table_name, ordinal_position");
    QHash<QString, QStringList> all;
    QHash<QString, QStringList> texts;
    for (int r = 0; r < columns.rows(); ++r) {
        const QString table = QString::fromUtf8(columns.value(r, 0));
        const QString column = QString::fromUtf8(columns.value(r, 1)).toUpper();
        if (column == QLatin1String("ROWID"))
            continue;
        all[table] << column;
        if (columns.value(r, 2) == "text")
            texts[table] << column;
    }
    QStringList tables;
    for (const QString& file : tableFiles) {
        const QString table = file.section(u'.', 0, 0).toLower();
        if (!all.contains(table))
            throw EDBEngineError(
                QStringLiteral("Na serwerze bazy danych nie ma tabeli %1. Tabele zakłada "
                               "program instalacyjny: rejestr-install --server.")
                    .arg(table));
        tables << table;
    }
    m_server = std::move(connection);
    m_serverColumns = std::move(all);
    m_serverTextColumns = std::move(texts);
    m_tables = tables;
    m_generation = nextGeneration();
}

PgConnection& Database::serverConnection() const
{
    if (!m_server)
        throw EDBEngineError(
            QStringLiteral("Baza danych %1 nie jest połączona z serwerem").arg(databaseName));
    return *m_server;
}

StatementPtr Database::prepareOnServer(const QString& sql, bool stream)
{
    ServerSql text = NormalizeSqlForServer(
        sql, [this](const QString& table) { return m_serverColumns.value(table.toLower()); });
    return std::make_unique<ServerStatement>(*m_server, std::move(text), stream);
}

void Database::execOnServer(const QString& sql)
{
    const QString word = sql.simplified().toUpper();
    // The files' own settings mean nothing to a server.
    if (word.startsWith(QLatin1String("PRAGMA ")))
        return;
    if (word == QLatin1String("BEGIN IMMEDIATE") || word == QLatin1String("BEGIN EXCLUSIVE")) {
        // Writers take turns as on the files; readers go on reading.
        QStringList tables = m_tables;
        tables.sort();
        m_server->exec("BEGIN");
        try {
            m_server->exec(
                ("LOCK TABLE " + tables.join(u',') + " IN SHARE ROW EXCLUSIVE MODE").toUtf8());
        } catch (...) {
            try {
                m_server->exec("ROLLBACK");
            } catch (...) {
            }
            throw;
        }
        return;
    }
    const ServerSql text = NormalizeSqlForServer(
        sql, [this](const QString& table) { return m_serverColumns.value(table.toLower()); });
    m_server->exec(text.text.toUtf8());
}

QStringList Database::serverTextColumns(const QString& table) const
{
    return m_serverTextColumns.value(table.toLower());
}
