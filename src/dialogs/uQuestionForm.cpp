#include "dialogs/uQuestionForm.h"

#include "dialogs/uDialogPictures.h"

#include <QPushButton>

TquestionForm* questionForm = nullptr;

TquestionForm::TquestionForm(QWidget* parent)
    : TdialogForm(QStringLiteral("TquestionForm"), QStringLiteral("Zdecyduj"), QSize(350, 90),
                  RaisedHandPicture(), QPoint(9, 6), QRect(57, 5, 288, 52), parent)
{
    SpeedButton1 = addButton(QStringLiteral("SpeedButton1"), QStringLiteral("  &Tak   "), OkGlyph(),
                             QPoint(160, 58));
    SpeedButton2 = addButton(QStringLiteral("SpeedButton2"), QStringLiteral("  &Nie   "),
                             CancelGlyph(), QPoint(256, 58));
    connect(SpeedButton1, &QPushButton::clicked, this, [this] {
        Answer = true;
        accept();
    });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] {
        Answer = false;
        reject();
    });
    previewKeys();
}

TquestionForm::~TquestionForm()
{
    if (questionForm == this)
        questionForm = nullptr;
}

bool TquestionForm::Ask(const QString& title, const QString& message)
{
    setTitleAndMessage(title, message);
    exec();
    return Answer;
}

void TquestionForm::showEvent(QShowEvent* event)
{
    Answer = false;
    TdialogForm::showEvent(event);
}

void TquestionForm::windowKey(QObject*, int key)
{
    if (key == Qt::Key_Escape) {
        Answer = false;
        reject();
    }
}

bool Ask(const QString& title, const QString& message)
{
    if (!questionForm)
        questionForm = new TquestionForm;
    return questionForm->Ask(title, message);
}
