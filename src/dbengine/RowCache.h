#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3_stmt;

// Rows read from a statement, kept compact: one 8-byte value and one type byte per cell, all
// texts of all rows in one UTF-8 buffer. Views of many rows stay small and never allocate a
// QString or QVariant per cell.
class RowCache
{
public:
    enum class Type : std::uint8_t
    {
        Null,
        Integer,
        Float,
        Text
    };

    void reset(int columns);
    // Drops the rows but keeps the memory, for a cache refilled row after row.
    void clearRows();
    void reserveRows(int rows);
    void appendRow(sqlite3_stmt* st);
    // A row cell by cell, for a store whose rows come as typed texts: one call per column.
    void appendNull();
    void appendInteger(qint64 value);
    void appendFloat(double value);
    void appendText(const char* utf8, std::size_t length);
    // Appends row `row` of another cache of the same width.
    void appendRowFrom(const RowCache& other, int row);

    int columns() const { return m_columns; }
    int rows() const { return m_columns ? int(m_types.size() / std::size_t(m_columns)) : 0; }

    Type type(int row, int col) const { return m_types[index(row, col)]; }
    qint64 integer(int row, int col) const;
    double real(int row, int col) const;
    // Integers as decimal digits, floats as their shortest round-trip text, NULL as "".
    QString text(int row, int col) const;

    std::size_t bytesUsed() const;

private:
    struct Span
    {
        std::uint32_t offset;
        std::uint32_t length;
    };
    union Value {
        qint64 i;
        double d;
        Span t;
    };

    std::size_t index(int row, int col) const { return std::size_t(row) * m_columns + col; }

    int m_columns = 0;
    std::vector<Value> m_values;
    std::vector<Type> m_types;
    std::string m_text;
};
