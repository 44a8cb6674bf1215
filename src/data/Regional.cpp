#include "data/Regional.h"

#include "data/Amounts.h"

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

// Whole hundredths written from the right into a small buffer, with an optional suffix in the
// same buffer: called for every amount cell.
QString formatHundredths(qint64 hundredths, QStringView suffix)
{
    QChar text[40];
    int at = 30;
    for (qsizetype i = 0; i < suffix.size() && i < 8; ++i)
        text[30 + i] = suffix[i];
    // Unsigned, so the most negative count has a magnitude too.
    quint64 rest = hundredths < 0 ? 0 - quint64(hundredths) : quint64(hundredths);
    text[--at] = QChar(char16_t(u'0' + rest % 10));
    rest /= 10;
    text[--at] = QChar(char16_t(u'0' + rest % 10));
    rest /= 10;
    text[--at] = Regional().decimalSeparator;
    do {
        text[--at] = QChar(char16_t(u'0' + rest % 10));
        rest /= 10;
    } while (rest > 0);
    if (hundredths < 0)
        text[--at] = u'-';
    return QString(text + at, 30 - at + std::min<qsizetype>(suffix.size(), 8));
}

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
    if (const auto hundredths = AmountHundredths(value))
        return formatHundredths(*hundredths, suffix);
    // Already whole hundredths, too large for anything to round.
    return formatHundredths(std::llround(value * 100.0), suffix);
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

QString FormatGrosze(qint64 grosze)
{
    return formatHundredths(grosze, {});
}
