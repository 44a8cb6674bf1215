#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <array>
#include <optional>

// A report template: the page, and bands of positioned cells and lines. All lengths are in
// millimetres; a band's items are placed relative to the band's top-left corner, which lies on
// the left margin. The file format is described in docs/report-template.md.

struct ReportFont
{
    QString family;
    double size = 8.0; // points
    bool bold = false;
    bool italic = false;

    friend bool operator==(const ReportFont&, const ReportFont&) = default;
};

// A piece of a cell's text: literal text, a variable the program supplies ([NAME]), or the
// engine's own page number ([#PAGE]) and page count ([#PAGES]).
struct ReportTextPart
{
    enum Kind
    {
        Literal,
        Variable,
        PageNumber,
        PageCount
    };
    Kind kind = Literal;
    QString text; // the literal, or the variable's name

    friend bool operator==(const ReportTextPart&, const ReportTextPart&) = default;
};

enum ReportFrameSide : unsigned
{
    FrameLeft = 1,
    FrameTop = 2,
    FrameRight = 4,
    FrameBottom = 8,
    FrameAll = 15,
};

struct ReportCell
{
    QRectF rect;
    QList<ReportTextPart> parts;
    int font = 0; // index into ReportTemplate::fonts
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
    unsigned frame = 0; // ReportFrameSide bits
    double frameWidth = 0.2;
    double padding = 0.8; // between the frame and the text, on every side
    bool wrap = false;
    QColor fill; // invalid: transparent

    // Its text needs the page count, so it can be finished only once every page is laid out.
    bool needsPages() const;
};

struct ReportLine
{
    QLineF line;
    double width = 0.2;
};

enum class ReportBandType
{
    PageHeader,
    ColumnHeader,
    MasterData,
    ReportSummary,
    PageFooter
};
inline constexpr int kReportBandTypes = 5;

struct ReportBand
{
    double height = 0.0;
    // The band grows so that the whole text of every wrapping cell shows; cells and lines that
    // reach the band's bottom edge grow with it, so ruled columns stay joined.
    bool stretch = false;
    QList<ReportCell> cells;
    QList<ReportLine> lines;
};

class ReportTemplate
{
public:
    QPageLayout page; // size and orientation; margins in millimetres
    QList<ReportFont> fonts;
    std::array<std::optional<ReportBand>, kReportBandTypes> bands;

    const ReportBand* band(ReportBandType type) const;

    // Raise EReportError with a message naming the file and, for a fault in it, the line.
    static ReportTemplate fromFile(const QString& path);
    static ReportTemplate fromXml(const QByteArray& xml, const QString& source);
};

// "Strona [#PAGE] z [#PAGES]" -> literal, page number, literal, page count. An unclosed "[" is
// literal text.
QList<ReportTextPart> ParseCellText(const QString& text);
