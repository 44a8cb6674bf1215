#include "data/Regional.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

RegionalSettings& current()
{
    static RegionalSettings settings;
    return settings;
}

} // namespace

const RegionalSettings& Regional()
{
    return current();
}

void SetRegional(const RegionalSettings& settings)
{
    current() = settings;
}

RegionalSettings SystemRegionalSettings()
{
    RegionalSettings s;
    const QLocale locale = QLocale::system();
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    s.dateSeparator = u'-';
    for (const QChar c : format) {
        if (!c.isLetter() && c != u'\'') {
            // A blank (as in "d MMM yyyy") cannot separate typed dates: keep the dash then.
            if (c.isPunct())
                s.dateSeparator = c;
            break;
        }
    }
    const QString point = locale.decimalPoint();
    s.decimalSeparator = point.isEmpty() ? u',' : point.front();
    return s;
}

namespace {

// The amount's text, with an optional suffix written in the same buffer.
QString formatAmount(double value, QStringView suffix)
{
    if (!std::isfinite(value))
        value = 0.0;
    // Whole grosze are counted in 64 bits; a value beyond that has no grosze left to round.
    if (std::fabs(value) >= 1e15)
        return QString::number(value, 'f', 2)
            .replace(u'.', Regional().decimalSeparator)
            .append(suffix.left(8));
    double hundredths = value * 100.0;
    // Near a half grosz the binary value may lie a hair on the wrong side (1234.25*2*0.01 is
    // 2468.4999...): fifteen significant digits give the decimal value to round.
    const double fraction = std::fabs(hundredths - std::trunc(hundredths));
    if (std::fabs(fraction - 0.5) < 1e-6)
        hundredths = QString::number(hundredths, 'g', 15).toDouble();
    const qint64 grosze = std::llround(hundredths);
    // Digits written from the right into a small buffer: called for every amount cell.
    QChar text[32];
    int at = 24;
    for (qsizetype i = 0; i < suffix.size() && i < 8; ++i)
        text[24 + i] = suffix[i];
    qint64 rest = grosze < 0 ? -grosze : grosze;
    text[--at] = QChar(char16_t(u'0' + rest % 10));
    rest /= 10;
    text[--at] = QChar(char16_t(u'0' + rest % 10));
    rest /= 10;
    text[--at] = Regional().decimalSeparator;
    do {
        text[--at] = QChar(char16_t(u'0' + rest % 10));
        rest /= 10;
    } while (rest > 0);
    if (grosze < 0)
        text[--at] = u'-';
    return QString(text + at, 24 - at + std::min<qsizetype>(suffix.size(), 8));
}

} // namespace

QString FormatAmount(double value)
{
    return formatAmount(value, {});
}

QString FormatRate(double value)
{
    return formatAmount(value, u" %");
}
