#pragma once

#include <QApplication>

class EDBEngineError;

// The application object. No exception may cross Qt's event loop: one escaping an event handler
// or slot is reported like every unexpected error (database-error dialog, log code 0) and the
// program goes on.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The handler itself, for errors caught outside the event loop (start-up).
    static void ApplicationException(const QString& message);
    static void ApplicationException(const EDBEngineError& error);
};

// The whole program: start-up, the message loop, the end. Answers the exit code.
int RunProgram(int argc, char** argv);
