#include "dialogs/uPromptForm.h"

#include "dialogs/uDialogPictures.h"

#include <QLineEdit>
#include <QPushButton>

TpromptForm* promptForm = nullptr;

TpromptForm::TpromptForm(QWidget* parent)
    : TdialogForm(QStringLiteral("TpromptForm"), QStringLiteral("Wprowadź"), QSize(350, 87),
                  RaisedHandPicture(), QPoint(9, 6), QRect(65, 0, 280, 27), parent)
{
    wynik = new QLineEdit(this);
    wynik->setObjectName(QStringLiteral("wynik"));
    wynik->setGeometry(64, 29, 281, 21);
    SpeedButton1 = addButton(QStringLiteral("SpeedButton1"), QStringLiteral("  &Ok   "), OkGlyph(),
                             QPoint(160, 54));
    SpeedButton2 = addButton(QStringLiteral("SpeedButton2"), QStringLiteral("  &Anuluj   "),
                             CancelGlyph(), QPoint(256, 54));
    connect(SpeedButton1, &QPushButton::clicked, this, [this] {
        Accepted = true;
        accept();
    });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] {
        Accepted = false;
        reject();
    });
    previewKeys();
}

TpromptForm::~TpromptForm()
{
    if (promptForm == this)
        promptForm = nullptr;
}

bool TpromptForm::AskText(const QString& title, const QString& message, const QString& initial)
{
    setTitleAndMessage(title, message);
    wynik->setText(initial);
    exec();
    return Accepted;
}

void TpromptForm::showEvent(QShowEvent* event)
{
    Accepted = false;
    wynik->selectAll();
    wynik->setFocus();
    TdialogForm::showEvent(event);
}

void TpromptForm::windowKey(QObject* target, int key)
{
    if (key == Qt::Key_Escape) {
        Accepted = false;
        reject();
    } else if (target == wynik) {
        Accepted = true;
        accept();
    }
}

bool AskText(const QString& title, const QString& message, const QString& initial, QString* result)
{
    if (!promptForm)
        promptForm = new TpromptForm;
    const bool accepted = promptForm->AskText(title, message, initial);
    if (result)
        *result = promptForm->wynik->text();
    return accepted;
}
