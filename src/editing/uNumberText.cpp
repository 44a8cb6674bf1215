#include "editing/uNumberText.h"

#include "data/Regional.h"

#include <cmath>

namespace {

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Skips a run of ASCII digits from pos; answers how many there were.
qsizetype SkipDigits(const QString& text, qsizetype& pos)
{
    const qsizetype start = pos;
    while (pos < text.size() && IsAsciiDigit(text[pos]))
        ++pos;
    return pos - start;
}

} // namespace

std::optional<double> ParseRegionalNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QChar separator = Regional().decimalSeparator;
    qsizetype pos = 0;
    if (pos < trimmed.size() && (trimmed[pos] == u'+' || trimmed[pos] == u'-'))
        ++pos;
    qsizetype digits = SkipDigits(trimmed, pos);
    const qsizetype separatorAt = pos;
    if (pos < trimmed.size() && trimmed[pos] == separator) {
        ++pos;
        digits += SkipDigits(trimmed, pos);
    }
    if (digits == 0)
        return std::nullopt;
    if (pos < trimmed.size() && (trimmed[pos] == u'e' || trimmed[pos] == u'E')) {
        ++pos;
        if (pos < trimmed.size() && (trimmed[pos] == u'+' || trimmed[pos] == u'-'))
            ++pos;
        if (SkipDigits(trimmed, pos) == 0)
            return std::nullopt;
    }
    if (pos != trimmed.size())
        return std::nullopt;

    // The grammar is checked; Qt's C-locale reader does the arithmetic.
    QString plain = trimmed;
    if (separatorAt < plain.size() && plain[separatorAt] == separator)
        plain[separatorAt] = u'.';
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString NormalizeWholeNumberText(const QString& text)
{
    const double value = ParseRegionalNumber(text).value_or(0.0);
    // Adding zero turns a rounded -0 into 0, so "-0,4" does not come back as "-0".
    return QString::number(std::round(value) + 0.0, 'f', 0);
}

QString NormalizeAmountText(const QString& text)
{
    return FormatAmount(ParseRegionalNumber(text).value_or(0.0));
}
