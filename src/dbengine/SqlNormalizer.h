#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Turns the program's statement texts (written for a table-file engine) into SQLite's dialect:
// a table-file reference "name.DB" becomes "name", and a number directly followed by an
// identifier character ("20080300AND") gets a blank inserted. String literals, quoted
// identifiers, comments and ":NAME" parameters are copied untouched.
QString NormalizeSql(const QString& text);

// A word, number, quoted text or punctuation mark of a statement (comments left out), with its
// bracket depth and place: words in upper case; "(" at the depth outside it, ")" likewise.
struct SqlToken
{
    QString word;
    qsizetype at;
    qsizetype end;
    int depth;
};
QList<SqlToken> SqlTokens(const QString& text);

// The same text for a PostgreSQL server: besides the above, each ":NAME" parameter becomes "$n"
// (a name used twice keeps its number), "SELECT *" of a table lists the columns columnsOf gives
// for it (the server's tables keep their row number as a column of their own), every term of the
// statement's ORDER BY places NULLs lowest as the files do, and a subquery in FROM gets the
// alias the server requires.
struct ServerSql
{
    QString text;
    QStringList parameters; // names in the order of their numbers
};
ServerSql NormalizeSqlForServer(const QString& text,
                                const std::function<QStringList(const QString& table)>& columnsOf);
