#pragma once

#include "dialogs/uDialogForm.h"

class QLineEdit;
class QPushButton;

// The prompt window: one line of text. "Ok" or Enter in the edit accept; "Anuluj", Escape and
// the close box cancel. The text stays in wynik for the caller, untrimmed, either way.
class TpromptForm : public TdialogForm
{
    Q_OBJECT

public:
    explicit TpromptForm(QWidget* parent = nullptr);
    ~TpromptForm() override;

    // Shows the prompt modally with initial in wynik, all of it selected; true when accepted.
    bool AskText(const QString& title, const QString& message, const QString& initial);

    bool Accepted = false; // reset whenever the window is shown
    QLineEdit* wynik = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void windowKey(QObject* target, int key) override;
};

// The program's instance; null until the program or the first AskText below creates it.
extern TpromptForm* promptForm;

// AskText of promptForm, creating it first when there is none yet. When result is given it
// receives wynik's text, whatever the answer.
bool AskText(const QString& title, const QString& message, const QString& initial,
             QString* result = nullptr);
