#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh program directory laid out by the installer code in a temporary folder, made the
// program directory for the test's lifetime. Pins the regional settings to a Polish system
// (dash, comma) so texts compare the same on every machine.
class TempProgramDir
{
public:
    TempProgramDir();
    ~TempProgramDir();
    TempProgramDir(const TempProgramDir&) = delete;
    TempProgramDir& operator=(const TempProgramDir&) = delete;

    bool isValid() const { return m_ok; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& relative) const { return m_dir.filePath(relative); }

    // Runs SQL straight on one table file (e.g. "rejestr.DB"), bypassing the program, to arrange
    // data or read back what the program wrote. Returns the first column of the first row.
    QString sql(const QString& tableFile, const QString& statement) const;

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};
