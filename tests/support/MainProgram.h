#pragma once

#include "support/TempProgramDir.h"

#include <memory>

class TfMain;
class TfSumy;
class TmyDataBase;

// The main window with its data module and windows over a fresh program directory, started as
// the program starts it and logged in with the default password.
struct MainProgram
{
    TempProgramDir dir;
    std::unique_ptr<TmyDataBase> dm;
    std::unique_ptr<TfMain> main;
    std::unique_ptr<TfSumy> sums;

    MainProgram();
    ~MainProgram();
    MainProgram(const MainProgram&) = delete;
    MainProgram& operator=(const MainProgram&) = delete;

    QString sql(const QString& file, const QString& statement) const
    {
        return dir.sql(file, statement);
    }
    // Adds taxpayers, e.g. "(1,'Nazwa','Skrót')" for (ID,NAZWA,SKROT), and re-runs the list.
    void addTaxpayers(const QString& values);
    // Makes the taxpayer current and switches to the register tab.
    void openRegisterOf(qint64 taxpayer);
};
