#pragma once

#include <QString>

#include <array>
#include <vector>

// The code pages the texts of an old Paradox table may be in, and a guess at the one a table
// really uses: its header often names another (a Polish program on the Windows ANSI driver wrote
// Windows-1250 under a 1252 header; DOS programs wrote CP852 or Mazovia under 0).

// Mazovia, the Polish DOS code page older than 852. It has no number of its own in Paradox
// headers; this is the number it is known by elsewhere.
inline constexpr int kMazovia = 620;

// How often each byte from 0x80 to 0xFF occurs in a table's texts (index: byte - 0x80).
using HighByteCounts = std::array<qint64, 128>;

// Texts in one code page into Unicode. Page 0 (none declared) reads as Windows-1250; a byte the
// page lacks becomes "?".
class TextDecoder
{
public:
    explicit TextDecoder(int codePage);
    // False for a code page this system cannot read.
    bool isValid() const { return m_valid; }
    QString decode(const char* bytes, qsizetype size) const;

private:
    int m_codePage = 0;
    bool m_valid = false;
    bool m_singleByte = true;
    std::array<char16_t, 128> m_high{};
};

// The pages the user may choose from for a table declaring declared: that one (0 shown as
// Windows-1250), Windows-1250, CP852 and Mazovia, each once.
std::vector<int> CodePageChoices(int declared);
// E.g. "Windows-1250", "CP852 (DOS Latin 2)", "Mazovia".
QString CodePageName(int codePage);

// How Polish the texts read in codePage: a point for each Polish letter, a point off for each
// character that appears only when a text is read in the wrong page (box drawing, controls,
// Czech or Slovak letters, signs such as "¹" or "¿" inside words).
qint64 PolishScore(const HighByteCounts& counts, int codePage);
// The choice that reads best; the declared page when no other reads better, and always for a
// multi-byte page (a Chinese or Japanese table is what it says).
int LikelyCodePage(const HighByteCounts& counts, int declared);
