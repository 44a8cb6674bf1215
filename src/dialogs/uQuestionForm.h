#pragma once

#include "dialogs/uDialogForm.h"

class QPushButton;

// The question window: "Tak" answers yes; "Nie", Escape and the close box answer no. Enter does
// nothing, so a yes always takes a click or Alt+T.
class TquestionForm : public TdialogForm
{
    Q_OBJECT

public:
    explicit TquestionForm(QWidget* parent = nullptr);
    ~TquestionForm() override;

    // Shows the question modally; true only when it was closed by "Tak".
    bool Ask(const QString& title, const QString& message);

    bool Answer = false; // reset whenever the window is shown
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void windowKey(QObject* target, int key) override;
};

// The program's instance; null until the program or the first Ask below creates it.
extern TquestionForm* questionForm;

// Ask of questionForm, creating it first when there is none yet.
bool Ask(const QString& title, const QString& message);
