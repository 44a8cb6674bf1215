#pragma once

#include "report/ReportTemplate.h"

#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QStringList>

// The Qt font for a template font, without a size: callers size it for their device.
QFont ReportQFont(const ReportFont& font);

// Measures and fits text in millimetres, the same on every device: fonts are measured at a large
// pixel size without hinting, so widths scale exactly to the printer, the PDF and the screen.
class ReportTextFitter
{
public:
    explicit ReportTextFitter(const QList<ReportFont>& fonts);

    double lineHeight(int font) const;
    double width(int font, const QString& text) const;

    // The lines of text in a box `width` wide. Without wrap: one line, newlines read as blanks.
    // With wrap: broken at word boundaries (inside a word when it alone is too wide) and at
    // newlines. Text that does not fit (wider than the box, or beyond maxLines; maxLines < 0
    // means no limit) is cut and its last shown line ends with "…".
    QStringList fit(const QString& text, int font, double width, bool wrap, int maxLines) const;

private:
    QString elide(const QString& text, int font, double width) const;

    QList<QFont> m_fonts;
    QList<QFontMetricsF> m_metrics;
};
