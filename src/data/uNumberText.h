#pragma once

#include <QString>

#include <optional>

// How the edit windows read the numbers typed into them and write them back. A text that does
// not name exactly one number the tables can hold is none: the window then refuses to save,
// and nothing typed is ever stored as a different number (or as 0).

// An entry or taxpayer number: blanks around it, digits only, optionally a decimal part of
// zeros ("12,00"); 1 to 999 999 999 999 999 999, so the next number still fits. Read digit by
// digit, never through a double.
std::optional<qint64> ParseIdText(const QString& text);

// An amount or a rate in whole hundredths (grosze, or hundredths of a percent). Accepted: an
// optional minus, digits with a decimal part of at most two digits after "," or "." whatever
// the regional separator, and the digits before it grouped by threes with blanks (a no-break
// blank too) or with dots when a comma follows: 1500,5 · 1500.5 · 1 500,50 · 1.500,50. At most
// 13 digits before the separator, so the value keeps every digit in the table's real column.
std::optional<qint64> ParseHundredthsText(const QString& text);

// The texts the windows write back: "0" for a number, format "0.00" with the regional decimal
// separator for hundredths (an empty amount is zero). A text that is not a number is given back
// unchanged, so the user sees what was typed and the save names the field.
QString NormalizeIdText(const QString& text);
QString NormalizeAmountText(const QString& text);
