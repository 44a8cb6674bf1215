#pragma once

#include <string>
#include <string_view>

struct sqlite3;

// Polish alphabetical order and a search that ignores case and diacritics, for UTF-8 texts as
// the tables hold them. The connection registers both; the table files never name them, so any
// SQLite tool still reads and writes the files.

// The collation a statement names to sort a text column the Polish way.
inline constexpr const char* kPolishCollation = "PL";

// a ą b c ć d e ę … ł … ń ó … ś … ź ż, letter case ignored, other accented Latin letters with
// their base letter, punctuation and digits before letters; where two texts differ only in case
// or accents the binary order decides, so the order is total. <0, 0 or >0 as memcmp.
int ComparePolish(std::string_view a, std::string_view b);

// Lower case without Polish (or other Latin) diacritics: "Łódź" -> "lodz".
std::string FoldForSearch(std::string_view text);

// The characters FoldForSearch changes, each paired with what it becomes, for a store that folds
// texts with a translation table of its own (a server's translate()).
struct FoldTable
{
    std::u32string from;
    std::u32string to;
};
FoldTable SearchFoldTable();

// Registers the collation kPolishCollation and the function
// SZUKAJ(needle, nip, text...) -> 1 when the needle, folded, occurs in one of the folded texts,
// or, with dashes and blanks left out of both, in the NIP. An empty needle matches every row.
void RegisterPolishText(sqlite3* db);
