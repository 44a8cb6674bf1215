#include "report/ReportText.h"

#include <QTextLayout>

#include <cmath>

namespace {

// Pixels per point of the measuring fonts: large enough that rounding to whole pixels is lost.
constexpr double kPixelsPerPoint = 10.0;
constexpr double kMillimetresPerPixel = 25.4 / 72.0 / kPixelsPerPoint;
// Print smaller than this is no longer read reliably: a line that would need it is cut instead.
constexpr double kLeastPoints = 4.0;
// Broken texts remembered; beyond this the memory starts afresh.
constexpr qsizetype kBrokenTexts = 4096;

QString blanksForNewlines(QString text)
{
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    text.replace(u'\t', u' ');
    return text;
}

// Characters drawn without shaping: Latin, Greek and Cyrillic letters without combining marks,
// and general punctuation (dashes, quotes, the ellipsis) and currency signs.
constexpr char16_t kBlockEnd = 0x0530;
constexpr char16_t kPunctuationStart = 0x2000;
constexpr char16_t kPunctuationEnd = 0x20D0;
constexpr int kSlots = kBlockEnd + (kPunctuationEnd - kPunctuationStart);

int slotOf(char16_t c)
{
    if (c >= 0x20 && c < kBlockEnd && !(c >= 0x0300 && c < 0x0370))
        return c;
    if (c >= kPunctuationStart && c < kPunctuationEnd)
        return kBlockEnd + (c - kPunctuationStart);
    return -1;
}

QString withoutTrailingBlanks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    return text.left(end);
}

} // namespace

QFont ReportQFont(const ReportFont& font)
{
    QFont f(font.family);
    f.setStyleHint(QFont::SansSerif);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

ReportTextFitter::ReportTextFitter(const QList<ReportFont>& fonts)
{
    for (const ReportFont& rf : fonts)
        addFont(rf);
}

void ReportTextFitter::addFont(const ReportFont& font)
{
    QFont f = ReportQFont(font);
    f.setPixelSize(int(std::lround(font.size * kPixelsPerPoint)));
    m_sources.append(font);
    m_fonts.append(f);
    m_metrics.append(QFontMetricsF(f));
    m_raw.append(QRawFont::fromFont(f));
    m_glyphs.emplace_back(kSlots);
}

const ReportTextFitter::Glyph* ReportTextFitter::glyphOf(int font, char16_t c) const
{
    const int slot = slotOf(c);
    if (slot < 0)
        return nullptr;
    Glyph& g = m_glyphs[font][slot];
    if (g.advance < 0) {
        const QRawFont& raw = m_raw[font];
        const QChar ch(c);
        quint32 index = 0;
        int count = 1;
        QPointF advance;
        if (raw.isValid() && raw.glyphIndexesForChars(&ch, 1, &index, &count) && count == 1 &&
            raw.advancesForGlyphIndexes(&index, &advance, 1, QRawFont::UseDesignMetrics))
            g.glyph = index;
        g.advance = float(advance.x() * kMillimetresPerPixel);
    }
    return g.glyph != 0 ? &g : nullptr;
}

bool ReportTextFitter::glyphs(int font, QStringView text, ReportGlyphs& out) const
{
    out.glyphs.resize(text.size());
    out.x.resize(text.size());
    double x = 0.0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Glyph* g = glyphOf(font, text[i].unicode());
        if (!g)
            return false;
        out.glyphs[i] = g->glyph;
        out.x[i] = x;
        x += g->advance;
    }
    out.width = x;
    return true;
}

int ReportTextFitter::sizedFont(int font, int pixelSize)
{
    ReportFont sized = m_sources[font];
    sized.size = pixelSize / kPixelsPerPoint;
    const qsizetype known = m_sources.indexOf(sized);
    if (known >= 0)
        return int(known);
    addFont(sized);
    return int(m_sources.size()) - 1;
}

double ReportTextFitter::lineHeight(int font) const
{
    return m_metrics[font].lineSpacing() * kMillimetresPerPixel;
}

double ReportTextFitter::ascent(int font) const
{
    return m_metrics[font].ascent() * kMillimetresPerPixel;
}

double ReportTextFitter::descent(int font) const
{
    return m_metrics[font].descent() * kMillimetresPerPixel;
}

double ReportTextFitter::width(int font, QStringView text) const
{
    double x = 0.0;
    for (const QChar c : text) {
        const Glyph* g = glyphOf(font, c.unicode());
        if (!g)
            return m_metrics[font].horizontalAdvance(text.toString()) * kMillimetresPerPixel;
        x += g->advance;
    }
    return x;
}

QString ReportTextFitter::elide(const QString& text, int font, double width) const
{
    return m_metrics[font].elidedText(text, Qt::ElideRight, width / kMillimetresPerPixel);
}

ReportFittedLine ReportTextFitter::fitLine(const QString& text, int font, double width)
{
    const QString line = blanksForNewlines(text);
    const double full = this->width(font, line);
    if (full <= width)
        return {line, font};
    const int pixelSize = m_fonts[font].pixelSize();
    const int least = int(std::ceil(std::max(pixelSize / 2.0, kLeastPoints * kPixelsPerPoint)));
    // Widths grow in step with the size, so the first guess nearly always fits; stepping down
    // from it absorbs the rounding of glyph advances.
    for (int px = std::min(pixelSize - 1, int(pixelSize * width / full)); px >= least; --px) {
        const int sized = sizedFont(font, px);
        if (this->width(sized, line) <= width)
            return {line, sized};
    }
    return {elide(line, font, width), font};
}

QStringList ReportTextFitter::fit(const QString& text, int font, double width, bool wrap,
                                  int maxLines) const
{
    if (text.isEmpty() || maxLines == 0)
        return {};
    if (!wrap || maxLines == 1) {
        const bool several = wrap && text.contains(u'\n');
        const QString line = blanksForNewlines(text);
        // A wrapping cell with room for one line only still shows that more was cut.
        if (!several && this->width(font, line) <= width)
            return {line};
        const QString shown = elide(line, font, width);
        return {several && shown == line ? elide(line + QStringLiteral("…"), font, width) : shown};
    }

    if (!text.contains(u'\n')) {
        const QString line = blanksForNewlines(text);
        if (this->width(font, line) <= width)
            return {withoutTrailingBlanks(line)};
    }
    // Plain words are broken by their advances at once; text that needs QTextLayout is broken
    // once and remembered, since a register repeats its remarks.
    bool shaped = false;
    QStringList lines = breakLines(text, font, width, maxLines, &shaped);
    if (!shaped)
        return lines;
    const BrokenKey key{text, font, width, maxLines};
    if (const auto known = m_broken.constFind(key); known != m_broken.cend())
        return *known;
    if (m_broken.size() >= kBrokenTexts)
        m_broken.clear();
    return *m_broken.insert(key, breakLines(text, font, width, maxLines, nullptr));
}

bool ReportTextFitter::breakAtBlanks(const QString& paragraph, int font, double width,
                                     qsizetype offset, QStringList& lines,
                                     QList<qsizetype>& starts) const
{
    // Plain text whose every word fits a line is broken at blanks by the measured advances;
    // anything else is left to QTextLayout.
    QStringList broken;
    QList<qsizetype> brokenStarts;
    qsizetype start = 0;  // of the line being filled
    qsizetype end = 0;    // of its last whole word
    double lineWidth = 0; // up to end
    qsizetype i = 0;
    const qsizetype n = paragraph.size();
    while (i < n) {
        qsizetype wordStart = i;
        double blanks = 0;
        while (wordStart < n && paragraph[wordStart] == u' ') {
            const Glyph* g = glyphOf(font, u' ');
            if (!g)
                return false;
            blanks += g->advance;
            ++wordStart;
        }
        qsizetype wordEnd = wordStart;
        double word = 0;
        while (wordEnd < n && paragraph[wordEnd] != u' ') {
            const Glyph* g = glyphOf(font, paragraph[wordEnd].unicode());
            if (!g)
                return false;
            word += g->advance;
            ++wordEnd;
        }
        if (wordEnd == wordStart)
            break; // trailing blanks
        if (word > width)
            return false;
        if (end > start && lineWidth + blanks + word > width) {
            broken << paragraph.mid(start, end - start);
            brokenStarts << offset + start;
            start = wordStart;
            lineWidth = word;
        } else {
            lineWidth += (end > start ? blanks : 0) + word;
            if (end == start)
                start = wordStart;
        }
        end = wordEnd;
        i = wordEnd;
    }
    broken << paragraph.mid(start, end - start);
    brokenStarts << offset + start;
    lines += broken;
    starts += brokenStarts;
    return true;
}

QStringList ReportTextFitter::breakLines(const QString& text, int font, double width, int maxLines,
                                         bool* shaped) const
{
    QStringList lines;
    QList<qsizetype> starts; // where each line begins in text, to elide the rest from there
    const double widthPx = width / kMillimetresPerPixel;
    qsizetype paragraphStart = 0;
    const QStringList paragraphs = text.split(u'\n');
    for (const QString& raw : paragraphs) {
        const QString paragraph = blanksForNewlines(raw);
        if (this->width(font, paragraph) <= width) {
            lines << withoutTrailingBlanks(paragraph);
            starts << paragraphStart;
        } else if (!breakAtBlanks(paragraph, font, width, paragraphStart, lines, starts)) {
            if (shaped) {
                *shaped = true;
                return {};
            }
            QTextLayout layout(paragraph, m_fonts[font]);
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(widthPx);
                lines << withoutTrailingBlanks(paragraph.mid(line.textStart(), line.textLength()));
                starts << paragraphStart + line.textStart();
            }
            layout.endLayout();
        }
        paragraphStart += raw.size() + 1;
        if (maxLines > 0 && lines.size() > maxLines)
            break;
    }
    if (maxLines > 0 && lines.size() > maxLines) {
        lines.resize(maxLines);
        const QString rest = blanksForNewlines(text.mid(starts[maxLines - 1]));
        lines.last() = elide(rest + QStringLiteral("…"), font, width);
    }
    return lines;
}
