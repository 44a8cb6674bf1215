#pragma once

#include <QString>

#include <optional>

// Amounts and tax values as the program shows and adds them: whole grosze, so every total is
// the sum of the figures its rows show. Amounts and rates are stored as real numbers with two
// decimals; the tax value of an entry is amount × rate % rounded half away from zero to the
// grosz, computed in whole numbers so that a value such as 24,685 never slips to 24,68.

// The amount (or rate) in hundredths, rounded half away from zero; none beyond what a real
// number counts exactly.
std::optional<qint64> AmountHundredths(double value);
// The tax value of an entry in grosze; none when it cannot be counted in 64 bits.
std::optional<qint64> TaxValueGrosze(double amount, double rate);

// The same two rules as SQL expressions over the named columns, for statements that add them
// up in the engine. They compute exactly what the functions above compute.
QString AmountHundredthsSql(const QString& column);
QString TaxValueGroszeSql(const QString& amountColumn, const QString& rateColumn);

// The tax value as the grid and the report show it.
QString FormatTaxValue(double amount, double rate);

// A total of figures as they are shown, exact in grosze; a figure beyond 64-bit grosze (which
// no real register holds) makes the total an approximate real number, never a wrapped count.
class GroszeTotal
{
public:
    void addGrosze(qint64 grosze);
    void addValue(double value);
    void addTaxValue(double amount, double rate);
    QString text() const;

private:
    qint64 m_grosze = 0;
    double m_beyond = 0.0;
    bool m_exact = true;
};
