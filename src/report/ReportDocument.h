#pragma once

#include "report/ReportTemplate.h"

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>

// A page of a prepared report: positioned items, pure data in millimetres from the paper's
// top-left corner. The painter draws it on any device; tests read it without a display.

// One line of text, already fitted: it is drawn in rect with its horizontal alignment and
// centred vertically; nothing of it shows outside clip, its cell.
struct ReportTextItem
{
    QRectF rect;
    QRectF clip;
    QString text;
    int font = 0; // index into ReportDocument::fonts()
    Qt::Alignment align = Qt::AlignLeft;
};

struct ReportLineItem
{
    QLineF line;
    double width = 0.2;
};

struct ReportFillItem
{
    QRectF rect;
    QColor colour;
};

struct ReportPage
{
    QList<ReportFillItem> fills;
    QList<ReportTextItem> texts;
    QList<ReportLineItem> lines;
};

class ReportPages;
class ReportTextFitter;

// A prepared report. Only where each page breaks and the texts of its bands are kept; a page is
// laid out when it is asked for, so the first page shows at once and memory follows the rows,
// not the items. Copies share the pages; a document is used by one thread.
class ReportDocument
{
public:
    QString title;
    QPageLayout layout; // margins are not used: items carry paper coordinates

    ReportDocument();
    explicit ReportDocument(std::shared_ptr<ReportPages> pages);

    int pageCount() const;
    // Page `index` (from 0) laid out; the last few asked for are kept. Out of range: empty.
    ReportPage page(int index) const;

    // The template's fonts, then the smaller sizes in which lines too wide for their cells were
    // set (more as more pages are laid out): an item's font is the size it is drawn at on every
    // device.
    const QList<ReportFont>& fonts() const;
    // What measured the items, for drawing them as wide as they were measured.
    const ReportTextFitter& fitter() const;

    // Paper size in millimetres, orientation applied.
    QSizeF pageSize() const { return layout.fullRect(QPageLayout::Millimeter).size(); }

    // Whether page `index` may show text: false only when none of its cells' texts holds it
    // (letter case ignored), so a search lays out only the pages that can match.
    bool pageMayContain(int index, const QString& text) const;

private:
    std::shared_ptr<ReportPages> m_pages;
};

// Where a searched text occurs: text item `item` of page `page`, from character `start`.
struct ReportMatch
{
    int page = 0;
    int item = 0;
    int start = 0;
    int length = 0;

    friend bool operator==(const ReportMatch&, const ReportMatch&) = default;
};

// Every occurrence of text in reading order (page, then item order), letter case ignored.
QList<ReportMatch> FindInReport(const ReportDocument& document, const QString& text);
