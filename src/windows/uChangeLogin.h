#pragma once

#include "windows/uLogin.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The password-change window: checks the current password and the new one typed twice, and
// writes the new cipher text to rejestr.ini.
class TfChangeLogin : public TpasswordForm
{
    Q_OBJECT

public:
    explicit TfChangeLogin(QWidget* parent = nullptr);

    QLabel* Label2 = nullptr;
    QLineEdit* pwd = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* newPwd1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* newPwd2 = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    QPushButton* SpeedButton6 = nullptr;

    // "&Zapisz".
    void SpeedButton2Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
