#include "dialogs/uDialogPictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <functional>

namespace {

QPixmap Paint(int side, const std::function<void(QPainter&)>& draw)
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return pixmap;
}

QPainterPath RoundedRect(QRectF rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

QPixmap InformationPicture()
{
    return Paint(31, [](QPainter& p) {
        QRadialGradient shade(QPointF(11, 9), 22);
        shade.setColorAt(0, QColor(130, 180, 255));
        shade.setColorAt(1, QColor(0, 55, 175));
        p.setPen(QPen(QColor(0, 35, 110), 1));
        p.setBrush(shade);
        p.drawEllipse(QRectF(1.5, 1.5, 28, 28));

        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(13, 5.5, 5, 5));
        QPainterPath letter = RoundedRect(QRectF(13.5, 12.5, 4, 12.5), 1);
        letter = letter.united(RoundedRect(QRectF(11.5, 12.5, 4, 2.5), 0.8)); // flag
        letter = letter.united(RoundedRect(QRectF(11.5, 23, 8, 2.5), 0.8));   // foot
        p.drawPath(letter);
    });
}

QPixmap RaisedHandPicture()
{
    return Paint(31, [](QPainter& p) {
        const QPolygonF diamond{{15.5, 0.5}, {30.5, 15.5}, {15.5, 30.5}, {0.5, 15.5}};
        p.setPen(QPen(QColor(60, 40, 0), 1));
        p.setBrush(QColor(255, 214, 0));
        p.drawPolygon(diamond);

        // Four fingers of different length over a rounded palm, and a thumb leaning outwards.
        QPainterPath hand = RoundedRect(QRectF(10, 14, 11.5, 10.5), 3.5);
        const qreal fingerTops[] = {8.5, 7, 7.5, 9.5};
        for (int i = 0; i < 4; ++i)
            hand = hand.united(RoundedRect(QRectF(10 + i * 2.9, fingerTops[i], 2.7, 10), 1.35));
        QPainterPath thumb = RoundedRect(QRectF(-1.4, -6, 2.8, 8), 1.4);
        QTransform lean;
        lean.translate(10.8, 20.5);
        lean.rotate(-35);
        hand = hand.united(lean.map(thumb));
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(Qt::white);
        p.drawPath(hand.simplified());
    });
}

QIcon OkGlyph()
{
    return QIcon(Paint(16, [](QPainter& p) {
        p.setPen(QPen(QColor(0, 140, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF{{2.5, 8.5}, {6.5, 12.5}, {13.5, 3.5}});
    }));
}

QIcon CancelGlyph()
{
    return QIcon(Paint(16, [](QPainter& p) {
        p.setPen(QPen(QColor(200, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    }));
}
