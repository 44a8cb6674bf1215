#pragma once

#include <QString>

#include <optional>

// Amounts and tax values as the program shows and adds them: whole grosze, so every total is
// the sum of the figures its rows show. The tax value of an entry is amount × rate % rounded
// half away from zero to the grosz on its decimal value, so that 1234,25 at 2 % shows 24,69
// although the binary product lies a hair below 2468,5 grosze.

// The amount (or rate) in hundredths, rounded half away from zero on its decimal value; none
// beyond what a real number counts exactly.
std::optional<qint64> AmountHundredths(double value);
// The tax value of an entry in grosze, rounded the same way; none beyond exact counting.
std::optional<qint64> TaxValueGrosze(double amount, double rate);

// The same two rules as SQL expressions over the named columns, for statements that add them
// up in the engine: each gives a real number holding whole hundredths, exactly what the
// functions above compute.
QString AmountHundredthsSql(const QString& column);
QString TaxValueGroszeSql(const QString& amountColumn, const QString& rateColumn);

// The tax value as the grid and the report show it.
QString FormatTaxValue(double amount, double rate);

// A total of figures as they are shown, exact in grosze; a figure beyond exact counting (which
// no real register holds) makes the total an approximate real number, never a wrapped count.
class GroszeTotal
{
public:
    void addGrosze(qint64 grosze);
    // Whole grosze held in a real number, as the SQL sums give them.
    void addGroszeCount(double grosze);
    void addValue(double value);
    QString text() const;

private:
    void addInexact(double grosze);

    qint64 m_grosze = 0;
    double m_beyond = 0.0;
    bool m_exact = true;
};
