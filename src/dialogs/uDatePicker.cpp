#include "dialogs/uDatePicker.h"

#include <QCalendarWidget>
#include <QScreen>
#include <QVBoxLayout>

TDatePicker::TDatePicker(QWidget* parent) : QToolButton(parent), m_date(QDate::currentDate())
{
    setFocusPolicy(Qt::ClickFocus);
    setArrowType(Qt::DownArrow);
    setFixedWidth(18);
    setToolTip(QStringLiteral("Wybierz datę z kalendarza"));
    setStatusTip(toolTip());

    m_popup = new QWidget(this, Qt::Popup);
    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setGridVisible(true);
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    auto* layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_calendar);

    connect(this, &QToolButton::clicked, this, &TDatePicker::showCalendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &TDatePicker::pick);
    connect(m_calendar, &QCalendarWidget::activated, this, &TDatePicker::pick);
}

void TDatePicker::setDate(const QDate& date)
{
    if (date.isValid())
        m_date = date;
}

void TDatePicker::showCalendar()
{
    m_calendar->setSelectedDate(m_date);
    m_popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(width() - m_popup->width(), height()));
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        at.setX(qBound(area.left(), at.x(), area.right() - m_popup->width()));
        if (at.y() + m_popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus();
}

void TDatePicker::pick(const QDate& date)
{
    m_popup->hide();
    m_date = date;
    Q_EMIT datePicked(date);
}
