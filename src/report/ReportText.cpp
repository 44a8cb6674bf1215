#include "report/ReportText.h"

#include <QTextLayout>

#include <cmath>

namespace {

// Pixels per point of the measuring fonts: large enough that rounding to whole pixels is lost.
constexpr double kPixelsPerPoint = 10.0;
constexpr double kMillimetresPerPixel = 25.4 / 72.0 / kPixelsPerPoint;
// Print smaller than this is no longer read reliably: a line that would need it is cut instead.
constexpr double kLeastPoints = 4.0;

QString blanksForNewlines(QString text)
{
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    text.replace(u'\t', u' ');
    return text;
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

double ReportTextFitter::width(int font, const QString& text) const
{
    return m_metrics[font].horizontalAdvance(text) * kMillimetresPerPixel;
}

QString ReportTextFitter::elide(const QString& text, int font, double width) const
{
    return m_metrics[font].elidedText(text, Qt::ElideRight, width / kMillimetresPerPixel);
}

ReportFittedLine ReportTextFitter::fitLine(const QString& text, int font, double width)
{
    const QString line = blanksForNewlines(text);
    const double widthPx = width / kMillimetresPerPixel;
    const double full = m_metrics[font].horizontalAdvance(line);
    if (full <= widthPx)
        return {line, font};
    const int pixelSize = m_fonts[font].pixelSize();
    const int least = int(std::ceil(std::max(pixelSize / 2.0, kLeastPoints * kPixelsPerPoint)));
    // Widths grow in step with the size, so the first guess nearly always fits; stepping down
    // from it absorbs the rounding of glyph advances.
    for (int px = std::min(pixelSize - 1, int(pixelSize * widthPx / full)); px >= least; --px) {
        QFont f = m_fonts[font];
        f.setPixelSize(px);
        if (QFontMetricsF(f).horizontalAdvance(line) <= widthPx)
            return {line, sizedFont(font, px)};
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

    QStringList lines;
    QList<qsizetype> starts; // where each line begins in text, to elide the rest from there
    const double widthPx = width / kMillimetresPerPixel;
    qsizetype paragraphStart = 0;
    const QStringList paragraphs = text.split(u'\n');
    for (const QString& raw : paragraphs) {
        const QString paragraph = blanksForNewlines(raw);
        if (m_metrics[font].horizontalAdvance(paragraph) <= widthPx) {
            lines << withoutTrailingBlanks(paragraph);
            starts << paragraphStart;
        } else {
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
