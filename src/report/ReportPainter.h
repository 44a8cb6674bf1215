#pragma once

#include "data/Progress.h"
#include "report/ReportDocument.h"
#include "report/ReportText.h"

#include <QFont>
#include <QList>
#include <QRawFont>

#include <optional>

class QIODevice;
class QPainter;

// Draws pages of one document on one device, with each page's paper top-left corner at the
// painter's origin, pxPerMm device pixels to the millimetre. Fonts are sized for the device, so
// the same routine serves the screen, the printer and PDF; they are kept from page to page.
// Plain text is drawn from the glyphs it was measured with, so it is never shaped again.
class ReportPagePainter
{
public:
    ReportPagePainter(QPainter& painter, const ReportDocument& document, double pxPerMm);

    // Matches on this page are marked behind their text, the current one (an index into
    // matches) stronger.
    void paint(const ReportPage& page, int pageIndex, const QList<ReportMatch>& matches = {},
               int current = -1);

private:
    const QFont& font(int index);
    const QRawFont& rawFont(int index);
    void drawText(const ReportTextItem& item);
    void flushRun();

    QPainter& m_painter;
    const ReportDocument& m_document;
    double m_pxPerMm;
    double m_dpi;
    bool m_wholePixels;
    QList<std::optional<QFont>> m_fonts;
    QList<std::optional<QRawFont>> m_rawFonts;
    ReportGlyphs m_glyphs;
    // Glyphs gathered for one drawing call, in device coordinates.
    int m_runFont = -1;
    QVarLengthArray<quint32, 1024> m_runGlyphs;
    QVarLengthArray<QPointF, 1024> m_runPositions;
};

// Frames of neighbouring cells share their sides, and the rules of rows below one another
// continue each other: each stretch of a rule once, as one line running right or down.
QList<ReportLineItem> JoinedReportLines(const QList<ReportLineItem>& lines);

// Lays page `page` out and draws it (see ReportPagePainter).
void PaintReportPage(QPainter& painter, const ReportDocument& document, int page, double pxPerMm,
                     const QList<ReportMatch>& matches = {}, int current = -1);

// Writes every page as PDF, one page laid out at a time (see ReportPdf.h; QPdfWriter for fonts
// that cannot be embedded there); false when the device cannot be written or progress was
// stopped.
bool WriteReportPdf(const ReportDocument& document, QIODevice* device,
                    Progress* progress = nullptr);
// Replaces the file as a whole (see SafeFile.h): on failure, and when stopped, an earlier file
// stays as it was; *error tells why it failed (empty when stopped).
bool WriteReportPdf(const ReportDocument& document, const QString& path, QString* error = nullptr,
                    Progress* progress = nullptr);
