#pragma once

#include <QString>

// The reading side of the import, run in a process of its own: the reader program
// rejestr-paradox, which the program starts for every table (see ConvertParadoxTable), so that
// nothing pxlib does with a damaged file can take the program down.

// The reader program's file name; the installer puts it beside the program file.
inline constexpr char kParadoxReaderName[] = "rejestr-paradox";
// The reader's exit code for a refused file, with the reason on its standard output; it exits
// with 0 once the table file is written, answering "ROWS PAGE DECLARED": the number of rows,
// the code page the texts were read in and the one the file declares.
inline constexpr int kParadoxReaderRefused = 3;

// In place of a code page: the reader picks the page the texts read best in (LikelyCodePage).
inline constexpr int kLikelyCodePage = -1;

struct ReadTable
{
    qint64 rows = 0;
    int codePage = 0;     // the page the texts were read in
    int declaredPage = 0; // the page the file's header names, 0 when none
};

// Writes sqliteFile afresh as the table file tableFile ("kontrahenci.DB" or "rejestr.DB"):
// one table named after its stem, with the program's columns and indexes, holding every record
// of paradoxFile in its order. Columns are matched by name, case-insensitively; a column the
// file lacks, or a logical field, reads as empty (0, "" and, for the never-written WARTOSC,
// NULL); extra fields are ignored; texts are kept whole. Refused, with a Polish reason naming
// the file (and the record, for a value), when it is not a readable Paradox table, shares no
// column with the table, holds one of the table's columns in a field whose values cannot be
// carried over (memo, binary, time), or holds a value no register can: a number (ID,
// IDKONTRAHENTA) that is not a whole number from 1 to 18 digits, an amount or rate that is no
// number or beyond ±10^13, a date code below 0 or beyond eight digits. On failure nothing is
// left at sqliteFile. Texts are read in codePage (kLikelyCodePage: the one the first records'
// texts read best in).
bool ReadParadoxTable(const QString& paradoxFile, const QString& tableFile,
                      const QString& sqliteFile, int codePage, ReadTable* result,
                      QString* error = nullptr);
