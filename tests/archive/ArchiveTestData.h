#pragma once

#include <QString>

class TempProgramDir;

// Helpers of the archive tests, reading table files with their own SQLite connection.

// Every row of the file's table with every value and its storage type, in rowid order, so two
// files compare equal only when they hold the same data.
QString DumpTable(const QString& file);

// The same of the program directory's live table ("rejestr.DB"): its file, or its rows on the
// server, with the types and texts SQLite would give them.
QString DumpLive(const TempProgramDir& dir, const QString& tableFile);

// Runs statements straight on a table file; false with a warning on an error.
bool RunSql(const QString& file, const QString& statements);

// Puts taxpayers and register entries with Polish texts, amounts and dates into the program
// directory's tables in place of what they held; `variant` changes every value, so two variants
// never compare equal.
void FillData(const TempProgramDir& dir, int variant, int entries = 50);
