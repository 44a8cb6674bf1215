#pragma once

#include "dbengine/RowCache.h"
#include "dbengine/Statement.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <array>
#include <functional>

class Database;

// A statement made of text lines with named text parameters, and, once opened, a cursor over
// its rows. A plain result is read whole when it opens. A view (setFirstScreen) keeps only a
// window of rows around what is wanted: it opens with its first screen, counts its rows when
// asked, and reads other windows on demand, continuing from the window's edge rows by the
// view's order and the tie-break (keyset), or, for a far jump, by position. No statement stays
// open between calls: a half-read statement would hold a read lock on the table files, and
// another copy of the program could not save.
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
    // Moves the cursor to a row, reading a window that holds it; rows beyond the result are
    // ignored.
    void setCursor(int row);

    // Makes a view's text a windowed view whose first screen is `rows` rows; tieBreak (e.g.
    // ", rowid") completes its final ORDER BY into a total order, so every window meets the
    // next exactly. The text must be "SELECT * ... ORDER BY <one expression> [ASC|DESC]";
    // any other text is read whole. 0 turns windows off.
    void setFirstScreen(int rows, const QString& tieBreak);
    // Whether the open result is read in windows.
    bool windowed() const { return m_open && m_keyset; }

    // Rows of the result as far as known: until the view is counted, the rows read so far.
    int rowCount() const { return m_count; }
    bool rowCountKnown() const { return m_countKnown; }
    // Counts the view's rows once per run (one statement); answers rowCount().
    int countRows();
    // Reads a window holding the row unless it is held; false when the result has no such row.
    bool fetchRow(int row);
    // Moves the cursor to the first row, in the view's order, meeting an SQL condition on the
    // view's table (numbers and fixed names only), found by counting the rows before it;
    // answers that row or -1 (the cursor then stays).
    int locate(const QString& condition);

    // Reads the whole result in order from a statement of its own, one row at a time, without
    // touching the window or the cursor: textAt(streamRow(), f) reads the row streamNext()
    // stepped to. The statement is open (a read lock) until streamNext() answers false or
    // endStream().
    void beginStream();
    bool streamNext();
    int streamRow() const { return m_streamRow; }
    void endStream() noexcept;

    int fieldCount() const { return int(m_fieldNames.size()); }
    QString fieldName(int field) const { return m_fieldNames.value(field); }
    // Case-insensitive; -1 when the result has no such column.
    int fieldIndex(const QString& name) const;
    // As fieldIndex, but raises EDBEngineError for a missing column.
    int field(const QString& name) const;

    // Values of any row (read on demand); NULL reads as 0 or "".
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

    // While disabled, cursor moves and changes of the row count are not announced; enabling
    // announces both once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // Bytes held for rows: the window, the current row and a streamed row.
    std::size_t cacheBytes() const;

Q_SIGNALS:
    // The result is about to be (re)opened or closed, and has been: everything read before is
    // gone between the two.
    void resultAboutToReset();
    void resultReset();
    // rowCount() changed: counted, or a read found the result's end elsewhere (another copy
    // added or deleted rows).
    void rowCountChanged();
    void cursorMoved(int row);

private:
    enum class Way
    {
        Forward,
        Backward
    };
    // A row's place in the order: its sort value and tie-break value.
    struct Key
    {
        RowCache::Type type = RowCache::Type::Null;
        qint64 integer = 0;
        double real = 0.0;
        QByteArray text;
        qint64 tie = 0;
    };

    StatementPtr prepare(const QString& sqlText, const Key* key = nullptr, int limit = -1,
                         int offset = 0, bool stream = false);
    // Keeps a finished statement for the next run of the same text: preparing a view's
    // statement costs about as much as reading its first screen.
    void retire(StatementPtr& statement, const QByteArray& text) noexcept;
    void startResult(Statement& st, int hidden);
    // Steps a statement to its end into `into`, then retires it.
    void readAll(StatementPtr st, RowCache& into);
    void parseView();
    QString orderBy(Way way) const;
    QString keyCondition(Way way, const Key& key, bool inclusive, bool nullPart) const;
    // Up to `rows` rows in the way's order, from the key on (or from the end).
    void readRows(Way way, const Key* from, bool inclusive, int rows, RowCache& into);
    Key keyOf(const RowCache& rows, int row) const;
    void extendForward(int rows);
    void extendBackward(int rows);
    void jumpTo(int row);
    void loadByOffset(int start, int rows);
    void replaceWindow(int base, RowCache& rows);
    void setCount(int count, bool known);
    void shiftPositions(int by);
    bool inWindow(int row) const { return row >= m_base && row < m_base + m_window.rows(); }
    // The rows holding `row`, with the row's index in them; nullptr when it cannot be read.
    const RowCache* rowSource(int row, int& index) const;
    void moveCursor(int row, bool atEof);
    void announceCount();

    Database* m_database = nullptr;
    QStringList m_lines;
    QHash<QString, QString> m_params;
    // A few finished statements, newest first: a view switches between a handful of texts.
    struct Spare
    {
        StatementPtr statement;
        QByteArray text;
        quint64 generation = 0;
    };
    std::array<Spare, 16> m_spares;
    QByteArray m_preparedText; // text of the statement prepare() returned last

    int m_firstScreen = 0;
    QString m_tieBreak;
    // The view's parts, from parseView(): the select with the sort value and tie-break as two
    // hidden columns, how a condition joins its WHERE, the sort expression and direction.
    bool m_keyset = false;
    QString m_select;
    QString m_from; // " FROM ... [WHERE ...]"
    QString m_join;
    QString m_sortExpression;
    QString m_tieColumn;
    bool m_ascending = true;
    int m_hidden = 0;

    RowCache m_window;
    int m_base = 0; // the window's first row
    int m_count = 0;
    bool m_countKnown = true;
    int m_announcedCount = 0;
    RowCache m_current; // the cursor's row, kept while the window moves on
    StatementPtr m_stream;
    RowCache m_streamed;
    int m_streamRow = -1;

    QStringList m_fieldNames;
    QList<DisplayHook> m_hooks;
    QHash<QString, DisplayHook> m_hookByName;
    bool m_open = false;
    bool m_eof = true;
    int m_cursor = -1;
    int m_disableCount = 0;
};
