#include "report/ReportPainter.h"

#include "data/SafeFile.h"
#include "report/ReportPdf.h"
#include "report/ReportText.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const QColor kMatchColour(255, 240, 120);
const QColor kCurrentMatchColour(255, 160, 60);
constexpr double kPointsPerMm = 72.0 / 25.4;
// From about 500 dots per inch (printers, PDF) glyphs are placed on whole device pixels.
constexpr double kFinePxPerMm = 20.0;

QRectF toDevice(const QRectF& r, double k)
{
    return QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k);
}

} // namespace

QList<ReportLineItem> JoinedReportLines(const QList<ReportLineItem>& lines)
{
    constexpr double eps = 0.001;
    const auto horizontal = [](const ReportLineItem& l) {
        return std::abs(l.line.y1() - l.line.y2()) < eps;
    };
    const auto vertical = [](const ReportLineItem& l) {
        return std::abs(l.line.x1() - l.line.x2()) < eps;
    };
    // Sorted by kind, width, the fixed coordinate and the start along the line, each in whole
    // micrometres packed in one number: pages are sorted by the thousand.
    const auto micro = [](double mm, int bits) {
        return std::min<quint64>(quint64(std::lround(std::max(0.0, mm) * 1000)),
                                 (quint64(1) << bits) - 1);
    };
    const auto key = [&](const ReportLineItem& l) -> quint64 {
        const bool h = horizontal(l);
        if (!h && !vertical(l))
            return quint64(2) << 58;
        const double fixed = h ? l.line.y1() : l.line.x1();
        const double start =
            h ? std::min(l.line.x1(), l.line.x2()) : std::min(l.line.y1(), l.line.y2());
        return (quint64(h ? 0 : 1) << 58) | (micro(l.width, 16) << 42) | (micro(fixed, 21) << 21) |
               micro(start, 21);
    };
    std::vector<std::pair<quint64, int>> order;
    order.reserve(lines.size());
    for (int i = 0; i < lines.size(); ++i)
        order.emplace_back(key(lines[i]), i);
    std::sort(order.begin(), order.end());
    QList<ReportLineItem> joined;
    for (const auto& [lineKey, index] : order) {
        ReportLineItem l = lines[index];
        const bool h = horizontal(l);
        if (h || vertical(l)) {
            // Lines run left to right and top to bottom.
            if (l.line.p1().x() > l.line.p2().x() || l.line.p1().y() > l.line.p2().y())
                l.line = QLineF(l.line.p2(), l.line.p1());
            if (!joined.isEmpty()) {
                ReportLineItem& last = joined.last();
                const bool sameRule =
                    last.width == l.width &&
                    (h ? horizontal(last) && std::abs(last.line.y1() - l.line.y1()) < eps &&
                             l.line.x1() <= last.line.x2() + eps
                       : vertical(last) && !horizontal(last) &&
                             std::abs(last.line.x1() - l.line.x1()) < eps &&
                             l.line.y1() <= last.line.y2() + eps);
                if (sameRule) {
                    if (h)
                        last.line.setP2(
                            QPointF(std::max(last.line.x2(), l.line.x2()), l.line.y2()));
                    else
                        last.line.setP2(
                            QPointF(l.line.x2(), std::max(last.line.y2(), l.line.y2())));
                    continue;
                }
            }
        }
        joined.append(l);
    }
    return joined;
}

namespace {

// Where the aligned line starts in its rectangle.
double lineStart(const QRectF& r, double lineWidth, Qt::Alignment align)
{
    if (align & Qt::AlignRight)
        return r.right() - lineWidth;
    if (align & Qt::AlignHCenter)
        return r.center().x() - lineWidth / 2;
    return r.left();
}

} // namespace

ReportPagePainter::ReportPagePainter(QPainter& painter, const ReportDocument& document,
                                     double pxPerMm)
    : m_painter(painter), m_document(document), m_pxPerMm(pxPerMm),
      m_dpi(painter.device() ? painter.device()->logicalDpiY() : 96.0),
      m_wholePixels(pxPerMm >= kFinePxPerMm)
{
}

const QFont& ReportPagePainter::font(int index)
{
    if (m_fonts.size() <= index)
        m_fonts.resize(index + 1);
    if (!m_fonts[index]) {
        // Point sizes as the device counts them, so that a point of the template is a point on
        // paper and pxPerMm alone sets the scale.
        const ReportFont& rf = m_document.fonts()[index];
        QFont f = ReportQFont(rf);
        f.setPointSizeF(std::max(0.1, rf.size * 25.4 * m_pxPerMm / m_dpi));
        m_fonts[index] = f;
    }
    return *m_fonts[index];
}

const QRawFont& ReportPagePainter::rawFont(int index)
{
    if (m_rawFonts.size() <= index)
        m_rawFonts.resize(index + 1);
    if (!m_rawFonts[index]) {
        QRawFont raw = m_document.fitter().rawFont(index);
        raw.setPixelSize(std::max(0.1, m_document.fonts()[index].size / kPointsPerMm * m_pxPerMm));
        m_rawFonts[index] = raw;
    }
    return *m_rawFonts[index];
}

void ReportPagePainter::flushRun()
{
    if (!m_runGlyphs.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(rawFont(m_runFont));
        run.setRawData(m_runGlyphs.constData(), m_runPositions.constData(),
                       int(m_runGlyphs.size()));
        m_painter.drawGlyphRun(QPointF(0, 0), run);
    }
    m_runGlyphs.clear();
    m_runPositions.clear();
}

void ReportPagePainter::drawText(const ReportTextItem& item)
{
    const double k = m_pxPerMm;
    const ReportTextFitter& fitter = m_document.fitter();
    if (!fitter.glyphs(item.font, item.text, m_glyphs)) {
        flushRun();
        m_painter.setFont(font(item.font));
        m_painter.save();
        m_painter.setClipRect(toDevice(item.clip, k), Qt::IntersectClip);
        m_painter.drawText(
            toDevice(item.rect, k),
            int(item.align) | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, item.text);
        m_painter.restore();
        return;
    }
    // A line set to fill its rectangle exactly may reach past it: only its cell bounds it.
    const bool clipped = m_glyphs.width > item.rect.width() + 0.01;
    if (clipped || item.font != m_runFont)
        flushRun();
    m_runFont = item.font;
    const double ascent = fitter.ascent(item.font);
    const double baseline =
        item.rect.top() + (item.rect.height() - ascent - fitter.descent(item.font)) / 2 + ascent;
    const double x = lineStart(item.rect, m_glyphs.width, item.align);
    // Blanks leave no ink: their glyphs are left out, which keeps a PDF page's text short. On
    // paper a device pixel is too small to see, and whole pixels are written shorter.
    const auto place = [this](double v) { return m_wholePixels ? std::round(v) : v; };
    const double y = place(baseline * k);
    for (qsizetype i = 0; i < m_glyphs.glyphs.size(); ++i) {
        if (item.text[i] != u' ') {
            m_runGlyphs.append(m_glyphs.glyphs[i]);
            m_runPositions.append(QPointF(place((x + m_glyphs.x[i]) * k), y));
        }
    }
    if (clipped) {
        m_painter.save();
        m_painter.setClipRect(toDevice(item.clip, k), Qt::IntersectClip);
        flushRun();
        m_painter.restore();
    }
}

void ReportPagePainter::paint(const ReportPage& page, int pageIndex,
                              const QList<ReportMatch>& matches, int current)
{
    const double k = m_pxPerMm;
    m_painter.save();
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    for (const ReportFillItem& f : page.fills)
        m_painter.fillRect(toDevice(f.rect, k), f.colour);

    const ReportTextFitter& fitter = m_document.fitter();
    for (int m = 0; m < matches.size(); ++m) {
        const ReportMatch& match = matches[m];
        if (match.page != pageIndex || match.item < 0 || match.item >= page.texts.size())
            continue;
        const ReportTextItem& item = page.texts[match.item];
        const QStringView text(item.text);
        const double x = lineStart(item.rect, fitter.width(item.font, text), item.align) +
                         fitter.width(item.font, text.left(match.start));
        const QRectF mark(x, item.rect.top(),
                          fitter.width(item.font, text.mid(match.start, match.length)),
                          item.rect.height());
        m_painter.fillRect(toDevice(mark.intersected(item.clip), k),
                           m == current ? kCurrentMatchColour : kMatchColour);
    }

    m_painter.setPen(Qt::black);
    // The lines of one font go out together: a PDF then holds one text object for many cells.
    for (const ReportTextItem& item : page.texts)
        drawText(item);
    flushRun();

    double penWidth = -1.0;
    for (const ReportLineItem& l : JoinedReportLines(page.lines)) {
        if (l.width != penWidth) {
            penWidth = l.width;
            m_painter.setPen(
                QPen(Qt::black, std::max(1.0, l.width * k), Qt::SolidLine, Qt::SquareCap));
        }
        m_painter.drawLine(QLineF(l.line.p1() * k, l.line.p2() * k));
    }
    m_painter.restore();
}

void PaintReportPage(QPainter& painter, const ReportDocument& document, int page, double pxPerMm,
                     const QList<ReportMatch>& matches, int current)
{
    if (page < 0 || page >= document.pageCount())
        return;
    ReportPagePainter(painter, document, pxPerMm)
        .paint(document.page(page), page, matches, current);
}

bool WriteReportPdf(const ReportDocument& document, QIODevice* device, Progress* progress)
{
    switch (WriteCompactPdf(document, device, progress)) {
    case CompactPdfResult::Written:
        return true;
    case CompactPdfResult::Failed:
    case CompactPdfResult::Stopped:
        return false;
    case CompactPdfResult::Unsupported:
        break; // nothing written yet
    }
    QPdfWriter writer(device);
    writer.setPageLayout(document.layout);
    writer.setTitle(document.title);
    writer.setCreator(QStringLiteral("Rejestr TARV"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    ProgressStart(progress, QStringLiteral("Zapis raportu do pliku PDF"), document.pageCount());
    ReportPagePainter pages(painter, document, writer.resolution() / 25.4);
    bool stopped = false;
    for (int p = 0; p < document.pageCount() && !stopped; ++p) {
        if (p > 0)
            writer.newPage();
        pages.paint(document.page(p), p);
        stopped = !ProgressStep(progress, p + 1);
    }
    return painter.end() && !stopped;
}

bool WriteReportPdf(const ReportDocument& document, const QString& path, QString* error,
                    Progress* progress)
{
    // The PDF engine does not check its writes; the file remembers a failed one and refuses
    // to commit.
    SafeFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorText();
        return false;
    }
    const bool painted = WriteReportPdf(document, &file, progress);
    if (progress && progress->cancelled()) {
        file.cancelWriting();
        if (error)
            error->clear();
        return false;
    }
    const bool written = painted && file.commit();
    if (!written && error)
        *error = file.errorText();
    return written;
}
