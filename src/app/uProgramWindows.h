#pragma once

#include <QStringList>

#include <memory>

class TfMain;
class TfSumy;
class TmyDataBase;

// The program's data module and windows, made in the order start-up needs, with the globals of
// uWindows.h pointing at them while they live. The program makes them so, and so do the tests
// that run its main window, so the list of windows exists once.
class ProgramWindows
{
public:
    // The data module (not connected yet) and the main window (not started yet).
    ProgramWindows();
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // The main window's start-up, the data module's connection, the other windows and the
    // login. False when the program is not to run on.
    bool start(const QStringList& arguments);

    TmyDataBase& dataModule() const { return *m_dataModule; }
    TfMain& main() const { return *m_main; }

private:
    void createWindows();

    std::unique_ptr<TmyDataBase> m_dataModule;
    std::unique_ptr<TfMain> m_main;
    std::unique_ptr<TfSumy> m_sums; // a window of its own, beside the main window
};
