#pragma once

#include "dialogs/uDialogForm.h"

class QPushButton;

// The information window: a message with an OK button; Enter or Escape close it as well.
class TinfoForm : public TdialogForm
{
    Q_OBJECT

public:
    explicit TinfoForm(QWidget* parent = nullptr);
    ~TinfoForm() override;

    // Processes the pending events, then shows the message modally, unless the application is
    // shutting down (see uShuttingDown.h): then it returns at once.
    void ShowInfo(const QString& title, const QString& message);

    QPushButton* SpeedButton1 = nullptr;

protected:
    void windowKey(QObject* target, int key) override;
};

// The program's instance; null until the program or the first ShowInfo below creates it.
extern TinfoForm* infoForm;

// ShowInfo of infoForm, creating it first when there is none yet.
void ShowInfo(const QString& title, const QString& message);
