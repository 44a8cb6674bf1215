#include "data/PeriodFilter.h"

#include "data/uDefinicje.h"

QString YearMonthFilter(int monthIndex, int yearIndex)
{
    if (yearIndex <= 0)
        return {};
    const qint64 year = 1969 + yearIndex;
    qint64 lower = year * 10000;
    qint64 upper = year * 10000 + 1300;
    if (monthIndex >= 1) {
        lower = year * 10000 + monthIndex * 100;
        upper = year * 10000 + (monthIndex + 1) * 100;
    }
    return QStringLiteral("AND DATAWPISU > %1AND DATAWPISU < %2").arg(lower).arg(upper);
}

QString DateRangeFilter(const QString& fromText, const QString& toText)
{
    const int from = DateTextToInt(fromText);
    int to = DateTextToInt(toText);
    if (to == 0)
        to = 99999999;
    return QStringLiteral("AND DATAWPISU >= %1AND DATAWPISU <= %2").arg(from).arg(to);
}
