#include "report/ReportLayout.h"

#include "report/ReportText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kEpsilon = 0.001; // millimetres

// One band filled with the values of the moment, not yet placed on a page.
struct BandText
{
    QString text;
    QStringList lines;               // fitted while stretching; empty when not yet fitted
    QList<ReportTextPart> pageParts; // for cells that wait for the page count
    bool waitsForPages = false;
};

struct FilledBand
{
    const ReportBand* band = nullptr;
    double height = 0.0;
    QList<BandText> cells;
};

// A cell whose text needs the page count: finished once every page is laid out.
struct PendingCell
{
    int page;
    const ReportCell* cell;
    QRectF rect;
    QList<ReportTextPart> parts;
};

class Layouter
{
public:
    Layouter(const ReportTemplate& tpl, const ReportUserDataset& dataset,
             const ReportValueHandler& value)
        : m_tpl(tpl), m_dataset(dataset), m_value(value), m_fitter(tpl.fonts)
    {
        m_doc.layout = tpl.page;
        m_doc.layout.setMargins(QMarginsF());
        m_body = tpl.page.paintRect(QPageLayout::Millimeter);
        const ReportBand* footer = tpl.band(ReportBandType::PageFooter);
        m_bodyBottom = m_body.bottom() - (footer ? footer->height : 0.0);
        double headers = 0.0;
        for (auto t : {ReportBandType::PageHeader, ReportBandType::ColumnHeader}) {
            if (const ReportBand* b = tpl.band(t))
                headers += b->height;
        }
        m_rowRoom = m_bodyBottom - (m_body.top() + headers);
    }

    ReportDocument run()
    {
        startPage();
        if (const ReportBand* master = m_tpl.band(ReportBandType::MasterData)) {
            if (m_dataset.OnFirst)
                m_dataset.OnFirst();
            for (;;) {
                bool eof = true;
                if (m_dataset.OnCheckEOF)
                    m_dataset.OnCheckEOF(eof);
                if (eof)
                    break;
                placeFlowing(fill(*master, m_rowRoom));
                if (m_dataset.OnNext)
                    m_dataset.OnNext();
            }
        }
        if (const ReportBand* summary = m_tpl.band(ReportBandType::ReportSummary))
            placeFlowing(fill(*summary, m_rowRoom));
        finishPage();
        finishPending();
        for (ReportPage& page : m_doc.pages)
            sortForReading(page);
        // The template's fonts and the smaller sizes that long lines were set in.
        m_doc.fonts = m_fitter.fonts();
        return std::move(m_doc);
    }

private:
    QString valueOf(const QString& name) const
    {
        QString v;
        if (m_value)
            m_value(name, v);
        return v;
    }

    // Asks the program for the band's variables, in the order of its cells.
    FilledBand fill(const ReportBand& band, double room)
    {
        FilledBand filled{&band, band.height, {}};
        filled.cells.reserve(band.cells.size());
        for (const ReportCell& cell : band.cells) {
            BandText t;
            if (cell.needsPages()) {
                t.waitsForPages = true;
                for (const ReportTextPart& p : cell.parts) {
                    if (p.kind == ReportTextPart::Variable)
                        t.pageParts.append({ReportTextPart::Literal, valueOf(p.text)});
                    else
                        t.pageParts.append(p);
                }
            } else {
                for (const ReportTextPart& p : cell.parts)
                    t.text += p.kind == ReportTextPart::Literal ? p.text : valueOf(p.text);
                if (band.stretch && cell.wrap) {
                    t.lines = m_fitter.fit(t.text, cell.font, innerWidth(cell), true, -1);
                    const double need = cell.rect.top() + 2 * cell.padding +
                                        t.lines.size() * m_fitter.lineHeight(cell.font);
                    filled.height = std::max(filled.height, need);
                }
            }
            filled.cells.append(std::move(t));
        }
        // A band taller than an empty page is cut to the page.
        filled.height = std::min(filled.height, std::max(room, band.height));
        return filled;
    }

    static double innerWidth(const ReportCell& cell)
    {
        return std::max(0.0, cell.rect.width() - 2 * cell.padding);
    }

    // Rows and the summary go on the current page when they fit, else on a new one.
    void placeFlowing(const FilledBand& band)
    {
        if (m_y + band.height > m_bodyBottom + kEpsilon && m_pageHasFlow) {
            finishPage();
            startPage();
        }
        place(band, m_y);
        m_y += band.height;
        m_pageHasFlow = true;
    }

    void startPage()
    {
        m_doc.pages.append(ReportPage{});
        m_y = m_body.top();
        m_pageHasFlow = false;
        for (auto t : {ReportBandType::PageHeader, ReportBandType::ColumnHeader}) {
            if (const ReportBand* b = m_tpl.band(t)) {
                const FilledBand filled = fill(*b, m_bodyBottom - m_y);
                place(filled, m_y);
                m_y += filled.height;
            }
        }
    }

    void finishPage()
    {
        if (const ReportBand* footer = m_tpl.band(ReportBandType::PageFooter))
            place(fill(*footer, footer->height), m_bodyBottom);
    }

    ReportPage& page() { return m_doc.pages.last(); }

    void place(const FilledBand& filled, double top)
    {
        const ReportBand& band = *filled.band;
        const double grow = filled.height - band.height;
        const auto atBottom = [&band](double y) { return std::abs(y - band.height) < kEpsilon; };
        const QPointF origin(m_body.left(), top);
        for (qsizetype i = 0; i < band.cells.size(); ++i) {
            const ReportCell& cell = band.cells[i];
            QRectF rect = cell.rect.translated(origin);
            if (grow > 0 && atBottom(cell.rect.bottom()))
                rect.setHeight(rect.height() + grow);
            // Nothing is drawn below a band that was cut to the page.
            rect.setBottom(std::min(rect.bottom(), top + filled.height));
            if (cell.fill.isValid())
                page().fills.append({rect, cell.fill});
            addFrame(rect, cell);
            const BandText& t = filled.cells[i];
            if (t.waitsForPages)
                m_pending.append({int(m_doc.pages.size()) - 1, &cell, rect, t.pageParts});
            else
                addText(page(), rect, cell, t.text, t.lines);
        }
        for (const ReportLine& l : band.lines) {
            QLineF line = l.line.translated(origin);
            if (grow > 0 && atBottom(l.line.y1()))
                line.setP1(line.p1() + QPointF(0, grow));
            if (grow > 0 && atBottom(l.line.y2()))
                line.setP2(line.p2() + QPointF(0, grow));
            page().lines.append({line, l.width});
        }
    }

    void addFrame(const QRectF& r, const ReportCell& cell)
    {
        const auto side = [&](unsigned bit, QPointF a, QPointF b) {
            if (cell.frame & bit)
                page().lines.append({QLineF(a, b), cell.frameWidth});
        };
        side(FrameLeft, r.topLeft(), r.bottomLeft());
        side(FrameTop, r.topLeft(), r.topRight());
        side(FrameRight, r.topRight(), r.bottomRight());
        side(FrameBottom, r.bottomLeft(), r.bottomRight());
    }

    void addText(ReportPage& target, const QRectF& rect, const ReportCell& cell,
                 const QString& text, QStringList lines)
    {
        if (text.isEmpty())
            return;
        const QRectF inner =
            rect.adjusted(cell.padding, cell.padding, -cell.padding, -cell.padding);
        const double lh = m_fitter.lineHeight(cell.font);
        const int room = std::max(1, int(std::floor((inner.height() + kEpsilon) / lh)));
        int font = cell.font;
        if (!cell.wrap) {
            const ReportFittedLine fitted = m_fitter.fitLine(text, cell.font, inner.width());
            lines = {fitted.text};
            font = fitted.font;
        } else if (lines.isEmpty() || lines.size() > room) {
            lines = m_fitter.fit(text, cell.font, inner.width(), true, room);
        }
        const double block = lines.size() * lh;
        double y = inner.top();
        if (block < inner.height()) {
            if (cell.align & Qt::AlignVCenter)
                y = inner.top() + (inner.height() - block) / 2;
            else if (cell.align & Qt::AlignBottom)
                y = inner.bottom() - block;
        }
        const Qt::Alignment horizontal = cell.align & Qt::AlignHorizontal_Mask;
        for (const QString& line : std::as_const(lines)) {
            if (!line.isEmpty())
                target.texts.append(
                    {QRectF(inner.left(), y, inner.width(), lh), rect, line, font, horizontal});
            y += lh;
        }
    }

    void finishPending()
    {
        const QString count = QString::number(m_doc.pages.size());
        for (const PendingCell& p : std::as_const(m_pending)) {
            QString text;
            for (const ReportTextPart& part : p.parts) {
                if (part.kind == ReportTextPart::PageNumber)
                    text += QString::number(p.page + 1);
                else if (part.kind == ReportTextPart::PageCount)
                    text += count;
                else
                    text += part.text;
            }
            addText(m_doc.pages[p.page], p.rect, *p.cell, text, {});
        }
    }

    // Find walks the items in this order: top to bottom, then left to right.
    static void sortForReading(ReportPage& page)
    {
        std::stable_sort(page.texts.begin(), page.texts.end(),
                         [](const ReportTextItem& a, const ReportTextItem& b) {
                             if (std::abs(a.rect.top() - b.rect.top()) > kEpsilon)
                                 return a.rect.top() < b.rect.top();
                             return a.rect.left() < b.rect.left();
                         });
    }

    const ReportTemplate& m_tpl;
    const ReportUserDataset& m_dataset;
    const ReportValueHandler& m_value;
    ReportTextFitter m_fitter;
    ReportDocument m_doc;
    QRectF m_body;
    double m_bodyBottom = 0.0;
    double m_rowRoom = 0.0;
    double m_y = 0.0;
    bool m_pageHasFlow = false;
    QList<PendingCell> m_pending;
};

} // namespace

ReportDocument LayoutReport(const ReportTemplate& tpl, const ReportUserDataset& dataset,
                            const ReportValueHandler& value)
{
    return Layouter(tpl, dataset, value).run();
}
