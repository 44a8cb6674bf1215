#include "dbengine/PolishText.h"

#include <QString>

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace {

// Latin letters up to the end of Latin Extended-B have a table entry; the rest keep their own.
constexpr char32_t kTableEnd = 0x250;
constexpr std::u32string_view kAlphabet = U"aąbcćdeęfghijklłmnńoópqrsśtuvwxyzźż";

struct Tables
{
    // Sort weight: non-letters below 0x100 keep their code, letters 0x100 + their place in the
    // alphabet, any other character 0x200 + its code.
    std::array<std::uint32_t, kTableEnd> weight{};
    // The letter searched for: lower case, without diacritics.
    std::array<char32_t, kTableEnd> fold{};

    Tables()
    {
        for (char32_t c = 0; c < kTableEnd; ++c) {
            weight[c] = c < 0x100 ? c : 0x200 + c;
            fold[c] = c;
        }
        for (char32_t c = 0; c < kTableEnd; ++c) {
            const QChar ch{char16_t(c)};
            const char32_t lower = ch.toLower().unicode();
            const auto place = kAlphabet.find(lower);
            char32_t base = lower;
            if (place == std::u32string_view::npos) {
                // é, ü, č: sorted and found as e, u, c.
                const QString d = QChar(char16_t(lower)).decomposition();
                if (!d.isEmpty() && d.at(0).unicode() < 0x80)
                    base = d.at(0).unicode();
            }
            const auto basePlace = kAlphabet.find(base);
            if (basePlace != std::u32string_view::npos && ch.isLetter()) {
                weight[c] =
                    0x100 + std::uint32_t(place != std::u32string_view::npos ? place : basePlace);
                fold[c] = base;
            } else if (ch.isLetter()) {
                // ß, ø, đ: after the alphabet, in the order of their codes.
                weight[c] = 0x200 + c;
                fold[c] = lower;
            }
        }
        // Letters without a decomposition that are searched by their base letter.
        for (const auto& [from, to] :
             {std::pair{U'ą', U'a'}, std::pair{U'ć', U'c'}, std::pair{U'ę', U'e'},
              std::pair{U'ł', U'l'}, std::pair{U'ń', U'n'}, std::pair{U'ó', U'o'},
              std::pair{U'ś', U's'}, std::pair{U'ź', U'z'}, std::pair{U'ż', U'z'}}) {
            fold[from] = to;
            fold[QChar::toUpper(from)] = to;
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

// Next code point; a byte that does not start a valid sequence stands for itself above
// Unicode, so damaged texts still sort the same way every time.
char32_t next(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char b = *p++;
    if (b < 0x80)
        return b;
    int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (more < 0 || end - p < more)
        return 0x110000 + b;
    char32_t c = b & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0x110000 + b;
        c = (c << 6) | (p[i] & 0x3F);
    }
    p += more;
    return c;
}

std::uint32_t weightOf(char32_t c, const Tables& t)
{
    return c < kTableEnd ? t.weight[c] : 0x200 + c;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c >= 0x110000) {
        out += char(c - 0x110000);
    } else if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void foldInto(std::string& out, std::string_view text, bool digitsOnly)
{
    const Tables& t = tables();
    out.clear();
    auto p = reinterpret_cast<const unsigned char*>(text.data());
    const auto end = p + text.size();
    while (p < end) {
        const char32_t c = next(p, end);
        if (digitsOnly && (c == U'-' || c == U' '))
            continue;
        appendUtf8(out, c < kTableEnd ? t.fold[c] : c);
    }
}

int collate(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return ComparePolish({static_cast<const char*>(a), std::size_t(lengthA)},
                         {static_cast<const char*>(b), std::size_t(lengthB)});
}

std::string_view argText(sqlite3_value* v)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return text ? std::string_view(text, std::size_t(sqlite3_value_bytes(v))) : std::string_view();
}

// The needle folded once per statement, not once per row.
struct Needle
{
    std::string folded;
    std::string nip;
};

void search(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    auto* needle = static_cast<Needle*>(sqlite3_get_auxdata(context, 0));
    if (!needle) {
        needle = new Needle;
        foldInto(needle->folded, argText(argv[0]), false);
        foldInto(needle->nip, argText(argv[0]), true);
        sqlite3_set_auxdata(context, 0, needle, [](void* p) { delete static_cast<Needle*>(p); });
        needle = static_cast<Needle*>(sqlite3_get_auxdata(context, 0));
        if (!needle) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    if (needle->folded.empty()) {
        sqlite3_result_int(context, 1);
        return;
    }
    thread_local std::string hay;
    bool found = false;
    if (argc > 1 && !needle->nip.empty()) {
        foldInto(hay, argText(argv[1]), true);
        found = hay.find(needle->nip) != std::string::npos;
    }
    for (int i = 1; i < argc && !found; ++i) {
        foldInto(hay, argText(argv[i]), false);
        found = hay.find(needle->folded) != std::string::npos;
    }
    sqlite3_result_int(context, found ? 1 : 0);
}

} // namespace

int ComparePolish(std::string_view a, std::string_view b)
{
    const Tables& t = tables();
    auto pa = reinterpret_cast<const unsigned char*>(a.data());
    auto pb = reinterpret_cast<const unsigned char*>(b.data());
    const auto ea = pa + a.size();
    const auto eb = pb + b.size();
    while (pa < ea && pb < eb) {
        // Plain ASCII on both sides needs no decoding.
        const std::uint32_t wa = *pa < 0x80 ? t.weight[*pa++] : weightOf(next(pa, ea), t);
        const std::uint32_t wb = *pb < 0x80 ? t.weight[*pb++] : weightOf(next(pb, eb), t);
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if ((pa < ea) != (pb < eb))
        return pa < ea ? 1 : -1;
    const int bytes = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (bytes != 0)
        return bytes;
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

std::string FoldForSearch(std::string_view text)
{
    std::string out;
    foldInto(out, text, false);
    return out;
}

FoldTable SearchFoldTable()
{
    const Tables& t = tables();
    FoldTable table;
    for (char32_t c = 0; c < kTableEnd; ++c) {
        if (t.fold[c] != c) {
            table.from += c;
            table.to += t.fold[c];
        }
    }
    return table;
}

void RegisterPolishText(sqlite3* db)
{
    tables();
    sqlite3_create_collation_v2(db, kPolishCollation, SQLITE_UTF8, nullptr, collate, nullptr);
    sqlite3_create_function_v2(db, "SZUKAJ", -1,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               search, nullptr, nullptr, nullptr);
}
