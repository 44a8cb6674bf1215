#pragma once

#include "archive/uArchiveDescription.h"
#include "data/Progress.h"
#include "data/TableFiles.h"
#include "import/Duplicates.h"

#include <QString>
#include <QStringList>

struct sqlite3;
class PgConnection;
class TmyDataBase;

// Archive copies of the two table files: where they lie, how they are made and how the data is
// restored from them. No windows here; the archive window asks and tells the user.

// dir + separator + fileName, without doubling a separator that dir already ends with, so the
// root "/" gives "/archiwum.bak" and "C:" gives "C:/archiwum.bak".
QString ArchiveFilePath(const QString& dir, const QString& fileName);

// Whether dir holds an archive description ("archiwum.bak").
bool HoldsArchive(const QString& dir);

enum class CreateOutcome
{
    Created, // dir holds the new archive
    Damaged, // a live table file is damaged; error is the user's message naming it
    Failed,  // the copy could not be made or put in place; error holds the reason
};

// Makes in dir an archive of both tables and the description. The tables are read inside one
// read transaction through SQLite's backup API, so no other writer's statement can be half in
// them. live is the program's connection with the table files attached under their stems, or
// null to read the files of the data directory. The copies are checked as a restore checks them,
// and only then do they and the description replace the archive in dir, as a whole (ArchiveSet.h):
// a failure before that leaves the folder's files as they were, a cut after it is completed by
// the next archive operation on the folder.
// Stopped through progress: Failed with an empty error, the folder's files as they were.
CreateOutcome CreateArchive(sqlite3* live, const QString& dir,
                            const ArchiveDescription& description, QString* error = nullptr,
                            Progress* progress = nullptr);

// The same of the tables on a PostgreSQL server, both read as of one moment. CreateArchive with
// no connection reads the server the settings name, when they name one.
CreateOutcome CreateArchiveFromServer(PgConnection& server, const QString& dir,
                                      const ArchiveDescription& description,
                                      QString* error = nullptr, Progress* progress = nullptr);

// Produces at staged a verified SQLite table file from the archived one: a copy that opens,
// passes SQLite's quick check and holds exactly the one expected table with its columns.
// A Paradox table of the earlier program is converted, its repeated numbers settled (see
// SettleDuplicates; the renumbered entries listed in renumbered). On failure nothing is left at
// staged.
bool StageArchivedTable(const QString& archivedFile, const QString& staged,
                        QString* error = nullptr,
                        std::vector<RenumberedEntry>* renumbered = nullptr,
                        Progress* progress = nullptr);

enum class RestoreOutcome
{
    Restored, // the archived tables are live, the connection reopened, the taxpayer list re-run
    Refused,  // an archived file is missing, damaged or foreign; nothing was touched
    Failed,   // swapping failed; the earlier files were put back and the connection reopened
};

// Restores both tables from the archive in dir, all or nothing: both archived files are staged
// beside the live ones first; only then are the data module's views closed, the connection shut,
// the files swapped by renaming (the earlier ones kept until both are in place) and the connection
// reopened. An interrupted replacement of the archive is completed first; while it cannot be,
// nothing is restored. dataModule may be null (no connection to close). renumbered lists the
// entries of an earlier program's register renumbered on the way. Stopped through progress
// before the swap: Refused with an empty error, nothing touched.
RestoreOutcome RestoreArchive(TmyDataBase* dataModule, const QString& dir, QString* error = nullptr,
                              std::vector<RenumberedEntry>* renumbered = nullptr,
                              Progress* progress = nullptr);
