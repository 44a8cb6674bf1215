#pragma once

#include "support/TempProgramDir.h"

#include "app/uProgramWindows.h"

#include <QStringList>

class TfMain;
class TmyDataBase;

// The program's data module and windows over a fresh program directory, started as the program
// starts them and logged in with the default password; or, with Start::Later, not yet started,
// so that a test can arrange the tables first.
struct MainProgram
{
    enum class Start
    {
        LoggedIn,
        Later
    };

    TempProgramDir dir;
    ProgramWindows windows;
    TmyDataBase* const dm;
    TfMain* const main;

    explicit MainProgram(Start when = Start::LoggedIn);

    // Start-up with these arguments, the login answered with the default password. False when
    // the program would not run on or no login window came.
    bool start(const QStringList& arguments = multiRun());
    // The arguments of a copy that may run beside another.
    static QStringList multiRun();

    QString sql(const QString& file, const QString& statement) const
    {
        return dir.sql(file, statement);
    }
    // Adds taxpayers, e.g. "(1,'Nazwa','Skrót')" for (ID,NAZWA,SKROT), and re-runs the list.
    void addTaxpayers(const QString& values);
    // Makes the taxpayer current and switches to the register tab.
    void openRegisterOf(qint64 taxpayer);
};
