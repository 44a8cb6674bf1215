#include "data/uNumberText.h"

#include "data/Regional.h"

namespace {

constexpr qint64 kMaxId = 999'999'999'999'999'999;
constexpr int kMaxAmountDigits = 13;

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool IsBlank(QChar c)
{
    return c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F);
}

// The digits before the decimal separator, with the grouping the text uses (none, blanks, or
// dots); empty when the grouping is broken (groups of three after a first group of 1 to 3).
QString UngroupedDigits(QStringView whole, bool dotsAllowed)
{
    QString digits;
    qsizetype groupLength = 0;
    qsizetype groups = 0;
    QChar groupMark;
    for (const QChar c : whole) {
        if (IsAsciiDigit(c)) {
            digits.append(c);
            ++groupLength;
            continue;
        }
        const bool mark = IsBlank(c) || (dotsAllowed && c == u'.');
        if (!mark || groupLength == 0 || (groups == 0 && groupLength > 3) ||
            (groups > 0 && groupLength != 3))
            return {};
        const QChar kind = IsBlank(c) ? QChar(u' ') : c;
        if (groups > 0 && kind != groupMark)
            return {};
        groupMark = kind;
        ++groups;
        groupLength = 0;
    }
    if (groupLength == 0 || (groups > 0 && groupLength != 3))
        return {};
    return digits;
}

} // namespace

std::optional<qint64> ParseIdText(const QString& text)
{
    const QString trimmed = text.trimmed();
    qsizetype pos = 0;
    qint64 value = 0;
    while (pos < trimmed.size() && IsAsciiDigit(trimmed[pos])) {
        const int digit = trimmed[pos].unicode() - u'0';
        if (value > (kMaxId - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
        ++pos;
    }
    if (pos == 0)
        return std::nullopt;
    if (pos < trimmed.size() && (trimmed[pos] == u',' || trimmed[pos] == u'.')) {
        ++pos;
        while (pos < trimmed.size() && trimmed[pos] == u'0')
            ++pos;
    }
    if (pos != trimmed.size() || value < 1)
        return std::nullopt;
    return value;
}

std::optional<qint64> ParseHundredthsText(const QString& text)
{
    QStringView rest = QStringView(text).trimmed();
    const bool negative = rest.startsWith(u'-');
    if (negative)
        rest = rest.mid(1);
    // The last "," or "." that is followed by no further mark starts the decimal part; dots
    // before a comma group thousands.
    const qsizetype comma = rest.lastIndexOf(u',');
    const qsizetype dot = rest.lastIndexOf(u'.');
    qsizetype separator = -1;
    bool dotsGroup = false;
    if (comma >= 0) {
        separator = comma;
        dotsGroup = dot >= 0 && dot < comma;
        if (rest.left(comma).contains(u','))
            return std::nullopt;
    } else if (dot >= 0) {
        separator = dot;
        if (rest.left(dot).contains(u'.'))
            return std::nullopt;
    }
    const QStringView whole = separator >= 0 ? rest.left(separator) : rest;
    const QStringView fraction = separator >= 0 ? rest.mid(separator + 1) : QStringView();
    if (fraction.size() > 2)
        return std::nullopt;
    for (const QChar c : fraction) {
        if (!IsAsciiDigit(c))
            return std::nullopt;
    }
    QString digits;
    if (whole.isEmpty()) {
        // ",5" is half a unit; a lone separator is nothing.
        if (fraction.isEmpty())
            return std::nullopt;
        digits = QStringLiteral("0");
    } else {
        digits = UngroupedDigits(whole, dotsGroup);
    }
    if (digits.isEmpty())
        return std::nullopt;
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    if (digits.size() > kMaxAmountDigits)
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : std::as_const(digits))
        value = value * 10 + (c.unicode() - u'0');
    value *= 100;
    if (!fraction.isEmpty())
        value += (fraction[0].unicode() - u'0') * 10;
    if (fraction.size() == 2)
        value += fraction[1].unicode() - u'0';
    return negative ? -value : value;
}

QString NormalizeIdText(const QString& text)
{
    const auto id = ParseIdText(text);
    return id ? QString::number(*id) : text;
}

QString NormalizeAmountText(const QString& text)
{
    if (text.trimmed().isEmpty())
        return FormatGrosze(0);
    const auto hundredths = ParseHundredthsText(text);
    return hundredths ? FormatGrosze(*hundredths) : text;
}
