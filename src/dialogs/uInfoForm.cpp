#include "dialogs/uInfoForm.h"

#include "dialogs/uDialogPictures.h"
#include "dialogs/uShuttingDown.h"

#include <QCoreApplication>
#include <QPushButton>

TinfoForm* infoForm = nullptr;

TinfoForm::TinfoForm(QWidget* parent)
    : TdialogForm(QStringLiteral("TinfoForm"), QStringLiteral("Informacja"), QSize(381, 103),
                  InformationPicture(), QPoint(7, 6), QRect(49, 0, 328, 75), parent)
{
    WatchApplicationQuit();
    SpeedButton1 = addButton(QStringLiteral("SpeedButton1"), QStringLiteral("  &OK    "), OkGlyph(),
                             QPoint(164, 72));
    connect(SpeedButton1, &QPushButton::clicked, this, &QDialog::accept);
    previewKeys();
}

TinfoForm::~TinfoForm()
{
    if (infoForm == this)
        infoForm = nullptr;
}

void TinfoForm::ShowInfo(const QString& title, const QString& message)
{
    setTitleAndMessage(title, message);
    // Lets the windows behind repaint before the modal loop takes over.
    QCoreApplication::processEvents();
    if (ApplicationIsShuttingDown())
        return;
    exec();
}

void TinfoForm::windowKey(QObject*, int)
{
    accept();
}

void ShowInfo(const QString& title, const QString& message)
{
    if (!infoForm)
        infoForm = new TinfoForm;
    infoForm->ShowInfo(title, message);
}
