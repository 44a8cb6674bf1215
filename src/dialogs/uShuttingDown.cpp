#include "dialogs/uShuttingDown.h"

#include <QCoreApplication>
#include <QPointer>

namespace {
bool shuttingDownFlag = false;
// A test may create more than one application object in turn; each one is watched once.
QPointer<QCoreApplication> watchedApplication;
} // namespace

void WatchApplicationQuit()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || watchedApplication == app)
        return;
    watchedApplication = app;
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { shuttingDownFlag = true; });
}

bool ApplicationIsShuttingDown()
{
    WatchApplicationQuit();
    return shuttingDownFlag || !QCoreApplication::instance() || QCoreApplication::closingDown();
}

void MarkShuttingDown(bool shuttingDown)
{
    WatchApplicationQuit();
    shuttingDownFlag = shuttingDown;
}
