#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class RowCache;

// A prepared statement of the program's connection, on whichever store it runs: values bound by
// position (from 1) or by the name its text gave them, rows read into a RowCache. Failures raise
// EDBEngineError with the store's message.
class Statement
{
public:
    virtual ~Statement() = default;

    virtual int parameterCount() const = 0;
    // The name of the parameter at a position, without its colon.
    virtual QString parameterName(int position) const = 0;
    virtual void bind(int position, qint64 value) = 0;
    virtual void bind(int position, double value) = 0;
    virtual void bind(int position, const QByteArray& utf8) = 0;

    // A row: true; the end: false.
    virtual bool step() = 0;
    // Ready to run again, the values cleared.
    virtual void reset() noexcept = 0;

    virtual int columnCount() = 0;
    virtual QString columnName(int column) = 0;
    // Appends the current row to a cache as wide as the result.
    virtual void appendRow(RowCache& into) const = 0;
    // Rows the last run changed.
    virtual qint64 changes() const = 0;
};

using StatementPtr = std::unique_ptr<Statement>;
