#include "app/uSearchField.h"

#include <QKeyEvent>

TSearchField::TSearchField(QWidget* parent) : QLineEdit(parent)
{
    setClearButtonEnabled(true);
}

void TSearchField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        clear();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        Q_EMIT leaveToList();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}
