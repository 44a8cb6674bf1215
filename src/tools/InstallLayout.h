#pragma once

#include <QString>
#include <QStringList>

// Lays out a program directory: the program file and the reader of Paradox tables that lies
// beside it (both replaced by the given build), and, only where absent, db/ with the two empty
// tables and their indexes (an existing table's numbers get their unique index, see
// EnsureUniqueNumbers), rejestr.ini with the default password, debug/, tmpFile/ and the
// default report template. Never overwrites a data file.
struct InstallReport
{
    bool ok = true;
    QStringList created;  // paths made by this run
    QString error;        // first failure, in Polish, when !ok
    QStringList warnings; // what was found wrong and left alone (repeated numbers in a table)
};

// programFile may be empty (tests lay out data only).
InstallReport InstallProgramDir(const QString& dir, const QString& programFile = {});
