#pragma once

#include <QString>

// Helpers of the archive tests, reading table files with their own SQLite connection.

// Every row of the file's table with every value and its storage type, in rowid order, so two
// files compare equal only when they hold the same data.
QString DumpTable(const QString& file);

// Runs statements straight on a table file; false with a warning on an error.
bool RunSql(const QString& file, const QString& statements);

// Puts taxpayers and register entries with Polish texts, amounts and dates into the program
// directory's table files; `variant` changes every value, so two variants never compare equal.
void FillData(const QString& programDir, int variant, int entries = 50);
