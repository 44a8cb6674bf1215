#include "dialogs/uFormPreview.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uPromptForm.h"
#include "dialogs/uQuestionForm.h"
#include "dialogs/uShuttingDown.h"
#include "support/ModalDriver.h"
#include "windows/uServerPassword.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

namespace {

enum class Gesture
{
    ClickFirst,
    ClickSecond,
    Accelerator,
    Escape,
    Enter,
    CloseBox
};

QPushButton* Button(QWidget* window, const char* name)
{
    return window->findChild<QPushButton*>(QLatin1String(name));
}

// Keys go to the control holding the focus, as a user's would.
void Perform(QWidget* window, Gesture gesture, int letter = 0)
{
    QWidget* focus = window->focusWidget() ? window->focusWidget() : window;
    switch (gesture) {
    case Gesture::ClickFirst:
        QTest::mouseClick(Button(window, "SpeedButton1"), Qt::LeftButton);
        break;
    case Gesture::ClickSecond:
        QTest::mouseClick(Button(window, "SpeedButton2"), Qt::LeftButton);
        break;
    case Gesture::Accelerator:
        // A mnemonic presses its button with animateClick(), which releases it 100 ms later.
        QTest::keyClick(focus, Qt::Key(letter), Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 2000);
        break;
    case Gesture::Escape:
        QTest::keyClick(focus, Qt::Key_Escape);
        break;
    case Gesture::Enter:
        QTest::keyClick(focus, Qt::Key_Return);
        break;
    case Gesture::CloseBox:
        window->close(); // what the title bar's close icon does
        break;
    }
}

// Opens one of the three windows through its free function; the information window "answers" true.
bool Open(const QString& window, const QString& title, const QString& message)
{
    if (window == QLatin1String("info")) {
        ShowInfo(title, message);
        return true;
    }
    if (window == QLatin1String("question"))
        return Ask(title, message);
    return AskText(title, message, QString());
}

// QTest::keyClicks only knows Latin-1; Polish letters arrive as key events carrying their text.
void Type(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
}

QString LongMessage()
{
    QString text;
    for (int i = 1; i <= 60; ++i)
        text += QStringLiteral("Zdanie numer %1 jest długie. ").arg(i);
    return text;
}

// Looks like a date picker only by its class name, and is a button underneath.
class TestDatePicker : public QToolButton
{
    Q_OBJECT

public:
    using QToolButton::QToolButton;
};

} // namespace

Q_DECLARE_METATYPE(Gesture)

class TestDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void closingGestures_data();
    void closingGestures();
    void staleAnswerIsReset_data();
    void staleAnswerIsReset();
    void promptText_data();
    void promptText();
    void serverPasswordIsTypedHidden_data();
    void serverPasswordIsTypedHidden();
    void fixedLayout_data();
    void fixedLayout();
    void showInfoWhileShuttingDown_data();
    void showInfoWhileShuttingDown();

    void formPreviewRoundTrip();
    void formPreviewTwiceKeepsOneButton();

    void driverFollowsSuccessiveAndNestedWindows();
    void driverGivesUpWithoutWindow();
    void driverClosesStrayWindow();
};

void TestDialogs::cleanup()
{
    MarkShuttingDown(false);
}

void TestDialogs::closingGestures_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<int>("letter");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("result");

    QTest::newRow("info Alt+O") << "info" << Gesture::Accelerator << int(Qt::Key_O) << true << true;
    QTest::newRow("info Enter") << "info" << Gesture::Enter << 0 << true << true;
    QTest::newRow("info Escape") << "info" << Gesture::Escape << 0 << true << true;
    QTest::newRow("info close box") << "info" << Gesture::CloseBox << 0 << true << true;

    QTest::newRow("question Tak clicked") << "question" << Gesture::ClickFirst << 0 << true << true;
    QTest::newRow("question Nie clicked")
        << "question" << Gesture::ClickSecond << 0 << true << false;
    QTest::newRow("question Alt+T")
        << "question" << Gesture::Accelerator << int(Qt::Key_T) << true << true;
    QTest::newRow("question Escape") << "question" << Gesture::Escape << 0 << true << false;
    QTest::newRow("question close box") << "question" << Gesture::CloseBox << 0 << true << false;
    QTest::newRow("question Enter stays open")
        << "question" << Gesture::Enter << 0 << false << false;

    QTest::newRow("prompt Anuluj clicked")
        << "prompt" << Gesture::ClickSecond << 0 << true << false;
    QTest::newRow("prompt Alt+O") << "prompt" << Gesture::Accelerator << int(Qt::Key_O) << true
                                  << true;
    QTest::newRow("prompt Escape in wynik") << "prompt" << Gesture::Escape << 0 << true << false;
    QTest::newRow("prompt Enter in wynik") << "prompt" << Gesture::Enter << 0 << true << true;
    QTest::newRow("prompt close box") << "prompt" << Gesture::CloseBox << 0 << true << false;
}

void TestDialogs::closingGestures()
{
    QFETCH(QString, window);
    QFETCH(Gesture, gesture);
    QFETCH(int, letter);
    QFETCH(bool, closes);
    QFETCH(bool, result);
    const QString title = QStringLiteral("Błąd bazy danych");
    const QString message = QStringLiteral("Czy usunąć zaznaczony zapis? Zażółć gęślą jaźń.");

    QString shownTitle, shownMessage;
    bool openAfterGesture = false;
    ModalDriver driver;
    driver.onNextModal([&](QWidget* w) {
        shownTitle = w->windowTitle();
        shownMessage = w->findChild<QLabel*>(QStringLiteral("napis1"))->text();
        Perform(w, gesture, letter);
        openAfterGesture = w->isVisible();
    });
    if (!closes)
        driver.onNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });

    QCOMPARE(Open(window, title, message), result);
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QCOMPARE(openAfterGesture, !closes);
    QCOMPARE(shownTitle, title);
    QCOMPARE(shownMessage, message);
}

void TestDialogs::staleAnswerIsReset_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("question") << "question";
    QTest::newRow("prompt") << "prompt";
}

void TestDialogs::staleAnswerIsReset()
{
    QFETCH(QString, window);
    ModalDriver driver;
    bool staleAtShow = true;
    driver.onNextModal([](QWidget* w) { Perform(w, Gesture::ClickFirst); });
    driver.onNextModal([&](QWidget* w) {
        staleAtShow =
            window == QLatin1String("question") ? questionForm->Answer : promptForm->Accepted;
        Perform(w, Gesture::CloseBox);
    });
    QVERIFY(Open(window, QStringLiteral("Pytanie"), QStringLiteral("Pierwsze")));
    QVERIFY(!Open(window, QStringLiteral("Pytanie"), QStringLiteral("Drugie")));
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QVERIFY(!staleAtShow);
}

void TestDialogs::promptText_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("text");

    QTest::newRow("typing replaces the initial text") << "stara nazwa"
                                                      << "Łódź" << Gesture::Enter << true << "Łódź";
    QTest::newRow("empty text accepted by Enter") << ""
                                                  << "" << Gesture::Enter << true << "";
    QTest::newRow("blanks kept") << "  a  b  "
                                 << "" << Gesture::ClickFirst << true << "  a  b  ";
    QTest::newRow("cancelled text still readable") << "stara"
                                                   << "nowa" << Gesture::Escape << false << "nowa";
}

void TestDialogs::promptText()
{
    QFETCH(QString, initial);
    QFETCH(QString, typed);
    QFETCH(Gesture, gesture);
    QFETCH(bool, accepted);
    QFETCH(QString, text);

    QString selectedAtShow;
    bool editHadFocus = false;
    ModalDriver driver;
    driver.onNextModal([&](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("wynik"));
        selectedAtShow = edit->selectedText();
        editHadFocus = w->focusWidget() == edit;
        Type(edit, typed);
        Perform(w, gesture);
    });
    QString result = QStringLiteral("untouched");
    QCOMPARE(
        AskText(QStringLiteral("Wprowadź"), QStringLiteral("Opis archiwum:"), initial, &result),
        accepted);
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QCOMPARE(selectedAtShow, initial);
    QVERIFY(editHadFocus);
    QCOMPARE(result, text);
    QCOMPARE(promptForm->wynik->text(), text);
}

void TestDialogs::serverPasswordIsTypedHidden_data()
{
    QTest::addColumn<bool>("retry");
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<bool>("given");
    QTest::newRow("first ask, Enter") << false << Gesture::Enter << true;
    QTest::newRow("again after a refusal, Ok") << true << Gesture::ClickFirst << true;
    QTest::newRow("given up by Escape") << false << Gesture::Escape << false;
    QTest::newRow("given up by Anuluj") << true << Gesture::ClickSecond << false;
}

void TestDialogs::serverPasswordIsTypedHidden()
{
    QFETCH(bool, retry);
    QFETCH(Gesture, gesture);
    QFETCH(bool, given);
    const QString why = QStringLiteral("Serwer bazy danych serwer, użytkownik kowalska");
    bool hidden = false;
    QString shown;
    ModalDriver driver;
    driver.onNextModal([&](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("wynik"));
        hidden = edit->echoMode() == QLineEdit::Password;
        for (const QLabel* label : w->findChildren<QLabel*>())
            shown += label->text();
        Type(edit, QStringLiteral("Tajne hasło ż1"));
        Perform(w, gesture);
    });
    const std::optional<QString> answer = AskServerPassword(why, retry);
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QVERIFY(hidden);
    QVERIFY2(shown.contains(why), qPrintable(shown));
    // A second ask says only that the first was refused: the window has room for two lines.
    QCOMPARE(shown.contains(QStringLiteral("Podaj hasło")), !retry);
    QCOMPARE(answer.has_value(), given);
    if (given)
        QCOMPARE(*answer, QStringLiteral("Tajne hasło ż1"));
}

void TestDialogs::fixedLayout_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QSize>("clientSize");
    QTest::addColumn<QSize>("labelSize");
    QTest::addColumn<int>("alignment");

    const int centred = Qt::AlignVCenter;
    const int top = Qt::AlignTop;
    const QString shortText = QStringLiteral("Krótko.");
    QTest::newRow("info short") << "info" << shortText << QSize(381, 103) << QSize(328, 75)
                                << centred;
    QTest::newRow("info long") << "info" << LongMessage() << QSize(381, 103) << QSize(328, 75)
                               << top;
    QTest::newRow("question short")
        << "question" << shortText << QSize(350, 90) << QSize(288, 52) << centred;
    QTest::newRow("question long")
        << "question" << LongMessage() << QSize(350, 90) << QSize(288, 52) << top;
    QTest::newRow("prompt short") << "prompt" << shortText << QSize(350, 87) << QSize(280, 27)
                                  << centred;
    QTest::newRow("prompt long") << "prompt" << LongMessage() << QSize(350, 87) << QSize(280, 27)
                                 << top;
}

// The window keeps its size whatever the message (a long one is cut, starting at its top) and
// appears in the middle of the screen.
void TestDialogs::fixedLayout()
{
    QFETCH(QString, window);
    QFETCH(QString, message);
    QFETCH(QSize, clientSize);
    QFETCH(QSize, labelSize);
    QFETCH(int, alignment);

    QSize shownSize, shownLabelSize;
    int shownAlignment = 0;
    QPoint offCentre;
    bool resizable = true;
    ModalDriver driver;
    driver.onNextModal([&](QWidget* w) {
        auto* label = w->findChild<QLabel*>(QStringLiteral("napis1"));
        shownSize = w->size();
        resizable = w->minimumSize() != w->maximumSize();
        shownLabelSize = label->size();
        shownAlignment = int(label->alignment() & Qt::AlignVertical_Mask);
        offCentre = w->frameGeometry().center() - w->screen()->geometry().center();
        Perform(w, Gesture::CloseBox);
    });
    Open(window, QStringLiteral("Informacja"), message);
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QCOMPARE(shownSize, clientSize);
    QVERIFY(!resizable);
    QCOMPARE(shownLabelSize, labelSize);
    QCOMPARE(shownAlignment, alignment);
    QVERIFY2(offCentre.manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
}

void TestDialogs::showInfoWhileShuttingDown_data()
{
    QTest::addColumn<bool>("mainLoopEnded");
    QTest::newRow("marked by the program") << false;
    QTest::newRow("after the main event loop ended") << true;
}

void TestDialogs::showInfoWhileShuttingDown()
{
    QFETCH(bool, mainLoopEnded);
    if (!infoForm)
        infoForm = new TinfoForm; // as the program does at start, before anything quits
    if (mainLoopEnded) {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    } else {
        MarkShuttingDown();
    }
    QVERIFY(ApplicationIsShuttingDown());

    bool pendingRan = false;
    QMetaObject::invokeMethod(
        qApp, [&] { pendingRan = true; }, Qt::QueuedConnection);
    ModalDriver driver; // no action: a window that appears is closed and counted
    ShowInfo(QStringLiteral("Informacja"), QStringLiteral("Koniec pracy"));
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QVERIFY(pendingRan);
    QCOMPARE(infoForm->findChild<QLabel*>(QStringLiteral("napis1"))->text(),
             QStringLiteral("Koniec pracy"));
}

namespace {

// A small edit window with one control of each kind the preview switch knows, some nested.
struct EditWindow
{
    QDialog window;
    QLineEdit* name = new QLineEdit(&window);
    QLineEdit* date = new QLineEdit(&window);
    QComboBox* choice = new QComboBox(&window);
    QCheckBox* flag = new QCheckBox(QStringLiteral("Zapłacono"), &window);
    QGroupBox* group = new QGroupBox(&window);
    QLineEdit* nested = new QLineEdit(group);
    TestDatePicker* picker = new TestDatePicker(group);
    QPushButton* markedPicker = new QPushButton(QStringLiteral("..."), &window);
    QDateEdit* dateEdit = new QDateEdit(&window);
    QCalendarWidget* calendar = new QCalendarWidget(&window);
    QPushButton* save = new QPushButton(QStringLiteral("&Zapisz"), &window);
    QToolButton* cancel = new QToolButton(&window);

    EditWindow()
    {
        date->setInputMask(QStringLiteral("99-99-9999;_"));
        markedPicker->setProperty("datePicker", true);
        cancel->setText(QStringLiteral("&Anuluj"));
    }

    QList<QWidget*> pickers() const
    {
        return {choice, flag, picker, markedPicker, dateEdit, calendar};
    }
    QList<QLineEdit*> edits() const { return {name, date, nested}; }
    QList<QToolButton*> calendarParts() const { return calendar->findChildren<QToolButton*>(); }
};

QList<bool> HiddenStates(const QList<QToolButton*>& buttons)
{
    QList<bool> states;
    for (const QToolButton* button : buttons)
        states << button->isHidden();
    return states;
}

} // namespace

void TestDialogs::formPreviewRoundTrip()
{
    EditWindow edit;
    const QList<bool> calendarBefore = HiddenStates(edit.calendarParts());
    QVERIFY(!edit.calendarParts().isEmpty());

    SetFormPreview(&edit.window, false);
    for (const QLineEdit* field : edit.edits())
        QVERIFY2(field->isReadOnly(), qPrintable(field->inputMask()));
    for (const QWidget* control : edit.pickers()) {
        QVERIFY2(!control->isEnabled(), control->metaObject()->className());
        QVERIFY2(!control->isHidden(), control->metaObject()->className());
    }
    QVERIFY(edit.save->isHidden());
    QVERIFY(!edit.cancel->isHidden());
    QCOMPARE(edit.cancel->text(), QStringLiteral("&OK"));
    QCOMPARE(edit.cancel->toolTip(), QStringLiteral("Zamknij"));
    QCOMPARE(edit.cancel->statusTip(), QStringLiteral("Zamknij"));
    QCOMPARE(HiddenStates(edit.calendarParts()), calendarBefore);

    SetFormPreview(&edit.window, true);
    for (const QLineEdit* field : edit.edits())
        QVERIFY(!field->isReadOnly());
    for (const QWidget* control : edit.pickers())
        QVERIFY2(control->isEnabled(), control->metaObject()->className());
    QVERIFY(!edit.save->isHidden());
    QVERIFY(!edit.cancel->isHidden());
    QCOMPARE(edit.cancel->text(), QStringLiteral("&Anuluj"));
    QCOMPARE(edit.cancel->toolTip(), QStringLiteral("Anuluj zmiany"));
    QCOMPARE(edit.cancel->statusTip(), QStringLiteral("Anuluj zmiany"));
    QCOMPARE(HiddenStates(edit.calendarParts()), calendarBefore);
}

void TestDialogs::formPreviewTwiceKeepsOneButton()
{
    EditWindow edit;
    SetFormPreview(&edit.window, false);
    SetFormPreview(&edit.window, false);
    QVERIFY(!edit.cancel->isHidden());
    QCOMPARE(edit.cancel->text(), QStringLiteral("&OK"));
    QVERIFY(edit.save->isHidden());

    SetFormPreview(&edit.window, true);
    SetFormPreview(&edit.window, true);
    QCOMPARE(edit.cancel->text(), QStringLiteral("&Anuluj"));
    QVERIFY(!edit.cancel->isHidden());
    QVERIFY(!edit.save->isHidden());
}

// The same window shown twice, and a message opened from inside a question, are each answered
// by the next action.
void TestDialogs::driverFollowsSuccessiveAndNestedWindows()
{
    QStringList seen;
    ModalDriver driver;
    driver.onNextModal([&](QWidget* w) {
        seen << w->objectName();
        Perform(w, Gesture::ClickFirst);
    });
    driver.onNextModal([&](QWidget* w) {
        seen << w->objectName();
        ShowInfo(QStringLiteral("Uwaga"), QStringLiteral("W środku pytania"));
        Perform(w, Gesture::ClickSecond);
    });
    driver.onNextModal([&](QWidget* w) {
        seen << w->objectName();
        Perform(w, Gesture::Enter);
    });
    QVERIFY(Ask(QStringLiteral("Pytanie"), QStringLiteral("Pierwsze?")));
    QVERIFY(!Ask(QStringLiteral("Pytanie"), QStringLiteral("Drugie?")));
    QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
    QCOMPARE(seen, QStringList({"TquestionForm", "TquestionForm", "TinfoForm"}));
}

void TestDialogs::driverGivesUpWithoutWindow()
{
    bool ran = false;
    ModalDriver driver(100);
    driver.onNextModal([&](QWidget*) { ran = true; });
    QTRY_VERIFY_WITH_TIMEOUT(driver.timedOut(), 3000);
    QVERIFY(!driver.allRan());
    QVERIFY(!driver.problem().isEmpty());
    QVERIFY(!ran);
}

void TestDialogs::driverClosesStrayWindow()
{
    ModalDriver driver;
    QVERIFY(!Ask(QStringLiteral("Pytanie"), QStringLiteral("Nikt nie odpowie")));
    QCOMPARE(driver.strayWindows(), 1);
    QVERIFY(!driver.allRan());
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
