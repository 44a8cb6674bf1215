#include "report/ReportLayout.h"

#include "report/ReportPages.h"
#include "report/ReportText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kEpsilon = 0.001; // millimetres
constexpr int kRecentPages = 8;

double innerWidth(const ReportCell& cell)
{
    return std::max(0.0, cell.rect.width() - 2 * cell.padding);
}

// Works out the page breaks: asks the program for every band's values in the order the bands
// are printed and keeps their texts. Nothing is measured here but the wrapping cells of bands
// that stretch, whose line count sets the band's height.
class Paginator
{
public:
    Paginator(const ReportTemplate& tpl, const ReportUserDataset& dataset,
              const ReportValueHandler& value, Progress* progress)
        : m_tpl(tpl), m_dataset(dataset), m_value(value), m_progress(progress),
          m_pages(std::make_shared<ReportPages>(tpl))
    {
        const QRectF body = tpl.page.paintRect(QPageLayout::Millimeter);
        m_bodyTop = body.top();
        const ReportBand* footer = tpl.band(ReportBandType::PageFooter);
        m_bodyBottom = body.bottom() - (footer ? footer->height : 0.0);
        double headers = 0.0;
        for (auto t : {ReportBandType::PageHeader, ReportBandType::ColumnHeader}) {
            if (const ReportBand* b = tpl.band(t))
                headers += b->height;
        }
        m_rowRoom = m_bodyBottom - (m_bodyTop + headers);
    }

    std::shared_ptr<ReportPages> run()
    {
        ProgressStart(m_progress, QStringLiteral("Przygotowanie raportu"),
                      m_dataset.OnCount ? m_dataset.OnCount() : 0);
        startPage();
        if (m_tpl.band(ReportBandType::MasterData)) {
            if (m_dataset.OnFirst)
                m_dataset.OnFirst();
            for (qint64 row = 1;; ++row) {
                bool eof = true;
                if (m_dataset.OnCheckEOF)
                    m_dataset.OnCheckEOF(eof);
                if (eof)
                    break;
                placeFlowing(ReportBandType::MasterData);
                if (m_dataset.OnNext)
                    m_dataset.OnNext();
                if (!ProgressStep(m_progress, row))
                    return nullptr;
            }
        }
        if (m_tpl.band(ReportBandType::ReportSummary))
            placeFlowing(ReportBandType::ReportSummary);
        finishPage();
        return m_pages;
    }

private:
    QString valueOf(const QString& name) const
    {
        QString v;
        if (m_value)
            m_value(name, v);
        return v;
    }

    QString textOf(const ReportCell& cell) const
    {
        // Most cells are one variable: its text is taken as it comes.
        if (cell.parts.size() == 1 && cell.parts[0].kind == ReportTextPart::Variable)
            return valueOf(cell.parts[0].text);
        QString t;
        for (const ReportTextPart& p : cell.parts) {
            switch (p.kind) {
            case ReportTextPart::Literal:
                t += p.text;
                break;
            case ReportTextPart::Variable:
                t += valueOf(p.text);
                break;
            case ReportTextPart::PageNumber:
                t += QChar(ReportPages::kPageNumberMark);
                break;
            case ReportTextPart::PageCount:
                t += QChar(ReportPages::kPageCountMark);
                break;
            }
        }
        return t;
    }

    // Asks the program for the band's variables, in the order of its cells; answers the band's
    // height, grown for its wrapping cells and cut to `room`.
    double fill(const ReportBand& band, double room)
    {
        double height = band.height;
        m_texts.resize(band.cells.size());
        for (qsizetype i = 0; i < band.cells.size(); ++i) {
            const ReportCell& cell = band.cells[i];
            QString& t = m_texts[i];
            t = textOf(cell);
            if (band.stretch && cell.wrap && !cell.needsPages()) {
                ReportTextFitter& fitter = m_pages->fitter();
                const double width = innerWidth(cell);
                // Most cells hold one short line: no need to break it to count its lines.
                const qsizetype lines = t.isEmpty() ? 0
                                        : !t.contains(u'\n') && fitter.width(cell.font, t) <= width
                                            ? 1
                                            : fitter.fit(t, cell.font, width, true, -1).size();
                height = std::max(height, cell.rect.top() + 2 * cell.padding +
                                              lines * fitter.lineHeight(cell.font));
            }
        }
        // A band taller than an empty page is cut to the page.
        return std::min(height, std::max(room, band.height));
    }

    // Rows and the summary go on the current page when they fit, else on a new one.
    void placeFlowing(ReportBandType type)
    {
        const double height = fill(*m_tpl.band(type), m_rowRoom);
        if (m_y + height > m_bodyBottom + kEpsilon && m_pageHasFlow) {
            // The footer and headers are filled in between: the row's texts are kept aside.
            const QStringList row = m_texts;
            finishPage();
            startPage();
            m_texts = row;
        }
        m_pages->addBand(type, m_y, height, m_texts);
        m_y += height;
        m_pageHasFlow = true;
    }

    void startPage()
    {
        m_pages->startPage();
        m_y = m_bodyTop;
        m_pageHasFlow = false;
        for (auto t : {ReportBandType::PageHeader, ReportBandType::ColumnHeader}) {
            if (const ReportBand* b = m_tpl.band(t)) {
                const double height = fill(*b, m_bodyBottom - m_y);
                m_pages->addBand(t, m_y, height, m_texts);
                m_y += height;
            }
        }
    }

    void finishPage()
    {
        if (const ReportBand* footer = m_tpl.band(ReportBandType::PageFooter)) {
            const double height = fill(*footer, footer->height);
            m_pages->addBand(ReportBandType::PageFooter, m_bodyBottom, height, m_texts);
        }
    }

    const ReportTemplate& m_tpl;
    const ReportUserDataset& m_dataset;
    const ReportValueHandler& m_value;
    Progress* m_progress;
    std::shared_ptr<ReportPages> m_pages;
    QStringList m_texts;
    double m_bodyTop = 0.0;
    double m_bodyBottom = 0.0;
    double m_rowRoom = 0.0;
    double m_y = 0.0;
    bool m_pageHasFlow = false;
};

} // namespace

ReportPages::ReportPages(const ReportTemplate& tpl) : m_tpl(tpl), m_fitter(tpl.fonts)
{
    m_bodyLeft = QPointF(tpl.page.paintRect(QPageLayout::Millimeter).left(), 0);
}

void ReportPages::startPage()
{
    m_pageStart.push_back(quint32(m_bands.size()));
}

void ReportPages::addBand(ReportBandType type, double top, double height, const QStringList& texts)
{
    m_bands.push_back({top, height, quint32(m_textEnd.size()), type});
    for (const QString& t : texts) {
        // Register texts are mostly ASCII: copied as they are, the rest converted.
        const qsizetype at = m_text.size();
        m_text.resize(at + t.size());
        char* out = m_text.data() + at;
        qsizetype i = 0;
        for (; i < t.size() && t[i].unicode() < 0x80; ++i)
            out[i] = char(t[i].unicode());
        if (i < t.size()) {
            m_text.resize(at + i);
            m_text += QStringView(t).mid(i).toUtf8();
        }
        m_textEnd.push_back(quint32(m_text.size()));
    }
}

QString ReportPages::textOf(quint32 index) const
{
    const quint32 start = index == 0 ? 0 : m_textEnd[index - 1];
    return QString::fromUtf8(m_text.constData() + start, m_textEnd[index] - start);
}

QString ReportPages::finished(QString text, int page) const
{
    if (text.contains(QChar(kPageNumberMark)) || text.contains(QChar(kPageCountMark))) {
        text.replace(QChar(kPageNumberMark), QString::number(page + 1));
        text.replace(QChar(kPageCountMark), QString::number(pageCount()));
    }
    return text;
}

ReportPage ReportPages::page(int index)
{
    if (index < 0 || index >= pageCount())
        return {};
    for (const auto& [at, laidOut] : m_recent) {
        if (at == index)
            return laidOut;
    }
    if (m_recent.size() >= kRecentPages)
        m_recent.pop_front();
    m_recent.emplace_back(index, layOut(index));
    return m_recent.back().second;
}

bool ReportPages::pageMayContain(int index, const QString& text) const
{
    if (index < 0 || index >= pageCount())
        return false;
    // A cut line ends with an ellipsis the cell's text does not hold.
    if (text.contains(QStringLiteral("…")))
        return true;
    const quint32 first = m_bands[m_pageStart[index]].firstText;
    const quint32 end = index + 1 < pageCount() ? m_bands[m_pageStart[index + 1]].firstText
                                                : quint32(m_textEnd.size());
    for (quint32 t = first; t < end; ++t) {
        QString cell = finished(textOf(t), index);
        cell.replace(u'\n', u' ').replace(u'\r', u' ').replace(u'\t', u' ');
        if (cell.contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

ReportPage ReportPages::layOut(int index)
{
    ReportPage page;
    const quint32 end = index + 1 < pageCount() ? m_pageStart[index + 1] : quint32(m_bands.size());
    for (quint32 b = m_pageStart[index]; b < end; ++b)
        place(page, index, m_bands[b]);
    // Find walks the items in this order: top to bottom, then left to right.
    std::stable_sort(page.texts.begin(), page.texts.end(),
                     [](const ReportTextItem& a, const ReportTextItem& b) {
                         if (std::abs(a.rect.top() - b.rect.top()) > kEpsilon)
                             return a.rect.top() < b.rect.top();
                         return a.rect.left() < b.rect.left();
                     });
    return page;
}

void ReportPages::place(ReportPage& page, int pageIndex, const Band& stored)
{
    const ReportBand& band = *m_tpl.band(stored.type);
    const double top = stored.top;
    const double grow = stored.height - band.height;
    const auto atBottom = [&band](double y) { return std::abs(y - band.height) < kEpsilon; };
    const QPointF origin = m_bodyLeft + QPointF(0, top);
    for (qsizetype i = 0; i < band.cells.size(); ++i) {
        const ReportCell& cell = band.cells[i];
        QRectF rect = cell.rect.translated(origin);
        if (grow > 0 && atBottom(cell.rect.bottom()))
            rect.setHeight(rect.height() + grow);
        // Nothing is drawn below a band that was cut to the page.
        rect.setBottom(std::min(rect.bottom(), top + stored.height));
        if (cell.fill.isValid())
            page.fills.append({rect, cell.fill});
        addFrame(page, rect, cell);
        addText(page, rect, cell, finished(textOf(stored.firstText + quint32(i)), pageIndex));
    }
    for (const ReportLine& l : band.lines) {
        QLineF line = l.line.translated(origin);
        if (grow > 0 && atBottom(l.line.y1()))
            line.setP1(line.p1() + QPointF(0, grow));
        if (grow > 0 && atBottom(l.line.y2()))
            line.setP2(line.p2() + QPointF(0, grow));
        page.lines.append({line, l.width});
    }
}

void ReportPages::addFrame(ReportPage& page, const QRectF& r, const ReportCell& cell)
{
    const auto side = [&](unsigned bit, QPointF a, QPointF b) {
        if (cell.frame & bit)
            page.lines.append({QLineF(a, b), cell.frameWidth});
    };
    side(FrameLeft, r.topLeft(), r.bottomLeft());
    side(FrameTop, r.topLeft(), r.topRight());
    side(FrameRight, r.topRight(), r.bottomRight());
    side(FrameBottom, r.bottomLeft(), r.bottomRight());
}

void ReportPages::addText(ReportPage& target, const QRectF& rect, const ReportCell& cell,
                          const QString& text)
{
    if (text.isEmpty())
        return;
    const QRectF inner = rect.adjusted(cell.padding, cell.padding, -cell.padding, -cell.padding);
    const double lh = m_fitter.lineHeight(cell.font);
    const int room = std::max(1, int(std::floor((inner.height() + kEpsilon) / lh)));
    int font = cell.font;
    QStringList lines;
    if (!cell.wrap) {
        ReportFittedLine fitted = m_fitter.fitLine(text, cell.font, inner.width());
        lines = {std::move(fitted.text)};
        font = fitted.font;
    } else {
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

ReportDocument LayoutReport(const ReportTemplate& tpl, const ReportUserDataset& dataset,
                            const ReportValueHandler& value, Progress* progress)
{
    ReportDocument document(Paginator(tpl, dataset, value, progress).run());
    document.layout = tpl.page;
    document.layout.setMargins(QMarginsF());
    return document;
}
