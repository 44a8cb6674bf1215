#include "dialogs/uDateEdit.h"

#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "dialogs/uDatePicker.h"

TDateEdit::TDateEdit(QWidget* parent) : QLineEdit(parent)
{
    const QString separator = QStringLiteral("\\") + Regional().dateSeparator;
    setInputMask(QStringLiteral("00") + separator + QStringLiteral("00") + separator +
                 QStringLiteral("0000;_"));
}

QString TDateEdit::dateText() const
{
    // text() drops the unfilled places; the displayed text keeps them, as "_".
    return displayText().replace(u'_', u' ');
}

void TDateEdit::attachPicker(TDatePicker* picker)
{
    m_picker = picker;
    connect(picker, &TDatePicker::datePicked, this, [this](const QDate& date) {
        setText(date.toString(DateDisplayFormat));
        setFocus(Qt::OtherFocusReason);
        Q_EMIT datePicked(date);
    });
}

void TDateEdit::showDateInPicker()
{
    if (m_picker)
        m_picker->setDate(DateTextToDate(dateText()).date());
}

int TDateEdit::fittingWidth() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("00-00-0000")) + 14;
}
