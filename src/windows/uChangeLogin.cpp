#include "windows/uChangeLogin.h"

#include "access/uPasswordCipher.h"
#include "data/Cp1250.h"
#include "data/uDefinicje.h"
#include "dialogs/uDialogPictures.h"
#include "dialogs/uInfoForm.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const int maxPasswordLength = 20;
} // namespace

TfChangeLogin::TfChangeLogin(QWidget* parent)
    : TpasswordForm(QStringLiteral("TfChangeLogin"), QStringLiteral("Zmień hasło"), QSize(300, 176),
                    parent)
{
    Label2 =
        addLabel(QStringLiteral("Label2"), QStringLiteral("Bieżące hasło"), QRect(14, 50, 112, 16));
    pwd = addPasswordEdit(QStringLiteral("pwd"), QRect(130, 47, 156, 21), maxPasswordLength);
    Label1 =
        addLabel(QStringLiteral("Label1"), QStringLiteral("Nowe hasło"), QRect(14, 78, 112, 16));
    newPwd1 =
        addPasswordEdit(QStringLiteral("newPwd1"), QRect(130, 75, 156, 21), maxPasswordLength);
    Label3 = addLabel(QStringLiteral("Label3"), QStringLiteral("Powtórz nowe hasło"),
                      QRect(14, 106, 112, 16));
    newPwd2 =
        addPasswordEdit(QStringLiteral("newPwd2"), QRect(130, 103, 156, 21), maxPasswordLength);
    setTabOrder(pwd, newPwd1);
    setTabOrder(newPwd1, newPwd2);

    SpeedButton2 = addButton(QStringLiteral("SpeedButton2"), QStringLiteral("&Zapisz"), OkGlyph(),
                             QPoint(300 - 2 * 89 - 14, 138));
    SpeedButton2->setToolTip(QStringLiteral("Zapisz zmiany"));
    SpeedButton6 = addButton(QStringLiteral("SpeedButton6"), QStringLiteral("&Anuluj"),
                             CancelGlyph(), QPoint(300 - 89 - 8, 138));
    SpeedButton6->setToolTip(QStringLiteral("Anuluj zmiany"));
    connect(SpeedButton2, &QPushButton::clicked, this, &TfChangeLogin::SpeedButton2Click);
    connect(SpeedButton6, &QPushButton::clicked, this, &QDialog::reject);

    for (QLineEdit* edit : {pwd, newPwd1, newPwd2})
        edit->installEventFilter(this);
}

void TfChangeLogin::SpeedButton2Click()
{
    const auto refuseNew = [this](const QString& message) {
        newPwd1->clear();
        newPwd2->clear();
        ShowInfo(QStringLiteral("Błąd"), message);
    };

    if (Encipher(pwd->text()) != storedPassword) {
        pwd->clear();
        ShowInfo(QStringLiteral("Błąd"), QStringLiteral("Niepoprawne hasło"));
    } else if (newPwd1->text() != newPwd2->text()) {
        refuseNew(QStringLiteral("Nowe hasło nie zgadza się z potwierdzeniem"));
    } else if (TrimmedLength(newPwd1->text()) < 3) {
        refuseNew(QStringLiteral("Hasło musi zawierać przynajmniej 3 znaki"));
    } else {
        const QByteArray cipher = Encipher(newPwd1->text());
        QString error;
        // A cipher text the settings file would not give back unchanged would lock the user out;
        // letters outside Windows-1250 would all be enciphered as "?", so any would then do.
        if (!CanStorePasswordCipher(cipher) ||
            FromCp1250(ToCp1250(newPwd1->text())) != newPwd1->text()) {
            refuseNew(
                QStringLiteral("Tego hasła nie można bezpiecznie zapisać. Wybierz inne hasło."));
        } else if (!StorePasswordCipher(cipher, &error)) {
            // The old password still opens the program: the user must know it is the one to use.
            LogError(QStringLiteral("Nie można zapisać pliku %1: %2")
                         .arg(QDir::toNativeSeparators(ProgramPath(kSettingsFile)), error));
            ShowInfo(QStringLiteral("Błąd"),
                     QStringLiteral("Nie udało się zapisać nowego hasła (%1). "
                                    "Hasło nie zostało zmienione.")
                         .arg(error));
        } else {
            storedPassword = cipher;
            ShowInfo(QStringLiteral("Informacja"), QStringLiteral("Hasło zostało zmienione"));
            accept();
        }
    }
    pwd->selectAll();
    pwd->setFocus();
}

void TfChangeLogin::showEvent(QShowEvent* event)
{
    // The window is reused for the whole run: passwords typed last time are not offered again.
    if (!event->spontaneous()) {
        pwd->clear();
        newPwd1->clear();
        newPwd2->clear();
        pwd->setFocus();
    }
    TpasswordForm::showEvent(event);
}

bool TfChangeLogin::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == pwd || watched == newPwd1 || watched == newPwd2)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            reject();
            return true;
        }
        // Enter saves nothing here: only the button does.
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return TpasswordForm::eventFilter(watched, event);
}

void TfChangeLogin::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    TpasswordForm::keyPressEvent(event);
}
