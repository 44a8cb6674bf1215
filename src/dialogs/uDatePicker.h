#pragma once

#include <QDate>
#include <QToolButton>

class QCalendarWidget;

// A date picker that shows only its button: a click opens a calendar below it; picking a day
// closes the calendar and announces the date. It is not a tab stop, as the masked date edit
// beside it takes the typing.
class TDatePicker : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(bool datePicker READ isDatePicker CONSTANT)
public:
    explicit TDatePicker(QWidget* parent = nullptr);

    QDate date() const { return m_date; }
    void setDate(const QDate& date);
    bool isDatePicker() const { return true; }

    // The popup calendar, for tests and keyboard use.
    QCalendarWidget* calendar() const { return m_calendar; }
    void showCalendar();

Q_SIGNALS:
    // Only for a date the user picked, never for setDate().
    void datePicked(const QDate& date);

private:
    void pick(const QDate& date);

    QDate m_date;
    QWidget* m_popup = nullptr;
    QCalendarWidget* m_calendar = nullptr;
};
