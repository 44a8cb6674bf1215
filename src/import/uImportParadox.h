#pragma once

#include <QString>

#include <functional>

class TmyDataBase;

// Bringing the data of the old program over: its Paradox table files kontrahenci.DB and
// rejestr.DB take the place of the live tables. No windows here; the menu command asks and
// tells through the functions it is given.

// The file of that name in dir, whatever the case of its letters (copies made on Windows
// often read KONTRAHENCI.DB); empty when dir holds none.
QString FindTableFile(const QString& dir, const QString& name);

struct ImportCounts
{
    qint64 taxpayers = 0;
    qint64 entries = 0;
};

// Converts both tables of dir into fresh table files beside the live ones and swaps them in,
// all or nothing (see SwapInTables). False, with a Polish reason naming the file, when either
// file is missing or refused, or the swap failed; the live data is then unchanged.
bool ImportParadoxTables(TmyDataBase* dataModule, const QString& dir, ImportCounts* counts,
                         QString* error = nullptr);

// What the import reports, e.g. "Zaimportowano 2 podatników i 3 zapisy rejestru.".
QString ImportSummary(const ImportCounts& counts);

using AskFunction = std::function<bool(const QString& title, const QString& message)>;
using InfoFunction = std::function<void(const QString& title, const QString& message)>;

// "Administracja" -> "Import danych z tabel Paradox" once a directory is chosen: checks that
// it holds both tables, asks whether to replace the current data, imports and reports.
// Answers whether the data was replaced.
bool RunParadoxImport(TmyDataBase* dataModule, const QString& dir, const AskFunction& ask,
                      const InfoFunction& info);
