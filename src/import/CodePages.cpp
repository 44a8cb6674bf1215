#include "import/CodePages.h"

#include "data/Cp1250.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

constexpr int kWindows1250 = 1250;

bool IsMultiByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

// Mazovia is CP437 with the Polish letters in these places.
constexpr struct
{
    unsigned char byte;
    char16_t letter;
} kMazoviaLetters[] = {
    {0x86, u'ą'}, {0x8D, u'ć'}, {0x8F, u'Ą'}, {0x90, u'Ę'}, {0x91, u'ę'}, {0x92, u'ł'},
    {0x95, u'Ć'}, {0x98, u'Ś'}, {0x9C, u'Ł'}, {0x9E, u'ś'}, {0xA0, u'Ź'}, {0xA1, u'Ż'},
    {0xA2, u'ó'}, {0xA3, u'Ó'}, {0xA4, u'ń'}, {0xA5, u'Ń'}, {0xA6, u'ź'}, {0xA7, u'ż'},
};

struct Iconv
{
    iconv_t cd;
    explicit Iconv(int codePage)
        : cd(iconv_open("UTF-8", QByteArray("CP" + QByteArray::number(codePage)).constData()))
    {
    }
    ~Iconv()
    {
        if (cd != iconv_t(-1))
            iconv_close(cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    QString convert(const char* bytes, qsizetype size) const
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out(size * 4, Qt::Uninitialized);
        char* in = const_cast<char*>(bytes);
        size_t inLeft = size_t(size);
        char* to = out.data();
        size_t outLeft = size_t(out.size());
        while (inLeft > 0 && iconv(cd, &in, &inLeft, &to, &outLeft) == size_t(-1)) {
            if (errno != EILSEQ && errno != EINVAL)
                break;
            // A byte the code page lacks becomes "?", as in the program's own code page table.
            ++in;
            --inLeft;
            if (outLeft > 0) {
                *to++ = '?';
                --outLeft;
            }
        }
        out.truncate(to - out.data());
        return QString::fromUtf8(out);
    }
};

bool IsPolishLetter(char16_t c)
{
    return QStringView(u"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ").contains(QChar(c));
}

// Letters and signs a Polish register may hold whatever its page: Western accented letters
// (from names and addresses abroad) and typographic quotes and dashes.
bool IsHarmless(char16_t c)
{
    return (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) ||
           QStringView(u"„”“‘’–—…«»§°€·").contains(QChar(c));
}

} // namespace

TextDecoder::TextDecoder(int codePage) : m_codePage(codePage == 0 ? kWindows1250 : codePage)
{
    if (m_codePage == kWindows1250) {
        m_valid = true;
        return;
    }
    if (IsMultiByte(m_codePage)) {
        m_singleByte = false;
        m_valid = Iconv(m_codePage).cd != iconv_t(-1);
        return;
    }
    const Iconv cd(m_codePage == kMazovia ? 437 : m_codePage);
    if (cd.cd == iconv_t(-1))
        return;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char byte = char(b);
        const QString one = cd.convert(&byte, 1);
        m_high[size_t(b - 0x80)] = one.size() == 1 ? one.front().unicode() : u'?';
    }
    if (m_codePage == kMazovia) {
        for (const auto& l : kMazoviaLetters)
            m_high[l.byte - 0x80u] = l.letter;
    }
    m_valid = true;
}

QString TextDecoder::decode(const char* bytes, qsizetype size) const
{
    if (m_codePage == kWindows1250)
        return FromCp1250(QByteArray::fromRawData(bytes, size));
    if (!m_singleByte)
        return Iconv(m_codePage).convert(bytes, size);
    QString out(size, Qt::Uninitialized);
    char16_t* to = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        to[i] = b < 0x80 ? char16_t(b) : m_high[b - 0x80u];
    }
    return out;
}

std::vector<int> CodePageChoices(int declared)
{
    std::vector<int> pages{declared == 0 ? kWindows1250 : declared};
    for (const int page : {kWindows1250, 852, kMazovia}) {
        if (std::find(pages.begin(), pages.end(), page) == pages.end())
            pages.push_back(page);
    }
    return pages;
}

QString CodePageName(int codePage)
{
    switch (codePage) {
    case 0:
    case kWindows1250:
        return QStringLiteral("Windows-1250");
    case 852:
        return QStringLiteral("CP852 (DOS Latin 2)");
    case kMazovia:
        return QStringLiteral("Mazovia");
    case 1252:
        return QStringLiteral("Windows-1252 (zachodnioeuropejska)");
    default:
        return QStringLiteral("CP%1").arg(codePage);
    }
}

qint64 PolishScore(const HighByteCounts& counts, int codePage)
{
    const TextDecoder decoder(codePage);
    if (!decoder.isValid())
        return 0;
    qint64 score = 0;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const qint64 n = counts[size_t(b - 0x80)];
        if (n == 0)
            continue;
        const char byte = char(b);
        const QString c = decoder.decode(&byte, 1);
        const char16_t u = c.size() == 1 ? c.front().unicode() : u'?';
        score += IsPolishLetter(u) ? n : IsHarmless(u) ? 0 : -n;
    }
    return score;
}

int LikelyCodePage(const HighByteCounts& counts, int declared)
{
    if (IsMultiByte(declared))
        return declared;
    const std::vector<int> choices = CodePageChoices(declared);
    int best = choices.front();
    qint64 bestScore = PolishScore(counts, best);
    for (const int page : choices) {
        const qint64 score = PolishScore(counts, page);
        if (score > bestScore) {
            best = page;
            bestScore = score;
        }
    }
    return best;
}
