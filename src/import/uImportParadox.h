#pragma once

#include "data/Progress.h"
#include "import/Duplicates.h"
#include "import/ParadoxReader.h"
#include "import/TablePreview.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

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

// Both tables of a folder converted beside the live ones, waiting for the user's yes: the user
// may see their first rows, read the texts in another code page, and then swap them in.
// Converted files never swapped in are removed with the object.
class ParadoxImport
{
public:
    struct Table
    {
        QString name;   // "kontrahenci.DB" or "rejestr.DB"
        QString source; // the Paradox file
        QString staged; // the converted file beside the live one
        ReadTable read;
        std::vector<RenumberedEntry> renumbered; // the register's repeated numbers, settled
    };

    explicit ParadoxImport(const QString& dir);
    ~ParadoxImport();
    ParadoxImport(const ParadoxImport&) = delete;
    ParadoxImport& operator=(const ParadoxImport&) = delete;

    // Converts both tables, texts in the page they read best in, and settles their repeated
    // numbers (see SettleDuplicates). False, with a Polish reason naming the file, when either
    // file is missing or refused.
    // Stopped through progress: refused, nothing left.
    bool stage(QString* error = nullptr, Progress* progress = nullptr);
    // Converts table t again, its texts read in codePage.
    bool restage(size_t t, int codePage, QString* error = nullptr, Progress* progress = nullptr);
    const Table& table(size_t t) const { return m_tables[t]; }
    static constexpr size_t tableCount() { return 2; }
    TablePreview preview(size_t t, int rowLimit) const;

    // Swaps both converted tables in, all or nothing (see SwapInTables); the live data is
    // unchanged on failure.
    bool commit(TmyDataBase* dataModule, ImportCounts* counts, QString* error = nullptr);

private:
    bool convert(Table& table, int codePage, QString* error, Progress* progress);
    void removeStaged();

    QString m_dir;
    std::array<Table, 2> m_tables;
};

// Converts both tables of dir and swaps them in, all or nothing, without asking: texts in the
// page they read best in, repeated entry numbers renumbered (listed in renumbered).
bool ImportParadoxTables(TmyDataBase* dataModule, const QString& dir, ImportCounts* counts,
                         QString* error = nullptr,
                         std::vector<RenumberedEntry>* renumbered = nullptr);

// A count with its noun in the form Polish puts after it: one, a few (a last digit of 2 to 4,
// but not 12 to 14), or many: Counted(5, "zapis", "zapisy", "zapisów") is "5 zapisów".
QString Counted(qint64 n, const char* one, const char* few, const char* many);

// What the import reports, e.g. "Zaimportowano 2 podatników i 3 zapisy rejestru.".
QString ImportSummary(const ImportCounts& counts);

using AskFunction = std::function<bool(const QString& title, const QString& message)>;
using InfoFunction = std::function<void(const QString& title, const QString& message)>;
// Shows the converted tables; answers whether the user accepts them.
using PreviewFunction = std::function<bool(ParadoxImport& import)>;
// What shows the progress of the long steps (reading the tables, swapping them in); may answer
// nullptr.
using ProgressFunction = std::function<std::unique_ptr<Progress>()>;

// "Administracja" -> "Import danych z tabel Paradox" once a directory is chosen: checks that
// it holds both tables, asks whether to replace the current data, converts them, shows them,
// and once accepted swaps them in and reports. Answers whether the data was replaced.
// A stopped reading is told and replaces nothing.
bool RunParadoxImport(TmyDataBase* dataModule, const QString& dir, const AskFunction& ask,
                      const InfoFunction& info, const PreviewFunction& preview,
                      const ProgressFunction& progress = {});
