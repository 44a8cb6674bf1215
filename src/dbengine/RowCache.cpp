#include "dbengine/RowCache.h"

#include <QLocale>

#include <sqlite3.h>

#include <cmath>

void RowCache::reset(int columns)
{
    m_columns = columns;
    m_values.clear();
    m_types.clear();
    m_text.clear();
    m_values.shrink_to_fit();
    m_types.shrink_to_fit();
    m_text.shrink_to_fit();
}

void RowCache::clearRows()
{
    m_values.clear();
    m_types.clear();
    m_text.clear();
}

void RowCache::reserveRows(int rows)
{
    const std::size_t cells = std::size_t(rows) * std::size_t(m_columns);
    m_values.reserve(cells);
    m_types.reserve(cells);
    m_text.reserve(std::size_t(rows) * 64);
}

void RowCache::appendRow(sqlite3_stmt* st)
{
    for (int c = 0; c < m_columns; ++c) {
        Value v{};
        Type t = Type::Null;
        switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER:
            t = Type::Integer;
            v.i = sqlite3_column_int64(st, c);
            break;
        case SQLITE_FLOAT:
            t = Type::Float;
            v.d = sqlite3_column_double(st, c);
            break;
        case SQLITE_NULL:
            break;
        default: {
            t = Type::Text;
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            const int len = sqlite3_column_bytes(st, c);
            v.t = Span{std::uint32_t(m_text.size()), std::uint32_t(len)};
            if (p)
                m_text.append(p, std::size_t(len));
            break;
        }
        }
        m_values.push_back(v);
        m_types.push_back(t);
    }
}

void RowCache::appendNull()
{
    m_values.push_back(Value{});
    m_types.push_back(Type::Null);
}

void RowCache::appendInteger(qint64 value)
{
    Value v{};
    v.i = value;
    m_values.push_back(v);
    m_types.push_back(Type::Integer);
}

void RowCache::appendFloat(double value)
{
    Value v{};
    v.d = value;
    m_values.push_back(v);
    m_types.push_back(Type::Float);
}

void RowCache::appendText(const char* utf8, std::size_t length)
{
    Value v{};
    v.t = Span{std::uint32_t(m_text.size()), std::uint32_t(length)};
    if (utf8)
        m_text.append(utf8, length);
    m_values.push_back(v);
    m_types.push_back(Type::Text);
}

void RowCache::appendRowFrom(const RowCache& other, int row)
{
    for (int c = 0; c < m_columns; ++c) {
        const std::size_t i = other.index(row, c);
        Value v = other.m_values[i];
        if (other.m_types[i] == Type::Text) {
            v.t.offset = std::uint32_t(m_text.size());
            m_text.append(other.m_text, other.m_values[i].t.offset, other.m_values[i].t.length);
        }
        m_values.push_back(v);
        m_types.push_back(other.m_types[i]);
    }
}

qint64 RowCache::integer(int row, int col) const
{
    const std::size_t i = index(row, col);
    switch (m_types[i]) {
    case Type::Integer:
        return m_values[i].i;
    case Type::Float:
        return qint64(std::llround(m_values[i].d));
    case Type::Text:
        return text(row, col).trimmed().toLongLong();
    case Type::Null:
        break;
    }
    return 0;
}

double RowCache::real(int row, int col) const
{
    const std::size_t i = index(row, col);
    switch (m_types[i]) {
    case Type::Integer:
        return double(m_values[i].i);
    case Type::Float:
        return m_values[i].d;
    case Type::Text:
        return text(row, col).trimmed().toDouble();
    case Type::Null:
        break;
    }
    return 0.0;
}

QString RowCache::text(int row, int col) const
{
    const std::size_t i = index(row, col);
    switch (m_types[i]) {
    case Type::Integer:
        return QString::number(m_values[i].i);
    case Type::Float:
        return QString::number(m_values[i].d, 'g', QLocale::FloatingPointShortest);
    case Type::Text:
        return QString::fromUtf8(m_text.data() + m_values[i].t.offset, m_values[i].t.length);
    case Type::Null:
        break;
    }
    return {};
}

std::size_t RowCache::bytesUsed() const
{
    return m_values.capacity() * sizeof(Value) + m_types.capacity() + m_text.capacity();
}
