#pragma once

#include <QLineEdit>

// The search field above the taxpayer list: Esc empties it; Enter and Down hand the keyboard
// back to the list.
class TSearchField : public QLineEdit
{
    Q_OBJECT
public:
    explicit TSearchField(QWidget* parent = nullptr);

Q_SIGNALS:
    void leaveToList();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
