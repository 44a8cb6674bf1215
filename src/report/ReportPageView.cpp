#include "report/ReportPageView.h"

#include "report/ReportPainter.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

ReportPageView::ReportPageView(const ReportDocument& document, QWidget* parent)
    : QWidget(parent), m_document(document)
{
    setObjectName(QStringLiteral("pageView"));
    setAutoFillBackground(true);
    QPalette desk = palette();
    desk.setColor(QPalette::Window, QColor(128, 128, 136));
    setPalette(desk);
    resize(sizeHint());
}

double ReportPageView::screenPxPerMm() const
{
    return logicalDpiX() / 25.4;
}

void ReportPageView::setZoom(double zoom)
{
    m_zoom = std::clamp(zoom, 0.1, 8.0);
    resize(sizeHint());
    update();
}

QSizeF ReportPageView::pagePixels() const
{
    return m_document.pageSize() * pxPerMm();
}

QSize ReportPageView::sizeHint() const
{
    const QSizeF page = pagePixels();
    const auto n = std::max<qsizetype>(1, m_document.pages.size());
    return QSize(int(std::ceil(page.width())) + 2 * kGap,
                 int(std::ceil(n * (page.height() + kGap))) + kGap);
}

QRectF ReportPageView::pageRect(int page) const
{
    const QSizeF size = pagePixels();
    return QRectF(QPointF(kGap, kGap + page * (size.height() + kGap)), size);
}

int ReportPageView::pageAt(double y) const
{
    const double step = pagePixels().height() + kGap;
    const int page = int(std::floor((y - kGap / 2.0) / step));
    return std::clamp(page, 0, std::max(0, int(m_document.pages.size()) - 1));
}

void ReportPageView::setMatches(const QList<ReportMatch>& matches, int current)
{
    m_matches = matches;
    m_current = current;
    update();
}

void ReportPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const double k = pxPerMm();
    for (int p = 0; p < m_document.pages.size(); ++p) {
        const QRectF r = pageRect(p);
        if (!r.adjusted(0, 0, 3, 3).intersects(event->rect()))
            continue;
        painter.fillRect(r.translated(3, 3), QColor(80, 80, 88));
        painter.fillRect(r, Qt::white);
        painter.save();
        painter.translate(r.topLeft());
        painter.setClipRect(QRectF(QPointF(0, 0), r.size()));
        PaintReportPage(painter, m_document, p, k, m_matches, m_current);
        painter.restore();
    }
}
