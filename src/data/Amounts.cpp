#include "data/Amounts.h"

#include "data/Regional.h"

#include <cmath>

namespace {

// Beyond 2^52 hundredths a real number holds whole hundredths only: nothing is left to round.
constexpr double kExactLimit = 4503599627370496.0;
// A stored 12,345 is a hair below or above its decimal value; stretching by a few units in the
// last place rounds the decimal value. SQL parses the same literal to the same real number.
constexpr double kStretch = 1.000000000000001;

} // namespace

std::optional<qint64> AmountHundredths(double value)
{
    const double hundredths = value * 100.0 * kStretch;
    if (!std::isfinite(hundredths) || std::fabs(hundredths) >= kExactLimit)
        return std::nullopt;
    // The conversion truncates toward zero, as SQL's CAST does.
    return qint64(hundredths < 0 ? hundredths - 0.5 : hundredths + 0.5);
}

std::optional<qint64> TaxValueGrosze(double amount, double rate)
{
    const auto grosze = AmountHundredths(amount);
    const auto hundredths = AmountHundredths(rate);
    if (!grosze || !hundredths)
        return std::nullopt;
    qint64 product = 0;
    if (__builtin_mul_overflow(*grosze, *hundredths, &product) ||
        __builtin_add_overflow(product, product < 0 ? -5000 : 5000, &product))
        return std::nullopt;
    // Ten-thousandths of a grosz; the division truncates toward zero, so the half added
    // before it rounds half away from zero.
    return product / 10000;
}

QString AmountHundredthsSql(const QString& column)
{
    return QStringLiteral(
               "CAST(%1*100*1.000000000000001+CASE WHEN %1<0 THEN -0.5 ELSE 0.5 END AS INTEGER)")
        .arg(column);
}

QString TaxValueGroszeSql(const QString& amountColumn, const QString& rateColumn)
{
    // The product's sign is known from the columns' signs; a zero product rounds to 0 with
    // either half.
    return QStringLiteral("(%1*%2+CASE WHEN (%3<0)<>(%4<0) THEN -5000 ELSE 5000 END)/10000")
        .arg(AmountHundredthsSql(amountColumn), AmountHundredthsSql(rateColumn), amountColumn,
             rateColumn);
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
    if (m_exact) {
        m_exact = false;
        m_beyond = double(m_grosze);
    }
    m_beyond += double(grosze);
}

void GroszeTotal::addValue(double value)
{
    if (const auto grosze = AmountHundredths(value)) {
        addGrosze(*grosze);
        return;
    }
    if (m_exact) {
        m_exact = false;
        m_beyond = double(m_grosze);
    }
    if (std::isfinite(value))
        m_beyond += value * 100.0;
}

void GroszeTotal::addTaxValue(double amount, double rate)
{
    if (const auto grosze = TaxValueGrosze(amount, rate))
        addGrosze(*grosze);
    else
        addValue(amount * rate * 0.01);
}

QString GroszeTotal::text() const
{
    return m_exact ? FormatGrosze(m_grosze) : FormatAmount(m_beyond / 100.0);
}
