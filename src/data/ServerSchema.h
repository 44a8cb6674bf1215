#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class PgConnection;

// The two tables on a PostgreSQL server: the same names and columns as in the table files (whole
// numbers BIGINT, amounts DOUBLE PRECISION, texts TEXT), plus a row number the views order ties
// by, as the files' own row numbers do. Beside them: the Polish collation and the search function
// the program's statements name, and a trigger per table telling the other copies of the program
// that something changed.

// The channel the triggers notify.
inline constexpr const char* kChangesChannel = "rejestr_zmiany";

// Everything the program needs that is missing, made in one transaction; never drops or alters
// a table or a row. Numbers that repeat on the server keep their table without the unique index
// (said in *warnings). False with the server's message.
bool InstallServerSchema(PgConnection& connection, QStringList* warnings, QString* error);

// The statements without the unique indexes, which depend on the data (for reading).
QByteArray ServerSchemaSql();
