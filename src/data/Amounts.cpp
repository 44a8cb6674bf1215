#include "data/Amounts.h"

#include "data/Regional.h"

#include <cmath>

namespace {

// Beyond 2^52 a real number holds whole numbers only: nothing is left to round, and counts
// stay exact up to 2^53.
constexpr double kRoundLimit = 4503599627370496.0;
constexpr double kCountLimit = 9007199254740992.0;

// A stored 12,345 or a product such as 1234,25 × 2 lies a hair below or above its decimal
// value; stretching it by a few units in the last place makes a decimal half round away from
// zero. SQL parses the same literals to the same real numbers and multiplies in the same order.
constexpr double kHundredfold = 100.0000000000001;
constexpr double kStretch = 1.000000000000001;

// Half away from zero, as SQL's ROUND(x) computes it: the conversion truncates toward zero.
std::optional<qint64> roundedCount(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= kRoundLimit)
        return std::nullopt;
    return value < 0 ? -qint64(-value + 0.5) : qint64(value + 0.5);
}

} // namespace

std::optional<qint64> AmountHundredths(double value)
{
    return roundedCount(value * kHundredfold);
}

std::optional<qint64> TaxValueGrosze(double amount, double rate)
{
    // Amount in złoty times rate in per cent is the value in grosze.
    return roundedCount(amount * rate * kStretch);
}

QString AmountHundredthsSql(const QString& column)
{
    return QStringLiteral("ROUND(%1*100.0000000000001)").arg(column);
}

QString TaxValueGroszeSql(const QString& amountColumn, const QString& rateColumn)
{
    return QStringLiteral("ROUND(%1*%2*1.000000000000001)").arg(amountColumn, rateColumn);
}

QString FormatTaxValue(double amount, double rate)
{
    if (const auto grosze = TaxValueGrosze(amount, rate))
        return FormatGrosze(*grosze);
    return FormatAmount(amount * rate * 0.01);
}

void GroszeTotal::addGrosze(qint64 grosze)
{
    if (m_exact && !__builtin_add_overflow(m_grosze, grosze, &m_grosze))
        return;
    addInexact(double(grosze));
}

void GroszeTotal::addGroszeCount(double grosze)
{
    if (std::isfinite(grosze) && std::fabs(grosze) < kCountLimit)
        addGrosze(qint64(grosze));
    else if (std::isfinite(grosze))
        addInexact(grosze);
}

void GroszeTotal::addValue(double value)
{
    if (const auto grosze = AmountHundredths(value))
        addGrosze(*grosze);
    else if (std::isfinite(value))
        addInexact(value * 100.0);
}

void GroszeTotal::addInexact(double grosze)
{
    if (m_exact) {
        m_exact = false;
        m_beyond = double(m_grosze);
    }
    m_beyond += grosze;
}

QString GroszeTotal::text() const
{
    return m_exact ? FormatGrosze(m_grosze) : FormatAmount(m_beyond / 100.0);
}
