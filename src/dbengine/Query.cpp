#include "dbengine/Query.h"

#include "dbengine/Database.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/SqlNormalizer.h"

#include <algorithm>

namespace {

// Rows reserved when a result opens whole.
constexpr int kFirstChunk = 64;

// The statement's words and marks outside brackets.
QList<SqlToken> topLevelTokens(const QString& s)
{
    QList<SqlToken> tokens = SqlTokens(s);
    tokens.removeIf([](const SqlToken& t) { return t.depth != 0; });
    return tokens;
}

// Rows a window grows by past its edge, and most it holds: a few screens, whatever the view.
int stepRows(int screen)
{
    return 2 * screen;
}
int windowRows(int screen)
{
    return 6 * screen;
}

} // namespace

Query::Query(Database* database, QObject* parent) : QObject(parent), m_database(database) {}

Query::~Query()
{
    m_stream.reset();
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

void Query::setFirstScreen(int rows, const QString& tieBreak)
{
    m_firstScreen = rows;
    m_tieBreak = tieBreak;
}

StatementPtr Query::prepare(const QString& sqlText, const Key* key, int limit, int offset,
                            bool stream)
{
    if (!m_database)
        throw EDBEngineError(QStringLiteral("Zapytanie nie ma przypisanej bazy danych"));
    const QByteArray text = sqlText.toUtf8();
    StatementPtr st;
    if (!stream) {
        for (Spare& spare : m_spares) {
            if (spare.statement && spare.generation == m_database->generation() &&
                spare.text == text) {
                st = std::move(spare.statement);
                break;
            }
        }
    }
    if (!st)
        st = m_database->prepare(sqlText, stream);
    m_preparedText = text;
    Statement& raw = *st;

    const int count = raw.parameterCount();
    for (int i = 1; i <= count; ++i) {
        const QString name = raw.parameterName(i);
        // The window's own values: the edge row's key, the row limit and offset.
        if (name == QLatin1String("w_limit")) {
            raw.bind(i, qint64(limit));
        } else if (name == QLatin1String("w_offset")) {
            raw.bind(i, qint64(offset));
        } else if (name == QLatin1String("w_tie") && key) {
            raw.bind(i, key->tie);
        } else if (name == QLatin1String("w_key") && key) {
            switch (key->type) {
            case RowCache::Type::Integer:
                raw.bind(i, key->integer);
                break;
            case RowCache::Type::Float:
                raw.bind(i, key->real);
                break;
            default:
                raw.bind(i, key->text);
                break;
            }
        } else {
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
            raw.bind(i, it.value().toUtf8());
        }
    }
    return st;
}

void Query::retire(StatementPtr& statement, const QByteArray& text) noexcept
{
    if (!statement || !m_database)
        return;
    statement->reset();
    // The oldest (or an empty) place makes room; the newest goes first.
    std::rotate(m_spares.rbegin(), m_spares.rbegin() + 1, m_spares.rend());
    m_spares[0] = Spare{std::move(statement), text, m_database->generation()};
}

void Query::release() noexcept
{
    close();
    endStream();
    for (Spare& spare : m_spares)
        spare.statement.reset();
}

void Query::readAll(StatementPtr st, RowCache& into)
{
    const QByteArray text = m_preparedText;
    while (st->step())
        st->appendRow(into);
    retire(st, text);
}

void Query::parseView()
{
    m_keyset = false;
    m_hidden = 0;
    if (m_firstScreen <= 0)
        return;
    const QString text = NormalizeSql(this->text());
    const QList<SqlToken> tokens = topLevelTokens(text);
    qsizetype order = -1;
    bool where = false;
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].word == QLatin1String("ORDER") && tokens[i + 1].word == QLatin1String("BY"))
            order = i;
    }
    if (order < 2 || tokens[0].word != QLatin1String("SELECT"))
        return;
    const qsizetype star = text.indexOf(u'*', tokens[0].at);
    if (star < 0 || tokens[1].at < star ||
        !text.mid(tokens[0].at + 6, star - tokens[0].at - 6).trimmed().isEmpty())
        return;
    for (qsizetype i = 1; i < order; ++i) {
        if (tokens[i].word == QLatin1String("WHERE"))
            where = true;
        // Only a plain filtered select: windows add their own conditions and limits.
        if (tokens[i].word == QLatin1String(",") || tokens[i].word == QLatin1String("GROUP") ||
            tokens[i].word == QLatin1String("UNION") || tokens[i].word == QLatin1String("LIMIT"))
            return;
    }
    QString expression = text.mid(tokens[order + 1].at + 2).trimmed();
    bool ascending = true;
    const qsizetype last = tokens.size() - 1;
    for (qsizetype i = order + 2; i <= last; ++i) {
        if (tokens[i].word == QLatin1String(",") || tokens[i].word == QLatin1String("LIMIT") ||
            tokens[i].word == QLatin1String("NULLS"))
            return; // one sort key only
    }
    if (last > order + 1 &&
        (tokens[last].word == QLatin1String("ASC") || tokens[last].word == QLatin1String("DESC"))) {
        ascending = tokens[last].word == QLatin1String("ASC");
        expression = text.mid(tokens[order + 1].at + 2, tokens[last].at - tokens[order + 1].at - 2)
                         .trimmed();
    }
    const QString tie = QString(m_tieBreak).remove(u',').trimmed();
    if (expression.isEmpty() || tie.isEmpty())
        return;
    m_sortExpression = u'(' + expression + u')';
    m_tieColumn = tie;
    m_ascending = ascending;
    m_from = text.mid(star + 1, tokens[order].at - star - 1);
    m_select = QStringLiteral("SELECT *, ") + m_sortExpression + QStringLiteral(", ") + tie;
    m_join = where ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
    m_keyset = true;
    m_hidden = 2;
}

QString Query::orderBy(Way way) const
{
    const bool up = m_ascending == (way == Way::Forward);
    return QStringLiteral(" ORDER BY ") + m_sortExpression +
           (up ? QStringLiteral(" ASC, ") : QStringLiteral(" DESC, ")) + m_tieColumn +
           (way == Way::Forward ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
}

QString Query::keyCondition(Way way, const Key& key, bool inclusive, bool nullPart) const
{
    // NULL sorts lowest. Going up from a value never meets a NULL; going down meets them all
    // after the lowest value, as a second part read on its own, so the first part keeps a
    // range the index can seek.
    const bool up = m_ascending == (way == Way::Forward);
    const QString tie = m_tieColumn +
                        (way == Way::Forward ? QStringLiteral(" >") : QStringLiteral(" <")) +
                        (inclusive ? QStringLiteral("= :w_tie") : QStringLiteral(" :w_tie"));
    const QString& e = m_sortExpression;
    if (key.type == RowCache::Type::Null) {
        if (nullPart)
            return e + QStringLiteral(" IS NOT NULL");
        return e + QStringLiteral(" IS NULL AND ") + tie;
    }
    if (nullPart)
        return e + QStringLiteral(" IS NULL");
    return up ? e + QStringLiteral(" >= :w_key AND (") + e + QStringLiteral(" > :w_key OR ") + tie +
                    u')'
              : e + QStringLiteral(" <= :w_key AND (") + e + QStringLiteral(" < :w_key OR ") + tie +
                    u')';
}

void Query::readRows(Way way, const Key* from, bool inclusive, int rows, RowCache& into)
{
    if (!from) {
        readAll(prepare(m_select + m_from + orderBy(way) + QStringLiteral(" LIMIT :w_limit"),
                        nullptr, rows),
                into);
        return;
    }
    const bool up = m_ascending == (way == Way::Forward);
    const QString tail = orderBy(way) + QStringLiteral(" LIMIT :w_limit");
    readAll(prepare(m_select + m_from + m_join + u'(' + keyCondition(way, *from, inclusive, false) +
                        u')' + tail,
                    from, rows),
            into);
    // The second part: the NULLs below the lowest value, or the values above the NULLs.
    const bool twoParts = (from->type == RowCache::Type::Null) == up;
    if (twoParts && into.rows() < rows)
        readAll(prepare(m_select + m_from + m_join + u'(' +
                            keyCondition(way, *from, inclusive, true) + u')' + tail,
                        from, rows - into.rows()),
                into);
}

Query::Key Query::keyOf(const RowCache& rows, int row) const
{
    Key k;
    const int sortColumn = rows.columns() - 2;
    k.type = rows.type(row, sortColumn);
    switch (k.type) {
    case RowCache::Type::Integer:
        k.integer = rows.integer(row, sortColumn);
        break;
    case RowCache::Type::Float:
        k.real = rows.real(row, sortColumn);
        break;
    case RowCache::Type::Text:
        k.text = rows.text(row, sortColumn).toUtf8();
        break;
    case RowCache::Type::Null:
        break;
    }
    k.tie = rows.integer(row, rows.columns() - 1);
    return k;
}

void Query::startResult(Statement& st, int hidden)
{
    const int columns = st.columnCount();
    if (columns == 0)
        throw EDBEngineError(QStringLiteral("Zapytanie nie zwraca wierszy"));
    m_window.reset(columns);
    m_current.reset(columns);
    m_fieldNames.clear();
    for (int c = 0; c < columns - hidden; ++c)
        m_fieldNames << st.columnName(c);
    m_hooks = QList<DisplayHook>(m_fieldNames.size());
    for (auto it = m_hookByName.constBegin(); it != m_hookByName.constEnd(); ++it) {
        const int f = fieldIndex(it.key());
        if (f >= 0)
            m_hooks[f] = it.value();
    }
}

void Query::open()
{
    close();
    parseView();
    Q_EMIT resultAboutToReset();
    try {
        StatementPtr st = m_keyset ? prepare(m_select + m_from + orderBy(Way::Forward) +
                                                 QStringLiteral(" LIMIT :w_limit"),
                                             nullptr, m_firstScreen)
                                   : prepare(text());
        startResult(*st, m_hidden);
        if (!m_keyset)
            m_window.reserveRows(kFirstChunk);
        readAll(std::move(st), m_window);
    } catch (...) {
        m_window.reset(0);
        m_current.reset(0);
        m_fieldNames.clear();
        m_keyset = false;
        Q_EMIT resultReset();
        throw;
    }
    m_open = true;
    m_base = 0;
    m_count = m_window.rows();
    // A full first screen may have more rows behind it: counted when wanted.
    m_countKnown = !m_keyset || m_count < m_firstScreen;
    m_announcedCount = m_count;
    m_cursor = -1;
    if (m_count > 0) {
        m_cursor = 0;
        m_current.appendRowFrom(m_window, 0);
    }
    m_eof = m_count == 0;
    Q_EMIT resultReset();
    if (!controlsDisabled())
        Q_EMIT cursorMoved(m_cursor);
}

int Query::execute()
{
    StatementPtr st = prepare(text());
    const QByteArray sqlText = m_preparedText;
    while (st->step()) {
    }
    const int changed = int(st->changes());
    retire(st, sqlText);
    return changed;
}

void Query::close() noexcept
{
    if (!m_open)
        return;
    Q_EMIT resultAboutToReset();
    m_window.reset(0);
    m_current.reset(0);
    m_fieldNames.clear();
    m_hooks.clear();
    m_open = false;
    m_keyset = false;
    m_eof = true;
    m_cursor = -1;
    m_base = 0;
    m_count = 0;
    m_countKnown = true;
    m_announcedCount = 0;
    Q_EMIT resultReset();
}

int Query::countRows()
{
    if (!m_open || m_countKnown)
        return m_count;
    RowCache count;
    StatementPtr st = prepare(QStringLiteral("SELECT COUNT(*)") + m_from);
    count.reset(st->columnCount());
    readAll(std::move(st), count);
    const int counted = count.rows() ? int(count.integer(0, 0)) : 0;
    // Rows already read past it were added since: the window's rows stay valid.
    setCount(std::max(counted, m_base + m_window.rows()), true);
    return m_count;
}

void Query::setCount(int count, bool known)
{
    m_count = count;
    m_countKnown = known;
    announceCount();
}

void Query::announceCount()
{
    if (controlsDisabled() || !m_open || m_count == m_announcedCount)
        return;
    m_announcedCount = m_count;
    Q_EMIT rowCountChanged();
}

void Query::replaceWindow(int base, RowCache& rows)
{
    std::swap(m_window, rows);
    m_base = base;
}

void Query::shiftPositions(int by)
{
    // Another copy added or deleted rows before the window: its rows keep their order, their
    // numbers move.
    m_base += by;
    if (m_cursor >= 0)
        m_cursor = std::max(0, m_cursor + by);
    setCount(std::max(0, m_count + by), m_countKnown);
}

void Query::extendForward(int rows)
{
    const int end = m_base + m_window.rows();
    const Key from = keyOf(m_window, m_window.rows() - 1);
    RowCache read;
    read.reset(m_window.columns());
    readRows(Way::Forward, &from, false, rows, read);
    const int keep = std::min(m_window.rows(), windowRows(m_firstScreen) - read.rows());
    RowCache merged;
    merged.reset(m_window.columns());
    for (int r = m_window.rows() - keep; r < m_window.rows(); ++r)
        merged.appendRowFrom(m_window, r);
    for (int r = 0; r < read.rows(); ++r)
        merged.appendRowFrom(read, r);
    replaceWindow(end - keep, merged);
    const int newEnd = end + read.rows();
    if (read.rows() < rows)
        setCount(newEnd, true); // the end of the result
    else if (newEnd > m_count)
        setCount(newEnd, m_countKnown);
}

void Query::extendBackward(int rows)
{
    const Key from = keyOf(m_window, 0);
    RowCache read;
    read.reset(m_window.columns());
    readRows(Way::Backward, &from, false, rows, read);
    const int keep = std::min(m_window.rows(), windowRows(m_firstScreen) - read.rows());
    RowCache merged;
    merged.reset(m_window.columns());
    for (int r = read.rows() - 1; r >= 0; --r)
        merged.appendRowFrom(read, r);
    for (int r = 0; r < keep; ++r)
        merged.appendRowFrom(m_window, r);
    const int newBase = m_base - read.rows();
    replaceWindow(newBase, merged);
    if (newBase < 0)
        shiftPositions(-newBase);
    else if (read.rows() < rows && newBase > 0)
        shiftPositions(-newBase);
}

void Query::loadByOffset(int start, int rows)
{
    // From the nearer end, so a jump costs at most half the view.
    const bool fromEnd = start > m_count - start - rows;
    const int offset = fromEnd ? m_count - start - rows : start;
    const Way way = fromEnd ? Way::Backward : Way::Forward;
    RowCache read;
    read.reset(m_window.columns());
    readAll(prepare(m_select + m_from + orderBy(way) +
                        QStringLiteral(" LIMIT :w_limit OFFSET :w_offset"),
                    nullptr, rows, offset),
            read);
    if (read.rows() < rows) {
        // Fewer rows than counted: count again, and take the window from the end.
        m_countKnown = false;
        countRows();
        RowCache last;
        last.reset(m_window.columns());
        readRows(Way::Backward, nullptr, false, rows, last);
        read = RowCache();
        read.reset(m_window.columns());
        for (int r = last.rows() - 1; r >= 0; --r)
            read.appendRowFrom(last, r);
        replaceWindow(std::max(0, m_count - read.rows()), read);
        return;
    }
    if (fromEnd) {
        RowCache ordered;
        ordered.reset(m_window.columns());
        for (int r = read.rows() - 1; r >= 0; --r)
            ordered.appendRowFrom(read, r);
        replaceWindow(start, ordered);
    } else {
        replaceWindow(start, read);
    }
}

void Query::jumpTo(int row)
{
    countRows();
    const int screen = m_firstScreen;
    RowCache read;
    read.reset(m_window.columns());
    if (row >= m_count) {
        // Past the counted end: rows another copy added may follow the last one.
        if (m_window.rows() > 0 && m_base + m_window.rows() == m_count)
            extendForward(stepRows(screen));
    } else if (row < stepRows(screen)) {
        readRows(Way::Forward, nullptr, false, row + stepRows(screen), read);
        const int rows = read.rows();
        replaceWindow(0, read);
        if (rows < row + stepRows(screen))
            setCount(rows, true);
    } else if (row >= m_count - stepRows(screen)) {
        // The last screen, by the reversed order.
        const int rows = std::max(screen, m_count - row + screen / 2);
        RowCache last;
        last.reset(m_window.columns());
        readRows(Way::Backward, nullptr, false, rows, last);
        for (int r = last.rows() - 1; r >= 0; --r)
            read.appendRowFrom(last, r);
        if (last.rows() < rows) {
            replaceWindow(0, read);
            setCount(last.rows(), true);
        } else {
            replaceWindow(m_count - read.rows(), read);
        }
    } else {
        const int start = std::max(0, row - screen / 2);
        loadByOffset(start, std::min(2 * screen, m_count - start));
    }
}

bool Query::fetchRow(int row)
{
    if (!m_open || row < 0)
        return false;
    if (inWindow(row))
        return true;
    if (!m_keyset)
        return false;
    const int end = m_base + m_window.rows();
    const int step = stepRows(m_firstScreen);
    if (m_window.rows() > 0 && row >= end && row < end + step &&
        (row < m_count || row == end || !m_countKnown))
        extendForward(row - end + step);
    else if (m_window.rows() > 0 && row < m_base && row >= m_base - step)
        extendBackward(m_base - row + step);
    else
        jumpTo(row);
    return inWindow(row);
}

int Query::locate(const QString& condition)
{
    if (!m_open)
        throw EDBEngineError(QStringLiteral("Zbiór danych nie jest otwarty"));
    if (!m_keyset)
        throw EDBEngineError(QStringLiteral("Zbiór danych nie ma porządku okien"));
    // The row's place in the order, then how many rows come before it.
    RowCache found;
    StatementPtr st = prepare(QStringLiteral("SELECT ") + m_sortExpression + QStringLiteral(", ") +
                              m_tieColumn + m_from + m_join + u'(' + condition + u')' +
                              orderBy(Way::Forward) + QStringLiteral(" LIMIT 1"));
    found.reset(st->columnCount());
    readAll(std::move(st), found);
    if (found.rows() == 0)
        return -1;
    const Key key = keyOf(found, 0);
    const bool up = !m_ascending; // backward from the row
    const auto countOf = [this](const QString& part) {
        return QStringLiteral("SELECT COUNT(*)") + m_from + m_join + u'(' + part + u')';
    };
    QString count = countOf(keyCondition(Way::Backward, key, false, false));
    // The NULLs below the lowest value are counted apart: one OR over both parts would keep
    // the engine from counting the first part by a range of the index.
    if ((key.type == RowCache::Type::Null) == up)
        count = QStringLiteral("SELECT (") + count + QStringLiteral(") + (") +
                countOf(keyCondition(Way::Backward, key, false, true)) + u')';
    RowCache counted;
    st = prepare(count, &key);
    counted.reset(1);
    readAll(std::move(st), counted);
    const int row = int(counted.integer(0, 0));
    // The window from the row on; the rows above it come by keyset as the grid shows them.
    // The count for the scrollbar is left to the grid, which asks for it after painting.
    RowCache read;
    read.reset(m_window.columns());
    readRows(Way::Forward, &key, true, stepRows(m_firstScreen), read);
    if (read.rows() == 0)
        return -1;
    const int end = row + read.rows();
    const bool atEnd = read.rows() < stepRows(m_firstScreen);
    replaceWindow(row, read);
    // Reading up to the end counts the view: the rows before and the rows read are all of it.
    if (atEnd)
        setCount(end, true);
    else if (end > m_count)
        setCount(end, m_countKnown);
    setCursor(row);
    return row;
}

void Query::beginStream()
{
    endStream();
    if (!m_open)
        throw EDBEngineError(QStringLiteral("Zbiór danych nie jest otwarty"));
    const QString sqlText = m_keyset ? m_select + m_from + orderBy(Way::Forward) : text();
    m_stream = prepare(sqlText, nullptr, -1, 0, true);
    m_streamed.reset(m_stream->columnCount());
    m_streamRow = -1;
}

bool Query::streamNext()
{
    if (!m_stream)
        return false;
    bool row = false;
    try {
        row = m_stream->step();
    } catch (...) {
        endStream();
        throw;
    }
    if (!row) {
        endStream();
        return false;
    }
    m_streamed.clearRows();
    m_stream->appendRow(m_streamed);
    ++m_streamRow;
    return true;
}

void Query::endStream() noexcept
{
    // Not kept for reuse: a stream is a statement of its own kind on a server.
    m_stream.reset();
    m_streamed.reset(0);
    m_streamRow = -1;
}

void Query::moveCursor(int row, bool atEof)
{
    m_eof = atEof;
    int index = 0;
    if (const RowCache* rows = rowSource(row, index); rows && rows != &m_current) {
        m_current.reset(m_window.columns());
        m_current.appendRowFrom(*rows, index);
    }
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
    if (fetchRow(0))
        moveCursor(0, false);
    else
        m_eof = true;
}

void Query::next()
{
    if (!m_open)
        throw EDBEngineError(QStringLiteral("Zbiór danych nie jest otwarty"));
    if (fetchRow(m_cursor + 1))
        moveCursor(m_cursor + 1, false);
    else
        m_eof = true;
}

bool Query::isEmpty() const
{
    return !m_open || m_count == 0;
}

void Query::setCursor(int row)
{
    if (!m_open || row < 0)
        return;
    if (fetchRow(row))
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

const RowCache* Query::rowSource(int row, int& index) const
{
    if (m_stream && row == m_streamRow && m_streamed.rows() == 1) {
        index = 0;
        return &m_streamed;
    }
    if (!inWindow(row)) {
        if (row == m_cursor && m_current.rows() == 1) {
            index = 0;
            return &m_current;
        }
        // A row outside the window is read as it is asked for, like a grid's lazy model.
        if (!const_cast<Query*>(this)->fetchRow(row))
            return nullptr;
    }
    index = row - m_base;
    return &m_window;
}

qint64 Query::integerAt(int row, int f) const
{
    int i = 0;
    const RowCache* rows = rowSource(row, i);
    return rows ? rows->integer(i, f) : 0;
}

double Query::floatAt(int row, int f) const
{
    int i = 0;
    const RowCache* rows = rowSource(row, i);
    return rows ? rows->real(i, f) : 0.0;
}

QString Query::rawTextAt(int row, int f) const
{
    int i = 0;
    const RowCache* rows = rowSource(row, i);
    return rows ? rows->text(i, f) : QString();
}

QString Query::textAt(int row, int f) const
{
    if (f >= 0 && f < m_hooks.size() && m_hooks[f])
        return m_hooks[f](*this, row);
    return rawTextAt(row, f);
}

qint64 Query::asInteger(const QString& name) const
{
    const int f = field(name);
    return m_cursor >= 0 && m_current.rows() ? m_current.integer(0, f) : 0;
}

double Query::asFloat(const QString& name) const
{
    const int f = field(name);
    return m_cursor >= 0 && m_current.rows() ? m_current.real(0, f) : 0.0;
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
        announceCount();
        if (m_open)
            Q_EMIT cursorMoved(m_cursor);
    }
}

std::size_t Query::cacheBytes() const
{
    return m_window.bytesUsed() + m_current.bytesUsed() + m_streamed.bytesUsed();
}
