#pragma once

// Whether the application is on its way out, so that the information window is not shown any
// more. No dependency beyond QtCore.
//
// ApplicationIsShuttingDown() answers true once any of these holds:
//   - QCoreApplication::aboutToQuit has been emitted (the main event loop has ended; the signal
//     is watched from the first call of any function here or from the creation of TinfoForm);
//   - MarkShuttingDown(true) was called (main calls it when it decides to quit);
//   - the application object is being destroyed, or there is none.
// MarkShuttingDown(false) clears the first two, for tests that simulate a shutdown.

void WatchApplicationQuit();
bool ApplicationIsShuttingDown();
void MarkShuttingDown(bool shuttingDown = true);
