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
    // Fifteen significant digits drop the binary noise of a product such as 1234.25*2*0.01
    // before rounding to whole grosze.
    const double hundredths = QString::number(value * 100.0, 'g', 15).toDouble();
    const qint64 grosze = std::llround(hundredths);
    const qint64 whole = std::llabs(grosze) / 100;
    const qint64 part = std::llabs(grosze) % 100;
    QString text = grosze < 0 ? QStringLiteral("-") : QString();
    text += QString::number(whole);
    text += Regional().decimalSeparator;
    text += QStringLiteral("%1").arg(part, 2, 10, QLatin1Char('0'));
    return text;
}

QString FormatRate(double value)
{
    return FormatAmount(value) + QStringLiteral(" %");
}
