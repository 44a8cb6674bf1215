#include "windows/uLogin.h"
#include "dialogs/uWindowLook.h"

#include "access/uPasswordCipher.h"
#include "access/uVtCrypt.h"
#include "data/Cp1250.h"
#include "data/uDefinicje.h"
#include "dialogs/uDialogPictures.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <limits>

namespace {
const int headerHeight = 34;
const QSize buttonSize(89, 30);
} // namespace

TpasswordForm::TpasswordForm(const QString& className, const QString& header, QSize clientSize,
                             QWidget* parent)
    : QDialog(parent, kToolWindowFlags)
{
    setObjectName(className);
    setWindowTitle(QStringLiteral("Rejestr TARV 1.0 PL+"));
    setModal(true);
    setFixedSize(clientSize);
    setSizeGripEnabled(false);

    ApplyWindowLook(this);

    Crypting = new TVtCrypt(this);
    Crypting->setObjectName(QStringLiteral("Crypting"));

    Header = AddHeaderBand(this, header, clientSize.width(), headerHeight);
}

QLabel* TpasswordForm::addLabel(const QString& name, const QString& text, QRect area)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setGeometry(area);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* TpasswordForm::addPasswordEdit(const QString& name, QRect area, int maxLength)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setGeometry(area);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(maxLength);
    // Qt's own password character differs by style; the program shows "*".
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    return edit;
}

QPushButton* TpasswordForm::addButton(const QString& name, const QString& caption,
                                      const QIcon& glyph, QPoint pos)
{
    auto* button = new QPushButton(glyph, caption, this);
    button->setObjectName(name);
    button->setGeometry(QRect(pos, buttonSize));
    button->setFlat(true);
    // Keys stay in the edits, whose handlers decide what Enter and Escape do.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}

QByteArray TpasswordForm::Encipher(const QString& text)
{
    Crypting->SetKey(QByteArray(PasswordCipherKey));
    Crypting->SetCryptogram(ToCp1250(text));
    Crypting->Encrypt();
    return Crypting->Cryptogram();
}

void TpasswordForm::showEvent(QShowEvent* event)
{
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

TfLogin::TfLogin(QWidget* parent)
    : TpasswordForm(QStringLiteral("TfLogin"), QStringLiteral("Zaloguj się"), QSize(262, 150),
                    parent)
{
    Label2 = addLabel(QStringLiteral("Label2"), QStringLiteral("Hasło"), QRect(16, 52, 44, 16));
    pwd = addPasswordEdit(QStringLiteral("pwd"), QRect(64, 49, 182, 21),
                          std::numeric_limits<int>::max());

    info = addLabel(QStringLiteral("info"), QStringLiteral("Niepoprawne hasło"),
                    QRect(64, 74, 182, 16));
    QPalette red = info->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    info->setPalette(red);
    QFont bold = info->font();
    bold.setBold(true);
    info->setFont(bold);
    info->hide();

    podpowiedz = addLabel(QStringLiteral("podpowiedz"), QStringLiteral("Domyślne hasło: kestu"),
                          QRect(64, 92, 182, 16));
    QPalette grey = podpowiedz->palette();
    grey.setColor(QPalette::WindowText, QColor(64, 64, 64));
    podpowiedz->setPalette(grey);
    podpowiedz->hide();

    SpeedButton2 = addButton(QStringLiteral("SpeedButton2"), QStringLiteral("    &OK       "),
                             OkGlyph(), QPoint(262 - 89 - 8, 112));
    connect(SpeedButton2, &QPushButton::clicked, this, &TfLogin::SpeedButton2Click);

    pwd->installEventFilter(this);
}

void TfLogin::FormShow()
{
    ReadSettings();
    if (Encipher(kDefaultPassword) == storedPassword)
        podpowiedz->show();
    if (IsBlankPasswordCipher(storedPassword)) {
        LogError(QStringLiteral("[000010123]  Brak hasła"));
        loggedIn = false;
        // Queued: a dialog closed while exec() is still showing it would never leave exec().
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    pwd->clear();
    loggedIn = false;
    info->hide();
    pwd->setFocus();
    attempts = 0;
}

void TfLogin::SpeedButton2Click()
{
    if (Encipher(pwd->text()) == storedPassword) {
        loggedIn = true;
        accept();
    } else {
        info->show();
        pwd->clear();
        ++attempts;
    }
    pwd->selectAll();
    pwd->setFocus();
    if (attempts == 3)
        reject();
}

void TfLogin::showEvent(QShowEvent* event)
{
    // Not when the window merely comes back from being minimised.
    if (!event->spontaneous())
        FormShow();
    TpasswordForm::showEvent(event);
}

bool TfLogin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pwd && event->type() == QEvent::KeyPress) {
        info->hide();
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            SpeedButton2Click();
            return true;
        }
    }
    return TpasswordForm::eventFilter(watched, event);
}

void TfLogin::keyPressEvent(QKeyEvent* event)
{
    // QDialog would take Escape for a refusal and Enter for its default button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        TpasswordForm::keyPressEvent(event);
    }
}
