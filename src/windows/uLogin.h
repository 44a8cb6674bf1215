#pragma once

#include <QByteArray>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TVtCrypt;

// What the login and the password-change windows share: their look (a small tool window with a
// close box only, fixed size, centred on the screen, background RGB 192,192,208, sans-serif 8 pt,
// a grey header band with a white title, the buttons at the bottom) and their cipher component.
class TpasswordForm : public QDialog
{
    Q_OBJECT

public:
    TVtCrypt* Crypting = nullptr;
    QLabel* Header = nullptr;

protected:
    TpasswordForm(const QString& className, const QString& header, QSize clientSize,
                  QWidget* parent);

    QLabel* addLabel(const QString& name, const QString& text, QRect area);
    // Typed characters shown as "*".
    QLineEdit* addPasswordEdit(const QString& name, QRect area, int maxLength);
    // A flat button that never takes the focus, like the other windows' buttons.
    QPushButton* addButton(const QString& name, const QString& caption, const QIcon& glyph,
                           QPoint pos);

    // The cipher text of the text as typed (not trimmed), as Windows-1250 bytes, by Crypting.
    QByteArray Encipher(const QString& text);

    void showEvent(QShowEvent* event) override;
};

// The login window, shown modally once at start-up; loggedIn tells the caller the outcome.
class TfLogin : public TpasswordForm
{
    Q_OBJECT

public:
    explicit TfLogin(QWidget* parent = nullptr);

    QLabel* Label2 = nullptr;
    QLineEdit* pwd = nullptr;
    QLabel* info = nullptr;
    QLabel* podpowiedz = nullptr;
    QPushButton* SpeedButton2 = nullptr;

    // Wrong passwords typed since the window was last shown.
    quint8 attempts = 0;
    // True once the right password was typed.
    bool loggedIn = false;

    // Run on every showing: reads the settings file and prepares the window, or closes it at
    // once, not logged in, when no password is stored.
    void FormShow();
    // OK, also Enter in pwd.
    void SpeedButton2Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
