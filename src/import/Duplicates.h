#pragma once

#include <QString>

#include <vector>

// Numbers the old program let repeat. The program finds a taxpayer by its number and an entry
// by its taxpayer and number, so a repeated one would make every later edit or delete change
// two records; a table brought over is settled before it replaces anything.

struct RenumberedEntry
{
    qint64 taxpayer = 0;
    qint64 oldNumber = 0;
    qint64 newNumber = 0;
    qint64 record = 0; // the record's place in the file it came from, from 1
};

// Settles the freshly converted table file stagedFile (table tableName, from the file source):
// in the register, every entry that repeats the number of an earlier entry of its taxpayer (in
// the file's order) takes that taxpayer's next free number, and is listed in renumbered; the
// entries keep their order and every other value. Taxpayers sharing a number are refused, naming
// the records: which of them the entries under that number belong to, nobody can tell. The
// numbers' index is then made unique (EnsureUniqueNumbers).
bool SettleDuplicates(const QString& stagedFile, const QString& tableName, const QString& source,
                      std::vector<RenumberedEntry>* renumbered, QString* error = nullptr);

// What the user is told of the renumbered entries before they are stored (at most a few named);
// empty when there are none.
QString RenumberedText(const std::vector<RenumberedEntry>& renumbered);
// The same in a sentence, for the message after the data is replaced.
QString RenumberedSummary(const std::vector<RenumberedEntry>& renumbered);
