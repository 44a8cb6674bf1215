#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh program directory laid out by the installer code in a temporary folder, made the
// program directory for the test's lifetime. Pins the regional settings to a Polish system
// (dash, comma) so texts compare the same on every machine.
//
// With REJESTR_TEST_STORE=server in the environment the tables live in a fresh database of the
// tests' own PostgreSQL server instead, named in rejestr.ini as an office's installation names
// its server; the files in db/ are then left unused. When that server cannot be had, the test
// fails (never skips): a run meant for the server must not pass on the files.
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

    // Whether this run keeps the tables on the server.
    static bool serverRun();
    bool onServer() const { return !m_server.isEmpty(); }
    // The server's connection string; empty on the files.
    QString server() const { return m_server; }

    // Runs SQL straight on one table (e.g. "rejestr.DB"), bypassing the program, to arrange data
    // or read back what the program wrote: on the table file, or on the server in the same
    // dialect the program's statements use. Returns the first column of the first row ("ERROR:
    // ..." on failure).
    QString sql(const QString& tableFile, const QString& statement) const;

private:
    QString serverSql(const QString& statement) const;

    QTemporaryDir m_dir;
    QString m_server;
    bool m_ok = false;
};
