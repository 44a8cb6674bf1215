#include "dbengine/Query.h"

#include "dbengine/Database.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/SqlNormalizer.h"

#include <algorithm>

namespace {

// Rows reserved when a result opens without a first screen.
constexpr int kFirstChunk = 64;

} // namespace

Query::Query(Database* database, QObject* parent) : QObject(parent), m_database(database) {}

Query::~Query()
{
    m_statement.reset();
}

void Query::setLine(int line, const QString& text)
{
    while (m_lines.size() <= line)
        m_lines.append(QString());
    m_lines[line] = text;
}

QString Query::text() const
{
    QString t;
    for (const QString& line : m_lines) {
        t += line;
        t += QLatin1String("\r\n");
    }
    return t;
}

void Query::setParam(const QString& name, const QString& value)
{
    m_params.insert(name, value);
}

void Query::setFirstScreen(int rows, const QString& orderSuffix)
{
    m_firstScreen = rows;
    m_orderSuffix = orderSuffix;
}

SqliteStatementPtr Query::prepare(const QString& extra)
{
    if (!m_database)
        throw EDBEngineError(QStringLiteral("Zapytanie nie ma przypisanej bazy danych"));
    sqlite3* db = m_database->handle();
    const QByteArray sqlText = NormalizeSql(text() + extra).toUtf8();
    SqliteStatementPtr st;
    for (Spare& spare : m_spares) {
        if (spare.statement && spare.generation == m_database->generation() &&
            spare.text == sqlText) {
            st = std::move(spare.statement);
            sqlite3_clear_bindings(st.get());
            break;
        }
    }
    if (!st) {
        sqlite3_stmt* fresh = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(db, sqlText.constData(), int(sqlText.size()),
                               SQLITE_PREPARE_PERSISTENT, &fresh, &tail) != SQLITE_OK)
            throw m_database->error();
        st.reset(fresh);
        if (!st)
            throw EDBEngineError(QStringLiteral("Puste zapytanie SQL"));
        if (!QByteArray(tail).trimmed().isEmpty())
            throw EDBEngineError(
                QStringLiteral("Zapytanie zawiera więcej niż jedną instrukcję SQL"));
    }
    m_preparedText = sqlText;
    m_preparedGeneration = m_database->generation();
    sqlite3_stmt* raw = st.get();

    const int count = sqlite3_bind_parameter_count(raw);
    for (int i = 1; i <= count; ++i) {
        const char* rawName = sqlite3_bind_parameter_name(raw, i);
        const QString name = rawName ? QString::fromUtf8(rawName + 1) : QString();
        auto it = m_params.constFind(name);
        if (it == m_params.constEnd()) {
            for (auto j = m_params.constBegin(); j != m_params.constEnd(); ++j) {
                if (j.key().compare(name, Qt::CaseInsensitive) == 0) {
                    it = j;
                    break;
                }
            }
        }
        if (it == m_params.constEnd())
            throw EDBEngineError(QStringLiteral("Brak wartości parametru %1").arg(name));
        const QByteArray value = it.value().toUtf8();
        if (sqlite3_bind_text(raw, i, value.constData(), int(value.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK)
            throw m_database->error();
    }
    return st;
}

void Query::open()
{
    close();
    const bool limited = m_firstScreen > 0;
    SqliteStatementPtr st =
        limited ? prepare(m_orderSuffix + QStringLiteral("\r\nLIMIT %1").arg(m_firstScreen))
                : prepare();
    const int columns = sqlite3_column_count(st.get());
    if (columns == 0)
        throw EDBEngineError(QStringLiteral("Zapytanie nie zwraca wierszy"));

    Q_EMIT resultAboutToReset();
    m_cache.reset(columns);
    m_cache.reserveRows(limited ? m_firstScreen : kFirstChunk);
    m_fieldNames.clear();
    for (int c = 0; c < columns; ++c)
        m_fieldNames << QString::fromUtf8(sqlite3_column_name(st.get(), c));
    m_hooks = QList<DisplayHook>(columns);
    for (auto it = m_hookByName.constBegin(); it != m_hookByName.constEnd(); ++it) {
        const int f = fieldIndex(it.key());
        if (f >= 0)
            m_hooks[f] = it.value();
    }
    m_statement = std::move(st);
    m_statementText = m_preparedText;
    m_statementGeneration = m_preparedGeneration;
    // Rows read while opening are part of the reset, not announced one by one.
    m_announcedRows = 0;
    try {
        readToEnd();
    } catch (...) {
        m_statement.reset();
        m_cache.reset(0);
        m_fieldNames.clear();
        Q_EMIT resultReset();
        throw;
    }
    m_open = true;
    // A full first screen may have more rows behind it.
    m_restPending = limited && m_cache.rows() == m_firstScreen;
    m_announcedRows = m_cache.rows();
    m_cursor = m_cache.rows() > 0 ? 0 : -1;
    m_eof = m_cache.rows() == 0;
    Q_EMIT resultReset();
    if (!controlsDisabled())
        Q_EMIT cursorMoved(m_cursor);
}

int Query::execute()
{
    SqliteStatementPtr st = prepare();
    m_statementText = m_preparedText;
    m_statementGeneration = m_preparedGeneration;
    for (;;) {
        const int rc = sqlite3_step(st.get());
        if (rc == SQLITE_DONE) {
            retire(st);
            return sqlite3_changes(m_database->handle());
        }
        if (rc != SQLITE_ROW)
            throw m_database->error();
    }
}

void Query::close() noexcept
{
    if (!m_open && !m_statement)
        return;
    Q_EMIT resultAboutToReset();
    retire(m_statement);
    m_restPending = false;
    m_cache.reset(0);
    m_fieldNames.clear();
    m_hooks.clear();
    m_open = false;
    m_eof = true;
    m_cursor = -1;
    m_announcedRows = 0;
    Q_EMIT resultReset();
}

void Query::retire(SqliteStatementPtr& statement) noexcept
{
    if (!statement || !m_database)
        return;
    sqlite3_reset(statement.get());
    // The oldest (or an empty) place makes room; the newest goes first.
    std::rotate(m_spares.rbegin(), m_spares.rbegin() + 1, m_spares.rend());
    m_spares[0] = Spare{std::move(statement), m_statementText, m_statementGeneration};
}

void Query::release() noexcept
{
    close();
    for (Spare& spare : m_spares)
        spare.statement.reset();
}

void Query::readToEnd()
{
    sqlite3_stmt* st = m_statement.get();
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            m_cache.appendRow(st);
        } else if (rc == SQLITE_DONE) {
            retire(m_statement);
            return;
        } else {
            const EDBEngineError error = m_database->error();
            m_statement.reset();
            throw error;
        }
    }
}

int Query::fetchAll()
{
    if (!m_restPending || !m_open)
        return 0;
    const int before = m_cache.rows();
    m_statement = prepare(m_orderSuffix);
    m_statementText = m_preparedText;
    m_statementGeneration = m_preparedGeneration;
    try {
        // The rows already in the cache come first in the same order: step over them. After a
        // failed attempt that includes the rows it read, so a retry goes on where it stopped.
        sqlite3_stmt* st = m_statement.get();
        bool done = false;
        for (int skipped = 0; skipped < before && !done; ++skipped) {
            const int rc = sqlite3_step(st);
            if (rc == SQLITE_DONE) {
                done = true; // stepping on would start the statement over
                retire(m_statement);
            } else if (rc != SQLITE_ROW) {
                const EDBEngineError error = m_database->error();
                m_statement.reset();
                throw error;
            }
        }
        if (!done)
            readToEnd();
    } catch (...) {
        // The view stays incomplete, so a report or an export of it fails rather than stopping
        // short; the rows read so far are shown.
        announceRows();
        throw;
    }
    m_restPending = false;
    announceRows();
    return m_cache.rows() - before;
}

void Query::fetchUntil(int row)
{
    if (row >= m_cache.rows())
        fetchAll();
}

void Query::announceRows()
{
    if (controlsDisabled() || !m_open)
        return;
    const int rows = m_cache.rows();
    if (rows > m_announcedRows) {
        const int from = m_announcedRows;
        m_announcedRows = rows;
        Q_EMIT rowsFetched(from, rows - 1);
    }
}

void Query::moveCursor(int row, bool atEof)
{
    m_eof = atEof;
    if (m_cursor == row)
        return;
    m_cursor = row;
    if (!controlsDisabled())
        Q_EMIT cursorMoved(row);
}

void Query::first()
{
    if (!m_open)
        throw EDBEngineError(QStringLiteral("Zbiór danych nie jest otwarty"));
    if (m_cache.rows() > 0)
        moveCursor(0, false);
    else
        m_eof = true;
}

void Query::next()
{
    if (!m_open)
        throw EDBEngineError(QStringLiteral("Zbiór danych nie jest otwarty"));
    fetchUntil(m_cursor + 1);
    if (m_cursor + 1 < m_cache.rows())
        moveCursor(m_cursor + 1, false);
    else
        m_eof = true;
}

bool Query::isEmpty() const
{
    return !m_open || m_cache.rows() == 0;
}

void Query::setCursor(int row)
{
    if (!m_open || row < 0)
        return;
    fetchUntil(row);
    if (row < m_cache.rows())
        moveCursor(row, false);
}

int Query::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (m_fieldNames[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int Query::field(const QString& name) const
{
    const int f = fieldIndex(name);
    if (f < 0)
        throw EDBEngineError(QStringLiteral("Nie znaleziono pola '%1'").arg(name));
    return f;
}

qint64 Query::integerAt(int row, int f) const
{
    return m_cache.integer(row, f);
}

double Query::floatAt(int row, int f) const
{
    return m_cache.real(row, f);
}

QString Query::rawTextAt(int row, int f) const
{
    return m_cache.text(row, f);
}

QString Query::textAt(int row, int f) const
{
    if (f >= 0 && f < m_hooks.size() && m_hooks[f])
        return m_hooks[f](*this, row);
    return m_cache.text(row, f);
}

qint64 Query::asInteger(const QString& name) const
{
    const int f = field(name);
    return m_cursor >= 0 ? integerAt(m_cursor, f) : 0;
}

double Query::asFloat(const QString& name) const
{
    const int f = field(name);
    return m_cursor >= 0 ? floatAt(m_cursor, f) : 0.0;
}

QString Query::asText(const QString& name) const
{
    const int f = field(name);
    return m_cursor >= 0 ? textAt(m_cursor, f) : QString();
}

void Query::setDisplayHook(const QString& fieldName, DisplayHook hook)
{
    m_hookByName.insert(fieldName, hook);
    const int f = fieldIndex(fieldName);
    if (f >= 0)
        m_hooks[f] = std::move(hook);
}

void Query::clearDisplayHooks()
{
    m_hookByName.clear();
    m_hooks = QList<DisplayHook>(m_hooks.size());
}

void Query::disableControls()
{
    ++m_disableCount;
}

void Query::enableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0) {
        announceRows();
        if (m_open)
            Q_EMIT cursorMoved(m_cursor);
    }
}
