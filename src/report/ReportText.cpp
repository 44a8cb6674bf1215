#include "report/ReportText.h"

#include <QTextLayout>

#include <cmath>

namespace {

// Pixels per point of the measuring fonts: large enough that rounding to whole pixels is lost.
constexpr double kPixelsPerPoint = 10.0;
constexpr double kMillimetresPerPixel = 25.4 / 72.0 / kPixelsPerPoint;

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
    for (const ReportFont& rf : fonts) {
        QFont f = ReportQFont(rf);
        f.setPixelSize(int(std::lround(rf.size * kPixelsPerPoint)));
        m_fonts.append(f);
        m_metrics.append(QFontMetricsF(f));
    }
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
