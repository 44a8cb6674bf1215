#include "access/uPasswordCipher.h"
#include "access/uVtCrypt.h"
#include "data/Cp1250.h"
#include "data/SafeFile.h"
#include "data/uDefinicje.h"
#include "dialogs/uInfoForm.h"
#include "support/ModalDriver.h"
#include "support/TempProgramDir.h"
#include "windows/uChangeLogin.h"
#include "windows/uLogin.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>

namespace {

QByteArray CipherOf(const QString& password)
{
    return EncryptPassword(ToCp1250(password));
}

QString Settings()
{
    return ProgramPath(kSettingsFile);
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Real key presses; QTest only types Latin-1, so other letters come as key events with text.
void Type(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClick(widget, ch.toLatin1());
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
}

void Enter(TfLogin* login, const QString& password)
{
    Type(login->pwd, password);
    QTest::keyClick(login->pwd, Qt::Key_Return);
}

// The change window filled as a user does it, moving on with Tab, then "&Zapisz" clicked.
void Save(QWidget* modal, const QString& current, const QString& new1, const QString& new2)
{
    auto* w = qobject_cast<TfChangeLogin*>(modal);
    Type(w->pwd, current);
    QTest::keyClick(w->pwd, Qt::Key_Tab);
    Type(w->newPwd1, new1);
    QTest::keyClick(w->newPwd1, Qt::Key_Tab);
    Type(w->newPwd2, new2);
    QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
}

// Answers an information window, noting "title|message".
ModalDriver::Action AnswerInfo(QStringList* seen)
{
    return [seen](QWidget* modal) {
        auto* info = qobject_cast<TinfoForm*>(modal);
        seen->append(info ? info->windowTitle() + u'|' + info->napis1->text() : QString());
        QTest::keyClick(modal, Qt::Key_Return);
    };
}

// One start of the program: a new login window, reading the file, given these passwords in turn.
bool Login(const QStringList& passwords)
{
    storedPassword = "not what the file holds";
    TfLogin login;
    ModalDriver driver;
    driver.onNextModal([&](QWidget* modal) {
        for (const QString& password : passwords)
            Enter(qobject_cast<TfLogin*>(modal), password);
    });
    login.exec();
    return driver.allRan() && login.loggedIn;
}

// A password whose cipher text has this byte at this position: filler with one Windows-1250
// letter put in there, found by trying them all.
QString PasswordWithCipherByte(qsizetype position, char byte, QString filler)
{
    for (int code = 0x21; code <= 0xFF; ++code) {
        const QString letter = FromCp1250(QByteArray(1, char(code)));
        if (letter.at(0).isPrint() &&
            CipherOf(QString(filler).insert(position, letter)).at(position) == byte)
            return filler.insert(position, letter);
    }
    return QString();
}

const QString kestu = QStringLiteral("kestu");

} // namespace

class TestLogin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void windowsCarryTheirTexts();
    void rightPasswordAfterTwoWrongOnes();
    void thirdWrongPasswordEndsLogin_data();
    void thirdWrongPasswordEndsLogin();
    void showingAgainStartsAfresh();
    void defaultHintOnlyWhileDefaultIsStored();
    void noStoredPasswordEndsLoginAtOnce_data();
    void noStoredPasswordEndsLoginAtOnce();
    void rawCipherOfOlderInstallationLogsIn();
    void changedPasswordLogsInNextTime_data();
    void changedPasswordLogsInNextTime();
    void changeChecksRunInOrder_data();
    void changeChecksRunInOrder();
    void unstorablePasswordRefused_data();
    void unstorablePasswordRefused();
    void failedWriteKeepsEverything_data();
    void failedWriteKeepsEverything();
    void changeEscapeClosesEnterDoesNothing();

private:
    std::unique_ptr<TempProgramDir> m_program;
};

void TestLogin::init()
{
    m_program = std::make_unique<TempProgramDir>();
    QVERIFY(m_program->isValid());
    ReadSettings(); // what the login at start-up leaves behind
}

void TestLogin::cleanup()
{
    SafeFile::setFaultHook({});
    SetInfoHandler({});
    m_program.reset();
}

void TestLogin::windowsCarryTheirTexts()
{
    TfLogin login;
    QCOMPARE(login.SpeedButton2->text(), QStringLiteral("    &OK       "));
    // No length limit on the login; "*" for every character.
    Type(login.pwd, QString(300, u'x'));
    QCOMPARE(login.pwd->displayText(), QString(300, u'*'));

    TfChangeLogin change;
    QCOMPARE(change.Header->text(), QStringLiteral("Zmień hasło"));
    for (QLineEdit* edit : {change.pwd, change.newPwd1, change.newPwd2}) {
        Type(edit, QStringLiteral("ąbcdefghijklmnopqrstuvwxyz"));
        QCOMPARE(edit->text(), QStringLiteral("ąbcdefghijklmnopqrst"));
        QCOMPARE(edit->displayText(), QString(20, u'*'));
    }
}

void TestLogin::rightPasswordAfterTwoWrongOnes()
{
    TfLogin login;
    ModalDriver driver;
    driver.onNextModal([](QWidget* modal) {
        auto* w = qobject_cast<TfLogin*>(modal);
        QCOMPARE(w->focusWidget(), w->pwd);
        Enter(w, QStringLiteral("kesta"));
        QVERIFY(w->info->isVisible() && w->pwd->text().isEmpty() && w->attempts == 1);
        QTest::keyClick(w->pwd, Qt::Key_Escape); // hides the message, closes nothing
        QVERIFY(!w->info->isVisible() && w->isVisible());
        Enter(w, QStringLiteral("KESTU"));
        QVERIFY(w->info->isVisible() && w->attempts == 2);
        Type(w->pwd, kestu);
        QVERIFY(!w->info->isVisible());
        QTest::keyClick(w->pwd, Qt::Key_O, Qt::AltModifier); // OK by its accelerator
        QTRY_VERIFY(!w->isVisible()); // an accelerator clicks after a short animation
    });
    QCOMPARE(login.exec(), int(QDialog::Accepted));
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QVERIFY(login.loggedIn);
}

void TestLogin::thirdWrongPasswordEndsLogin_data()
{
    QTest::addColumn<QStringList>("wrong");
    QTest::newRow("letter case counts") << QStringList{"KESTU", "Kestu", "kestU"};
    QTest::newRow("blanks count") << QStringList{" kestu", "kestu ", ""};
}

void TestLogin::thirdWrongPasswordEndsLogin()
{
    QFETCH(QStringList, wrong);
    TfLogin login;
    ModalDriver driver;
    driver.onNextModal([&](QWidget* modal) {
        auto* w = qobject_cast<TfLogin*>(modal);
        Enter(w, wrong[0]);
        Enter(w, wrong[1]);
        QVERIFY(w->isVisible());
        Enter(w, wrong[2]);
        QVERIFY(!w->isVisible());
    });
    login.exec();
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QVERIFY(!login.loggedIn);
}

void TestLogin::showingAgainStartsAfresh()
{
    TfLogin login;
    ModalDriver driver;
    driver.onNextModal([](QWidget* modal) {
        auto* w = qobject_cast<TfLogin*>(modal);
        Enter(w, QStringLiteral("zle"));
        Enter(w, QStringLiteral("zle"));
        Type(w->pwd, kestu);
        w->close(); // the close box
    });
    login.exec();
    QVERIFY(!login.loggedIn);
    // Counting starts again at 0, so one more wrong password does not end it.
    driver.onNextModal([](QWidget* modal) {
        auto* w = qobject_cast<TfLogin*>(modal);
        QVERIFY(w->pwd->text().isEmpty() && !w->info->isVisible());
        Enter(w, QStringLiteral("zle"));
        Enter(w, kestu);
    });
    login.exec();
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QVERIFY(login.loggedIn);
}

void TestLogin::defaultHintOnlyWhileDefaultIsStored()
{
    const auto hintShown = [] {
        TfLogin login;
        bool shown = false;
        ModalDriver driver;
        driver.onNextModal([&](QWidget* modal) {
            const QLabel* hint = qobject_cast<TfLogin*>(modal)->podpowiedz;
            shown = hint->isVisible() && hint->text() == QStringLiteral("Domyślne hasło: kestu");
            modal->close();
        });
        login.exec();
        return shown;
    };
    QVERIFY(hintShown());
    QVERIFY(StorePasswordCipher(CipherOf(QStringLiteral("kestu2")), nullptr));
    QVERIFY(!hintShown());
    QVERIFY(StorePasswordCipher(CipherOf(kestu), nullptr));
    QVERIFY(hintShown());
}

void TestLogin::noStoredPasswordEndsLoginAtOnce_data()
{
    QTest::addColumn<QByteArray>("settings"); // empty: no file at all
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("no key") << QByteArray("[REGISTER]\r\nhaslo=\xD7\xD4\xD7\xA6\xAC\r\n");
    QTest::newRow("empty value") << QByteArray("[REGISTER]\r\nkey=\r\n");
    QTest::newRow("blanks") << QByteArray("[REGISTER]\r\nkey=   \r\n");
    QTest::newRow("control characters") << QByteArray("[REGISTER]\r\nkey=\x01\x02\x1F\r\n");
}

void TestLogin::noStoredPasswordEndsLoginAtOnce()
{
    QFETCH(QByteArray, settings);
    QVERIFY(settings.isEmpty() ? QFile::remove(Settings()) : WriteFileBytes(Settings(), settings));
    TfLogin login;
    ModalDriver driver; // no actions: a window left open would count as a stray one
    login.exec();
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QVERIFY(!login.loggedIn);
    const QString log =
        QString::fromUtf8(FileBytes(ProgramPath(QStringLiteral("debug/error.txt"))));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d  "
                                               "\\[000010123\\]  Brak hasła\r\n$"))
                 .match(log)
                 .hasMatch(),
             qPrintable(log));
}

void TestLogin::rawCipherOfOlderInstallationLogsIn()
{
    // Cipher texts the change window now refuses, but which the file gives back intact.
    for (const char byte : {'\0', '\r'}) {
        const QString password = PasswordWithCipherByte(1, byte, QStringLiteral("abc"));
        QVERIFY(WriteFileBytes(Settings(), "[REGISTER]\nkey=" + CipherOf(password) + "\n"));
        QVERIFY(Login({password}));
    }
}

void TestLogin::changedPasswordLogsInNextTime_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("nearMiss"); // which the next login refuses
    QTest::newRow("two leading blanks kept") << "  abc"
                                             << "abc";
    QTest::newRow("Polish letters") << "Zażółć gęślą"
                                    << "Zazolc gesla";
    QTest::newRow("twenty characters") << "ŁÓDŹ 678901234567890"
                                       << "łódź 678901234567890";
}

void TestLogin::changedPasswordLogsInNextTime()
{
    QFETCH(QString, password);
    QFETCH(QString, nearMiss);
    const QByteArray before = FileBytes(Settings()) + "[Inne]\r\nkey=x\r\n";
    QVERIFY(WriteFileBytes(Settings(), before));
    QStringList infos;
    {
        TfChangeLogin change;
        ModalDriver driver;
        driver.onNextModal([&](QWidget* modal) { Save(modal, kestu, password, password); });
        driver.onNextModal(AnswerInfo(&infos));
        change.exec();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QVERIFY(!change.isVisible());
    }
    QCOMPARE(infos, QStringList{QStringLiteral("Informacja|Hasło zostało zmienione")});
    QCOMPARE(storedPassword, CipherOf(password));
    QCOMPARE(FileBytes(Settings()),
             QByteArray(before).replace(CipherOf(kestu), CipherOf(password)));
    QVERIFY(Login({nearMiss, kestu, password}));
    QVERIFY(!Login({nearMiss, kestu, nearMiss}));
}

void TestLogin::changeChecksRunInOrder_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("new1");
    QTest::addColumn<QString>("new2");
    QTest::addColumn<QString>("message");
    const QString wrong = QStringLiteral("Niepoprawne hasło");
    const QString mismatch = QStringLiteral("Nowe hasło nie zgadza się z potwierdzeniem");
    const QString tooShort = QStringLiteral("Hasło musi zawierać przynajmniej 3 znaki");
    QTest::newRow("wrong current before mismatch") << "kestx"
                                                   << "abc"
                                                   << "abd" << wrong;
    QTest::newRow("current in other case") << "KESTU"
                                           << "abcd"
                                           << "abcd" << wrong;
    QTest::newRow("mismatch before length") << "kestu"
                                            << "a"
                                            << "b" << mismatch;
    QTest::newRow("mismatch in a blank") << "kestu"
                                         << "abcd"
                                         << "abcd " << mismatch;
    QTest::newRow("only blanks") << "kestu"
                                 << "     "
                                 << "     " << tooShort;
    QTest::newRow("one blank and two letters") << "kestu"
                                               << " ab"
                                               << " ab" << tooShort;
}

void TestLogin::changeChecksRunInOrder()
{
    QFETCH(QString, current);
    QFETCH(QString, new1);
    QFETCH(QString, new2);
    QFETCH(QString, message);
    const bool currentWrong = current != kestu;
    const QByteArray before = FileBytes(Settings());
    TfChangeLogin change;
    QStringList infos;
    ModalDriver driver;
    driver.onNextModal([&](QWidget* modal) {
        Save(modal, current, new1, new2);
        // Still open, the refused entry emptied, the focus back in the current password.
        QVERIFY(change.isVisible());
        QCOMPARE(change.pwd->text(), currentWrong ? QString() : current);
        QCOMPARE(change.newPwd2->text(), currentWrong ? new2 : QString());
        QCOMPARE(change.focusWidget(), change.pwd);
        QCOMPARE(change.pwd->selectedText(), change.pwd->text());
        QTest::keyClick(change.pwd, Qt::Key_Escape);
    });
    driver.onNextModal(AnswerInfo(&infos));
    change.exec();
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QCOMPARE(infos, QStringList{QStringLiteral("Błąd|") + message});
    QCOMPARE(FileBytes(Settings()), before);
    QCOMPARE(storedPassword, CipherOf(kestu));
}

void TestLogin::unstorablePasswordRefused_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("carriage return") << PasswordWithCipherByte(0, '\r', QStringLiteral("bcd"));
    QTest::newRow("byte 0") << PasswordWithCipherByte(1, '\0', QStringLiteral("abc"));
    QTest::newRow("blank at the end") << PasswordWithCipherByte(3, ' ', QStringLiteral("abc"));
    // Enciphered as "??????", which any six such letters would then match.
    QTest::newRow("letters outside Windows-1250") << QStringLiteral("пароль");
}

void TestLogin::unstorablePasswordRefused()
{
    QFETCH(QString, password);
    QVERIFY(!password.isEmpty());
    const QByteArray before = FileBytes(Settings());
    QStringList infos;
    {
        TfChangeLogin change;
        ModalDriver driver;
        driver.onNextModal([&](QWidget* modal) {
            Save(modal, kestu, password, password);
            QVERIFY(change.isVisible() && change.newPwd1->text().isEmpty());
            QTest::keyClick(change.pwd, Qt::Key_Escape);
        });
        driver.onNextModal(AnswerInfo(&infos));
        change.exec();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    }
    QCOMPARE(infos, QStringList{QStringLiteral(
                        "Błąd|Tego hasła nie można bezpiecznie zapisać. Wybierz inne hasło.")});
    QCOMPARE(FileBytes(Settings()), before);
    QVERIFY(Login({password, kestu}));
}

void TestLogin::failedWriteKeepsEverything_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only file") << "read-only"
                                    << "plik rejestr.ini jest tylko do odczytu";
    QTest::newRow("directory in its place") << "directory"
                                            << "w miejscu pliku jest folder: ";
    QTest::newRow("full disk") << "full disk"
                               << "brak miejsca na dysku: ";
}

void TestLogin::failedWriteKeepsEverything()
{
    QFETCH(QString, cause);
    QFETCH(QString, reason);
    const bool directory = cause == QLatin1String("directory");
    const QByteArray before = FileBytes(Settings());
    if (directory)
        QVERIFY(QFile::remove(Settings()) && QDir().mkdir(Settings()));
    else if (cause == QLatin1String("read-only"))
        QVERIFY(QFile::setPermissions(Settings(), QFile::ReadOwner | QFile::ReadGroup));
    else // a full disk refuses the buffered bytes when they are finally written out
        SafeFile::setFaultHook(
            [](SafeFile::Step at) { return at == SafeFile::Step::Flush ? ENOSPC : 0; });
    QStringList infos;
    {
        TfChangeLogin change;
        ModalDriver driver;
        driver.onNextModal([&](QWidget* modal) {
            Save(modal, kestu, QStringLiteral("nowe"), QStringLiteral("nowe"));
            QVERIFY(change.isVisible());
            QTest::mouseClick(change.SpeedButton6, Qt::LeftButton);
        });
        driver.onNextModal(AnswerInfo(&infos));
        change.exec();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    }

    QCOMPARE(infos.size(), 1);
    QVERIFY2(
        infos[0].startsWith(QStringLiteral("Błąd|Nie udało się zapisać nowego hasła (") + reason) &&
            infos[0].endsWith(QStringLiteral("). Hasło nie zostało zmienione.")),
        qPrintable(infos[0]));
    QVERIFY(FileBytes(ProgramPath(QStringLiteral("debug/error.txt")))
                .contains(QStringLiteral("  Nie można zapisać pliku %1: %2")
                              .arg(QDir::toNativeSeparators(Settings()), reason)
                              .toUtf8()));
    QCOMPARE(storedPassword, CipherOf(kestu));
    if (directory) {
        QVERIFY(QFileInfo(Settings()).isDir());
    } else {
        QCOMPARE(FileBytes(Settings()), before);
        QVERIFY(Login({kestu}));
    }
}

void TestLogin::changeEscapeClosesEnterDoesNothing()
{
    const QByteArray before = FileBytes(Settings());
    TfChangeLogin change;
    ModalDriver driver;
    driver.onNextModal([&](QWidget*) {
        Type(change.pwd, kestu);
        Type(change.newPwd1, QStringLiteral("nowe"));
        Type(change.newPwd2, QStringLiteral("nowe"));
        // Ready to be saved, yet Enter saves nothing in any of the fields.
        for (QLineEdit* edit : {change.pwd, change.newPwd1, change.newPwd2})
            QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(change.isVisible());
        QTest::keyClick(change.newPwd2, Qt::Key_Escape);
    });
    change.exec();
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QVERIFY(!change.isVisible());
    QCOMPARE(FileBytes(Settings()), before);
}

QTEST_MAIN(TestLogin)
#include "test_login.moc"
