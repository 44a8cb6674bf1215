#pragma once

#include <QString>

// Turning a Paradox table file of the old program into an SQLite table file of ours.

// Whether the file starts as every SQLite database does ("SQLite format 3" and a zero byte).
bool IsSqliteFile(const QString& path);

// Writes sqliteFile afresh as the table file tableFile ("kontrahenci.DB" or "rejestr.DB"):
// one table named after its stem, with the program's columns and indexes, holding every record
// of paradoxFile in its order. Columns are matched by name, case-insensitively; a column the
// file lacks, or a logical field, reads as empty (0, "" and, for the never-written WARTOSC,
// NULL); extra fields are ignored; texts are kept whole. Refused, with a Polish reason naming
// the file, when it is not a readable Paradox table, shares no column with the table, or holds
// one of the table's columns in a field whose values cannot be carried over (memo, binary,
// time). On failure nothing is left at sqliteFile.
bool ConvertParadoxTable(const QString& paradoxFile, const QString& tableFile,
                         const QString& sqliteFile, qint64* rows = nullptr,
                         QString* error = nullptr);
