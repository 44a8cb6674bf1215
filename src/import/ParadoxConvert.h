#pragma once

#include "data/Progress.h"
#include "import/ParadoxReader.h"

#include <QString>

// Turning a Paradox table file of the old program into an SQLite table file of ours.

// Whether the file starts as every SQLite database does ("SQLite format 3" and a zero byte).
bool IsSqliteFile(const QString& path);

// Writes sqliteFile afresh as the table file tableFile ("kontrahenci.DB" or "rejestr.DB") from
// paradoxFile, as ReadParadoxTable describes, in the reader program: pxlib never runs in this
// process, so a file that makes it loop or crash costs a refusal, never the program. A reader
// that outruns its time limit is killed. Refused, with a Polish reason naming the file, on any
// failure; nothing is then left at sqliteFile. Texts are read in codePage (kLikelyCodePage:
// the one they read best in, see LikelyCodePage). Stopped through progress: the reader is
// ended and the conversion refused, nothing left at sqliteFile.
bool ConvertParadoxTable(const QString& paradoxFile, const QString& tableFile,
                         const QString& sqliteFile, int codePage, ReadTable* result,
                         QString* error = nullptr, Progress* progress = nullptr);
// The same with the likely code page, answering the number of rows.
bool ConvertParadoxTable(const QString& paradoxFile, const QString& tableFile,
                         const QString& sqliteFile, qint64* rows = nullptr,
                         QString* error = nullptr);

// The reader program in use: the one set below, else rejestr-paradox beside the program file
// (the installer puts it there), else in bin/ beside it (the build's layout, where the tests and
// tools run). Empty when there is none.
QString ParadoxReaderProgram();

// Another reader and time limit (milliseconds, 0: the default, which grows with the file's
// size); an empty program restores the search above.
void SetParadoxReader(const QString& program, int timeLimitMs = 0);
