#pragma once

#include <QChar>
#include <QString>

// The two regional settings the program follows: the date separator and the decimal separator.
// Read once from the system at start; tests set their own.
struct RegionalSettings
{
    QChar dateSeparator = u'-';
    QChar decimalSeparator = u',';
};

const RegionalSettings& Regional();
void SetRegional(const RegionalSettings& settings);

// The system's settings: the date separator is the first character of the short date format
// that is not a format letter ("-" when there is none).
RegionalSettings SystemRegionalSettings();

// Amounts and rates as the program shows them: format "0.00" with the regional decimal
// separator, rounded half away from zero on the decimal value (so 24.685 shows 24,69 although
// its binary value lies a hair below), and "0.00 %" for rates.
QString FormatAmount(double value);
QString FormatRate(double value);
// Whole grosze (or hundredths) in format "0.00" with the regional decimal separator.
QString FormatGrosze(qint64 grosze);
