#pragma once

#include "report/ReportTemplate.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QRawFont>
#include <QStringList>
#include <QVarLengthArray>

#include <vector>

// The Qt font for a template font, without a size: callers size it for their device.
QFont ReportQFont(const ReportFont& font);

// A line of plain text in one face: its glyphs and where each starts, in millimetres from the
// line's start. Drawn glyph by glyph, so nothing is shaped again on any device.
struct ReportGlyphs
{
    QVarLengthArray<quint32, 64> glyphs;
    QVarLengthArray<double, 64> x;
    double width = 0.0;
};

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
    double ascent(int font) const;
    double descent(int font) const;
    double width(int font, QStringView text) const;

    // The glyphs of text in font's own face, placed by their advances; false for text that
    // needs shaping (marks, scripts beyond Latin, Greek and Cyrillic, or a letter the face lacks).
    // Such plain text is measured by the same advances, so it is drawn exactly as wide as fitted.
    bool glyphs(int font, QStringView text, ReportGlyphs& out) const;
    QRawFont rawFont(int font) const { return m_raw[font]; }

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
    // With shaped: answers nothing and sets *shaped when the text needs QTextLayout.
    QStringList breakLines(const QString& text, int font, double width, int maxLines,
                           bool* shaped) const;
    bool breakAtBlanks(const QString& paragraph, int font, double width, qsizetype offset,
                       QStringList& lines, QList<qsizetype>& starts) const;
    void addFont(const ReportFont& font);
    int sizedFont(int font, int pixelSize);

    struct Glyph
    {
        quint32 glyph = 0;     // 0: not yet looked up, or missing from the face
        float advance = -1.0f; // millimetres; negative: not yet looked up
    };
    const Glyph* glyphOf(int font, char16_t c) const;

    QList<ReportFont> m_sources;
    QList<QFont> m_fonts;
    QList<QFontMetricsF> m_metrics;
    QList<QRawFont> m_raw;
    // Per font, the characters that need no shaping, looked up as they first occur.
    mutable std::vector<std::vector<Glyph>> m_glyphs;
    struct BrokenKey
    {
        QString text;
        int font;
        double width;
        int maxLines;
        friend bool operator==(const BrokenKey&, const BrokenKey&) = default;
        friend size_t qHash(const BrokenKey& k, size_t seed = 0)
        {
            return qHashMulti(seed, k.text, k.font, k.width, k.maxLines);
        }
    };
    mutable QHash<BrokenKey, QStringList> m_broken;
};
