#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The first rows of a converted table file as they will be stored, shown as the program shows
// them (dates as dates, amounts with two decimals), in the file's order; the never-written
// WARTOSC is left out.
struct TablePreview
{
    QStringList columns;
    std::vector<QStringList> rows;
};

// Empty when the file cannot be read.
TablePreview ReadTablePreview(const QString& tableFile, const QString& tableName, int rowLimit);
