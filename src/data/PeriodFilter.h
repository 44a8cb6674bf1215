#pragma once

#include <QString>

// The register view's period filter lines. Both compare whole-number date codes YYYYMMDD and,
// as the stored program texts always did, put no blank between the first number and the second
// "AND".

// monthIndex: 0 = all, 1..12 = January..December; yearIndex: 0 = all, else year = 1969 + index.
// A year of "all" drops the month as well (the caller resets its month list).
QString YearMonthFilter(int monthIndex, int yearIndex);

// From and to are date texts of the two edits; a text with blanks counts as no bound.
QString DateRangeFilter(const QString& fromText, const QString& toText);

// Index of a year in the year list ("(Wszystkie)", 1970 ... 2500), and the year at an index
// (0: every year).
inline int YearIndex(int year)
{
    return year - 1969;
}
inline int YearAtIndex(int index)
{
    return index > 0 ? 1969 + index : 0;
}
inline constexpr int kFirstYear = 1970;
inline constexpr int kLastYear = 2500;
