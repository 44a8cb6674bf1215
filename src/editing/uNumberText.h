#pragma once

#include <QString>

#include <optional>

// How the edit windows read and rewrite the numbers typed into them, in the regional format.

// The number a text names in the regional number format: blanks around it, an optional sign,
// digits with at most one regional decimal separator (no thousands separator), an optional
// exponent. Anything else (empty, letters, a "." on a comma system, a blank inside) is none.
std::optional<double> ParseRegionalNumber(const QString& text);

// Format "0": the number rounded half away from zero; "0" when the text is not a number.
QString NormalizeWholeNumberText(const QString& text);

// Format "0.00" with the regional decimal separator, rounded half away from zero; the zero
// amount when the text is not a number.
QString NormalizeAmountText(const QString& text);
