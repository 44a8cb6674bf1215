#pragma once

#include "report/ReportTemplate.h"

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>

// A prepared report: pages of positioned items, pure data in millimetres from the paper's
// top-left corner. The painter draws it on any device; tests read it without a display.

// One line of text, already fitted: it is drawn in rect with its horizontal alignment and
// centred vertically; nothing of it shows outside clip, its cell.
struct ReportTextItem
{
    QRectF rect;
    QRectF clip;
    QString text;
    int font = 0; // index into ReportDocument::fonts
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

struct ReportDocument
{
    QString title;
    QPageLayout layout; // margins are not used: items carry paper coordinates
    // The template's fonts, then the smaller sizes in which lines too wide for their cells were
    // set: an item's font is the size it is drawn at on every device.
    QList<ReportFont> fonts;
    QList<ReportPage> pages;

    // Paper size in millimetres, orientation applied.
    QSizeF pageSize() const { return layout.fullRect(QPageLayout::Millimeter).size(); }
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
