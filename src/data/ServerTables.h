#pragma once

#include <QHash>
#include <QString>

#include <functional>

class PgConnection;

// Moving the whole register between a PostgreSQL server and table files: an archive made from
// a server is the same two table files as one made from the files, and a restore or an import
// onto a server reads table files.

// Told how many rows are done; false stops the work.
using RowsDone = std::function<bool(qint64 rows)>;

// Writes the server's two tables, both as of one moment, into new table files named by the table
// (stem -> path; an existing file there is replaced), rows in the server's order. False with the
// reason; an empty reason when rowsDone stopped it.
bool SnapshotServerTables(PgConnection& connection, const QHash<QString, QString>& files,
                          const RowsDone& rowsDone, QString* error);

// Replaces every row of the server's two tables with the rows of the table files (stem -> path),
// in one transaction: other copies see the old register or the new one, never a mix. False with
// the reason (the server keeps its rows); an empty reason when rowsDone stopped it.
bool ReplaceServerTables(PgConnection& connection, const QHash<QString, QString>& files,
                         const RowsDone& rowsDone, QString* error);
