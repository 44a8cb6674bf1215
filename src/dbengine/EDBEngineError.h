#pragma once

#include <QString>

#include <stdexcept>

// The one error the database engine layer raises; carries the engine's own message so that
// callers can show it and write it to the error log unchanged.
class EDBEngineError : public std::runtime_error
{
public:
    explicit EDBEngineError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};
