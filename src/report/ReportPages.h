#pragma once

#include "report/ReportDocument.h"
#include "report/ReportTemplate.h"
#include "report/ReportText.h"

#include <QByteArray>

#include <deque>
#include <utility>
#include <vector>

// What a prepared report keeps: its template, where every page breaks, and the text of every
// cell of every band placed, in one block. A page's items are made from these when it is asked
// for. Texts are kept as UTF-8: register rows are mostly ASCII, so this halves the memory.
class ReportPages
{
public:
    explicit ReportPages(const ReportTemplate& tpl);

    // Filling, in page order: a page, then its bands top to bottom with one text per cell.
    void startPage();
    void addBand(ReportBandType type, double top, double height, const QStringList& texts);

    int pageCount() const { return int(m_pageStart.size()); }
    ReportPage page(int index);
    bool pageMayContain(int index, const QString& text) const;

    const ReportTemplate& templ() const { return m_tpl; }
    ReportTextFitter& fitter() { return m_fitter; }

    // A cell whose text waits for the page number or count keeps these in their places.
    static constexpr char16_t kPageNumberMark = 0xE000;
    static constexpr char16_t kPageCountMark = 0xE001;

private:
    struct Band
    {
        double top;
        double height;
        quint32 firstText;
        ReportBandType type;
    };

    QString textOf(quint32 index) const;
    // The text as printed on page `page`: the marks replaced by the numbers.
    QString finished(QString text, int page) const;
    ReportPage layOut(int index);
    void place(ReportPage& page, int pageIndex, const Band& band);
    void addText(ReportPage& target, const QRectF& rect, const ReportCell& cell,
                 const QString& text);
    static void addFrame(ReportPage& page, const QRectF& r, const ReportCell& cell);

    ReportTemplate m_tpl;
    ReportTextFitter m_fitter;
    QPointF m_bodyLeft;
    std::vector<Band> m_bands;
    std::vector<quint32> m_pageStart; // the first band of each page
    QByteArray m_text;
    std::vector<quint32> m_textEnd; // where text i ends in m_text
    std::deque<std::pair<int, ReportPage>> m_recent;
};
