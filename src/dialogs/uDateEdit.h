#pragma once

#include <QLineEdit>

class QDate;
class TDatePicker;

// The date field of every window: digits only, in the order the fields show dates, with the
// regional separator fixed in place and "_" where nothing is typed yet; the calendar button
// beside it (placed by the window) fills it.
class TDateEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TDateEdit(QWidget* parent = nullptr);

    // The text with its unfilled places as blanks, as the date checks and the records read it
    // (so an untouched field reads the empty date text).
    QString dateText() const;
    // A picked day is written into the field, the focus comes back to it (so Enter right after
    // picking works as in any field) and it is announced.
    void attachPicker(TDatePicker* picker);
    // Opens the picker's calendar on the field's date (today for a text naming no day).
    void showDateInPicker();
    TDatePicker* picker() const { return m_picker; }
    // The width that shows a whole date in the field's font.
    int fittingWidth() const;

Q_SIGNALS:
    void datePicked(const QDate& date);

private:
    TDatePicker* m_picker = nullptr;
};
