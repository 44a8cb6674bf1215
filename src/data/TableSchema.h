#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// The two table files and what they hold: the one description the installer makes them from,
// the import converts into, and an archive or a restore checks against.

enum class ColumnType
{
    Integer,
    Real,
    Text
};

struct TableColumn
{
    const char* name;
    ColumnType type;
};

struct TableSchema
{
    const char* file; // "kontrahenci.DB"
    const char* stem; // the table's name in its file: "kontrahenci"
    std::vector<TableColumn> columns;
    // Indexes serve the views: year and month filters and sums per taxpayer, the next number
    // and every update or delete by number; without them each touches the whole table.
    const char* indexes;
    // The numbers the program finds a record by, unique (see UniqueNumbers.h).
    const char* numbersIndex;
    const char* numbers;
};

// kontrahenci.DB, then rejestr.DB.
const std::vector<TableSchema>& TableSchemas();
// By file name or stem, letter case ignored; null for any other name.
const TableSchema* SchemaOf(const QString& tableFile);

const char* SqlType(ColumnType type);
QStringList ColumnNames(const TableSchema& table);
// The statements making the table in an empty file, with every index.
QByteArray CreateTableSql(const TableSchema& table);
// The table alone, and its indexes: the numbers' index unique unless said otherwise (a
// converted table gets it only once its repeated numbers are settled).
QByteArray TableOnlySql(const TableSchema& table);
QByteArray IndexesSql(const TableSchema& table, bool uniqueNumbers);
QByteArray NumbersIndexSql(const TableSchema& table, bool unique);
