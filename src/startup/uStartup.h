#pragma once

#include <QString>
#include <QStringList>

// Whether this start may run beside another copy: only the exact first argument
// "ENABLEMULTIRUN" allows it.
bool MultiRunAllowed(const QStringList& arguments);

// What the user is told and what the log gets when the engine session cannot start, given the
// engine's message and its version text.
struct StartupFailure
{
    QString text;
    QString logLine;
};
StartupFailure SessionFailure(const QString& message, const QString& version);
