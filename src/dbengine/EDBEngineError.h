#pragma once

#include <QString>

#include <stdexcept>

// The one error the database engine layer raises; carries the engine's own message so that
// callers can show it and write it to the error log unchanged, and the engine's result code so
// that the user can be told the reason in Polish without reading the English text.
class EDBEngineError : public std::runtime_error
{
public:
    explicit EDBEngineError(const QString& message, int code = 0, const QString& file = {})
        : std::runtime_error(message.toStdString()), m_message(message), m_code(code), m_file(file)
    {
    }

    const QString& message() const noexcept { return m_message; }
    // SQLite's primary result code (SQLITE_FULL, SQLITE_CORRUPT, ...); 0 for this layer's own
    // errors.
    int code() const noexcept { return m_code; }
    // The database file the error concerns, where it is known.
    const QString& file() const noexcept { return m_file; }

private:
    QString m_message;
    int m_code = 0;
    QString m_file;
};
