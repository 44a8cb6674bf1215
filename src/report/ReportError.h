#pragma once

#include <QString>

#include <stdexcept>

// The one error the report engine raises: a template that cannot be read or understood, or a
// failure while the report is prepared. The message is meant for the user as it stands.
class EReportError : public std::runtime_error
{
public:
    explicit EReportError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};
