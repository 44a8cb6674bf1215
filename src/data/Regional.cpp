#include "data/Regional.h"

#include <QLocale>

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

QString FormatAmount(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    double hundredths = value * 100.0;
    // Near a half grosz the binary value may lie a hair on the wrong side (1234.25*2*0.01 is
    // 2468.4999...): fifteen significant digits give the decimal value to round.
    const double fraction = std::fabs(hundredths - std::trunc(hundredths));
    if (std::fabs(fraction - 0.5) < 1e-6)
        hundredths = QString::number(hundredths, 'g', 15).toDouble();
    const qint64 grosze = std::llround(hundredths);
    const qint64 whole = std::llabs(grosze) / 100;
    const int part = int(std::llabs(grosze) % 100);
    QString text;
    text.reserve(24);
    if (grosze < 0)
        text += u'-';
    text += QString::number(whole);
    text += Regional().decimalSeparator;
    text += QChar(u'0' + part / 10);
    text += QChar(u'0' + part % 10);
    return text;
}

QString FormatRate(double value)
{
    return FormatAmount(value) + QStringLiteral(" %");
}
