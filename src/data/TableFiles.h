#pragma once

#include "data/Progress.h"

#include <QString>
#include <QStringList>

// Where the live table files lie.

// The live data directory: the program directory's db/.
QString DataDirectory();
// Whether dir is the live data directory itself, however it is spelt (links, "..", a trailing
// separator). Archives are never made, deleted or restored there, nor tables imported from it.
bool IsDataDirectory(const QString& dir);

// The columns a table file must hold, by its file name ("rejestr.DB"); empty for another name.
QStringList ExpectedColumns(const QString& tableFile);

// Whether file is a table file tableFile ("rejestr.DB") can be: SQLite's, intact (its quick
// check), and holding the one expected table with its columns and nothing that would act on it
// (no other table a statement could reach instead, no view, no trigger). False with the reason.
// A check of a large file shows its progress and stops when the user stops it.
bool VerifyTableFile(const QString& file, const QString& tableFile, QString* error,
                     bool readOnly = false, Progress* progress = nullptr);
