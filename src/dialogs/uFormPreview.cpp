#include "dialogs/uFormPreview.h"
#include "dialogs/uWindowLook.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>

namespace {

bool IsDatePicker(const QWidget* widget)
{
    if (qobject_cast<const QDateTimeEdit*>(widget) || qobject_cast<const QCalendarWidget*>(widget))
        return true;
    if (widget->property("datePicker").toBool())
        return true;
    for (const QMetaObject* type = widget->metaObject(); type; type = type->superClass()) {
        if (QLatin1String(type->className()).endsWith(QLatin1String("DatePicker")))
            return true;
    }
    return false;
}

void SetCommandButton(QAbstractButton* button, bool editable)
{
    const QString cancel = QStringLiteral("&Anuluj");
    const QString ok = QStringLiteral("&OK");
    // A second preview keeps the "&OK" it made, so the window never ends up without a button.
    if (!editable && (button->text() == cancel || button->text() == ok)) {
        button->setText(ok);
        SetHint(button, QStringLiteral("Zamknij"));
        button->setVisible(true);
    } else if (editable && button->text() == ok) {
        button->setText(cancel);
        SetHint(button, QStringLiteral("Anuluj zmiany"));
        button->setVisible(true);
    } else {
        button->setVisible(editable);
    }
}

// Applies the switch to one widget; answers whether it is a control whose inner widgets (a line
// edit's clear button, a calendar's navigation buttons) must not be visited.
bool SetControl(QWidget* widget, bool editable)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setReadOnly(!editable);
        return true;
    }
    // Before the buttons: a date picker may itself be a button.
    if (qobject_cast<QComboBox*>(widget) || qobject_cast<QCheckBox*>(widget) ||
        IsDatePicker(widget)) {
        widget->setEnabled(editable);
        return true;
    }
    if (qobject_cast<QPushButton*>(widget) || qobject_cast<QToolButton*>(widget)) {
        SetCommandButton(static_cast<QAbstractButton*>(widget), editable);
        return true;
    }
    return qobject_cast<QAbstractButton*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
           qobject_cast<QAbstractItemView*>(widget) || qobject_cast<QTabBar*>(widget);
}

void Walk(QWidget* parent, bool editable)
{
    const QObjectList children = parent->children();
    for (QObject* child : children) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue;
        if (!SetControl(widget, editable))
            Walk(widget, editable);
    }
}

} // namespace

void SetFormPreview(QWidget* window, bool editable)
{
    if (window)
        Walk(window, editable);
}
