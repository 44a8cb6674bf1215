#pragma once

#include "report/ReportTemplate.h"

#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QStringList>

// The Qt font for a template font, without a size: callers size it for their device.
QFont ReportQFont(const ReportFont& font);

// One line of a cell as it is printed, in font `font` of ReportTextFitter::fonts().
struct ReportFittedLine
{
    QString text;
    int font = 0;
};

// Measures and fits text in millimetres, the same on every device: fonts are measured at a large
// pixel size without hinting, so widths scale exactly to the printer, the PDF and the screen.
class ReportTextFitter
{
public:
    explicit ReportTextFitter(const QList<ReportFont>& fonts);

    // The fonts given, then every smaller size fitLine chose.
    const QList<ReportFont>& fonts() const { return m_sources; }

    double lineHeight(int font) const;
    double width(int font, const QString& text) const;

    // The lines of text in a box `width` wide. Without wrap: one line, newlines read as blanks.
    // With wrap: broken at word boundaries (inside a word when it alone is too wide) and at
    // newlines. Text that does not fit (wider than the box, or beyond maxLines; maxLines < 0
    // means no limit) is cut and its last shown line ends with "…".
    QStringList fit(const QString& text, int font, double width, bool wrap, int maxLines) const;

    // One line in a box `width` wide, newlines read as blanks. A line too wide is set in a smaller
    // size of its font, down to half the size but not under 4 pt, so a figure is never printed
    // cut; only a line too wide even then is cut with "…".
    ReportFittedLine fitLine(const QString& text, int font, double width);

private:
    QString elide(const QString& text, int font, double width) const;
    void addFont(const ReportFont& font);
    int sizedFont(int font, int pixelSize);

    QList<ReportFont> m_sources;
    QList<QFont> m_fonts;
    QList<QFontMetricsF> m_metrics;
};
