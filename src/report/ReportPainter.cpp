#include "report/ReportPainter.h"

#include "data/SafeFile.h"
#include "report/ReportText.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <optional>

namespace {

const QColor kMatchColour(255, 240, 120);
const QColor kCurrentMatchColour(255, 160, 60);

QRectF toDevice(const QRectF& r, double k)
{
    return QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k);
}

// Where the aligned line starts in its device rectangle.
double lineStart(const QRectF& r, double lineWidth, Qt::Alignment align)
{
    if (align & Qt::AlignRight)
        return r.right() - lineWidth;
    if (align & Qt::AlignHCenter)
        return r.center().x() - lineWidth / 2;
    return r.left();
}

} // namespace

void PaintReportPage(QPainter& painter, const ReportDocument& document, int pageIndex,
                     double pxPerMm, const QList<ReportMatch>& matches, int current)
{
    if (pageIndex < 0 || pageIndex >= document.pages.size())
        return;
    const ReportPage& page = document.pages[pageIndex];
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);

    // Point sizes as the device counts them, so that a point of the template is a point on paper
    // and pxPerMm alone sets the scale.
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : 96.0;
    QList<QFont> fonts;
    QList<std::optional<QFontMetricsF>> metrics(document.fonts.size());
    for (const ReportFont& rf : document.fonts) {
        QFont f = ReportQFont(rf);
        f.setPointSizeF(std::max(0.1, rf.size * 25.4 * pxPerMm / dpi));
        fonts.append(f);
    }
    const auto fm = [&](int font) -> const QFontMetricsF& {
        if (!metrics[font])
            metrics[font].emplace(fonts[font], painter.device());
        return *metrics[font];
    };

    for (const ReportFillItem& f : page.fills)
        painter.fillRect(toDevice(f.rect, pxPerMm), f.colour);

    for (int m = 0; m < matches.size(); ++m) {
        const ReportMatch& match = matches[m];
        if (match.page != pageIndex || match.item < 0 || match.item >= page.texts.size())
            continue;
        const ReportTextItem& item = page.texts[match.item];
        const QRectF r = toDevice(item.rect, pxPerMm);
        const QFontMetricsF& metric = fm(item.font);
        const double x = lineStart(r, metric.horizontalAdvance(item.text), item.align) +
                         metric.horizontalAdvance(item.text.left(match.start));
        const QRectF mark(x, r.top(),
                          metric.horizontalAdvance(item.text.mid(match.start, match.length)),
                          r.height());
        painter.fillRect(mark.intersected(toDevice(item.clip, pxPerMm)),
                         m == current ? kCurrentMatchColour : kMatchColour);
    }

    painter.setPen(Qt::black);
    int currentFont = -1;
    for (const ReportTextItem& item : page.texts) {
        if (item.font != currentFont) {
            painter.setFont(fonts[item.font]);
            currentFont = item.font;
        }
        const QRectF r = toDevice(item.rect, pxPerMm);
        // Qt would clip a line wider than its rectangle to the rectangle, cutting a digit off a
        // figure set to fill it exactly; only its cell bounds it.
        const int flags =
            int(item.align) | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
        // The fitted text may come out a hair wider on a hinted screen font: keep it in its cell.
        if (fm(item.font).horizontalAdvance(item.text) > r.width() + 0.5) {
            painter.save();
            painter.setClipRect(toDevice(item.clip, pxPerMm), Qt::IntersectClip);
            painter.drawText(r, flags, item.text);
            painter.restore();
        } else {
            painter.drawText(r, flags, item.text);
        }
    }

    for (const ReportLineItem& l : page.lines) {
        QPen pen(Qt::black, std::max(1.0, l.width * pxPerMm), Qt::SolidLine, Qt::SquareCap);
        painter.setPen(pen);
        painter.drawLine(QLineF(l.line.p1() * pxPerMm, l.line.p2() * pxPerMm));
    }
    painter.restore();
}

bool WriteReportPdf(const ReportDocument& document, QIODevice* device)
{
    QPdfWriter writer(device);
    writer.setPageLayout(document.layout);
    writer.setTitle(document.title);
    writer.setCreator(QStringLiteral("Rejestr TARV"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const double pxPerMm = writer.resolution() / 25.4;
    for (int p = 0; p < document.pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        PaintReportPage(painter, document, p, pxPerMm);
    }
    return painter.end();
}

bool WriteReportPdf(const ReportDocument& document, const QString& path, QString* error)
{
    // The PDF engine does not check its writes; the file remembers a failed one and refuses
    // to commit.
    SafeFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && WriteReportPdf(document, &file) && file.commit();
    if (!written && error)
        *error = file.errorText();
    return written;
}
