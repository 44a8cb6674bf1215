#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <variant>
#include <vector>

// Paradox table files for tests, written by pxlib's own writer so the reader under test meets
// the bytes of an independent implementation.
struct PxField
{
    QByteArray name;
    int type;     // pxlib's pxf* code
    int length;   // bytes in the record
    int decimals; // BCD only
};

// Blank, a whole number (short, long, autoincrement, logical), a number (number, currency),
// bytes (alpha as stored, BCD as digits such as "-12.50"), or a calendar date.
using PxValue = std::variant<std::monostate, qint64, double, QByteArray, QDate>;
using PxRow = std::vector<PxValue>;

// codePage is written into the header as the table's declared code page (0: none).
bool WriteParadoxTable(const QString& path, const std::vector<PxField>& fields,
                       const std::vector<PxRow>& rows, int codePage = 1250);

// The two tables' fields as the old program's files have them.
std::vector<PxField> KontrahenciFields();
std::vector<PxField> RejestrFields();
