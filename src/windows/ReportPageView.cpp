#include "windows/ReportPageView.h"

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
    const int n = std::max(1, m_document.pageCount());
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
    return std::clamp(page, 0, std::max(0, m_document.pageCount() - 1));
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
    ReportPagePainter pages(painter, m_document, pxPerMm());
    // Only the pages in the exposed area are laid out and drawn.
    const int first = pageAt(event->rect().top());
    const int last = pageAt(event->rect().bottom());
    for (int p = std::max(0, first - 1); p <= last + 1 && p < m_document.pageCount(); ++p) {
        const QRectF r = pageRect(p);
        if (!r.adjusted(0, 0, 3, 3).intersects(event->rect()))
            continue;
        painter.fillRect(r.translated(3, 3), QColor(80, 80, 88));
        painter.fillRect(r, Qt::white);
        painter.save();
        painter.translate(r.topLeft());
        painter.setClipRect(QRectF(QPointF(0, 0), r.size()));
        pages.paint(m_document.page(p), p, m_matches, m_current);
        painter.restore();
    }
}
