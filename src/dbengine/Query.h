#pragma once

#include "dbengine/RowCache.h"
#include "dbengine/SqliteHandles.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <array>
#include <functional>

class Database;

// A statement made of text lines with named text parameters, and, once opened, a forward
// cursor over its rows. Rows are read from the engine into a compact cache; with a first screen
// set, a view of a million rows opens with its first rows only and reads the rest when a row
// beyond them is wanted. The cursor is an index into the cache.
//
// Cursor semantics follow a classic dataset: after open() or first() the cursor stands on the
// first row; next() on the last row leaves it there and sets eof().
class Query : public QObject
{
    Q_OBJECT
public:
    // Supplies the text of a field for a row of an open result.
    using DisplayHook = std::function<QString(const Query& query, int row)>;

    explicit Query(Database* database = nullptr, QObject* parent = nullptr);
    ~Query() override;

    void setDatabase(Database* database) { m_database = database; }
    Database* database() const { return m_database; }

    // Statement lines; a slot is rewritten as a whole line. Parameter values survive rewrites.
    QStringList& sql() { return m_lines; }
    const QStringList& sql() const { return m_lines; }
    void setLine(int line, const QString& text);
    QString text() const; // lines each ended by CR LF, as sent to the engine

    // Binds a named text parameter (name without the colon).
    void setParam(const QString& name, const QString& value);
    QString param(const QString& name) const { return m_params.value(name); }
    void clearParams() { m_params.clear(); }

    // Raise EDBEngineError with the engine's message.
    void open();
    // Runs a statement that returns no rows; answers how many rows it changed.
    int execute();
    void close() noexcept;
    // As close, and also finalises the statement kept for reuse, so nothing of this query holds
    // on to the connection (before the table files are swapped).
    void release() noexcept;
    bool isOpen() const { return m_open; }

    void first();
    void next();
    bool eof() const { return m_eof; }
    bool isEmpty() const;
    int cursor() const { return m_cursor; }
    // Moves the cursor to a row already read or readable; out-of-range rows are ignored.
    void setCursor(int row);

    // Rows read so far, and whether the result has delivered all of them.
    int fetchedCount() const { return m_cache.rows(); }
    bool allFetched() const { return !m_restPending; }
    // Opens with the first rows only, as a statement limited to that many rows, so the engine
    // sorts for a first screen rather than for the whole result; the rest comes from a second,
    // unlimited run when it is asked for. orderSuffix completes the statement's final ORDER BY
    // into a total order (e.g. ", rowid") so that both runs agree on where the first rows end.
    // 0 turns it off: open() then reads the whole result.
    void setFirstScreen(int rows, const QString& orderSuffix);

    // Reads everything that is left; answers how many rows that was. A statement is never left
    // half-read between calls: it would hold a read lock on the table files, and another copy
    // of the program could not save until this view was scrolled to its end. After a failure
    // the result stays incomplete and the next call tries again.
    int fetchAll();

    int fieldCount() const { return m_cache.columns(); }
    QString fieldName(int field) const { return m_fieldNames.value(field); }
    // Case-insensitive; -1 when the result has no such column.
    int fieldIndex(const QString& name) const;
    // As fieldIndex, but raises EDBEngineError for a missing column.
    int field(const QString& name) const;

    // Values of any read row; NULL reads as 0 or "".
    qint64 integerAt(int row, int field) const;
    double floatAt(int row, int field) const;
    // The stored value as text, without the display hook.
    QString rawTextAt(int row, int field) const;
    // The text as shown: the field's display hook if it has one, else the stored value.
    QString textAt(int row, int field) const;

    // Values of the current row.
    qint64 asInteger(const QString& name) const;
    double asFloat(const QString& name) const;
    QString asText(const QString& name) const;

    void setDisplayHook(const QString& fieldName, DisplayHook hook);
    void clearDisplayHooks();

    // While disabled, cursor moves and newly read rows are not announced; enabling announces
    // the rows read meanwhile and the final cursor position once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    std::size_t cacheBytes() const { return m_cache.bytesUsed(); }

Q_SIGNALS:
    // The result is about to be (re)opened or closed, and has been: everything read before is
    // gone between the two.
    void resultAboutToReset();
    void resultReset();
    // Rows [from, to] were appended to the cache.
    void rowsFetched(int from, int to);
    void cursorMoved(int row);

private:
    SqliteStatementPtr prepare(const QString& extra = {});
    // Keeps a finished statement for the next run of the same text: preparing a view's
    // statement costs about as much as reading its first screen.
    void retire(SqliteStatementPtr& statement) noexcept;
    // Steps m_statement to its end into the cache and retires it.
    void readToEnd();
    void fetchUntil(int row);
    void announceRows();
    void moveCursor(int row, bool atEof);

    Database* m_database = nullptr;
    QStringList m_lines;
    QHash<QString, QString> m_params;
    SqliteStatementPtr m_statement;
    // A few finished statements, newest first: a view switches between a handful of texts.
    struct Spare
    {
        SqliteStatementPtr statement;
        QByteArray text;
        quint64 generation = 0;
    };
    std::array<Spare, 4> m_spares;
    QByteArray m_preparedText; // text and connection of the statement prepare() returned last
    quint64 m_preparedGeneration = 0;
    QByteArray m_statementText;
    quint64 m_statementGeneration = 0;
    int m_firstScreen = 0;
    QString m_orderSuffix;
    bool m_restPending = false;
    RowCache m_cache;
    QStringList m_fieldNames;
    QList<DisplayHook> m_hooks;
    QHash<QString, DisplayHook> m_hookByName;
    bool m_open = false;
    bool m_eof = true;
    int m_cursor = -1;
    int m_announcedRows = 0;
    int m_disableCount = 0;
};
