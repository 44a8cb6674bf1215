#include "data/Clock.h"
#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "data/uNumberText.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "dialogs/uFormPreview.h"
#include "editing/uEdycja.h"
#include "editing/uKontrahent.h"
#include "support/ModalDriver.h"
#include "windows/uArchiwum.h"
#include "windows/uReportParams.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

const QDate today(2011, 6, 15);
const QStringList kontrahentFields =
    QStringLiteral("fID fSKROT fNAZWA fNIP fADRES fKODPOCZT fMIEJSCOWOSC fTELEFONY fUWAGI")
        .split(u' ');
const QStringList edycjaFields =
    QStringLiteral("fID fDATAWPISU fDATADOK fNRDOK fIMIE fNAZWISKO fNIP fADRES fKODPOCZT "
                   "fMIEJSCOWOSC fNALEZNOSC fSTAWKA fDATAZAPLATY fUWAGI")
        .split(u' ');

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

// Shows the window modally and answers it, and the windows it opens, with the actions in turn.
QString Drive(QDialog* window, std::initializer_list<ModalDriver::Action> actions)
{
    ModalDriver driver;
    for (const ModalDriver::Action& action : actions)
        driver.onNextModal(action);
    window->exec();
    return driver.problem();
}

#define DRIVE(window, ...)                                                                         \
    do {                                                                                           \
        const QString problem = Drive(window, {__VA_ARGS__});                                      \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));                                          \
    } while (false)

QLineEdit* Field(QWidget* window, const QString& name)
{
    return window->findChild<QLineEdit*>(name);
}

QStringList Record(const KontrahentTexts& t)
{
    return {t.ID, t.SKROT, t.NAZWA, t.NIP, t.ADRES, t.KODPOCZT, t.MIEJSCOWOSC, t.TELEFONY, t.UWAGI};
}

QStringList Record(const RejestrEntryTexts& t)
{
    return {t.ID,    t.DATAWPISU, t.DATADOK,     t.NRDOK,     t.IMIE,   t.NAZWISKO,    t.NIP,
            t.ADRES, t.KODPOCZT,  t.MIEJSCOWOSC, t.NALEZNOSC, t.STAWKA, t.DATAZAPLATY, t.UWAGI};
}

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<TfKontrahent> kontrahent;
    std::unique_ptr<TfEdycja> edycja;

    TEditForm* Window(const QString& which)
    {
        return which == QLatin1String("kontrahent") ? static_cast<TEditForm*>(kontrahent.get())
                                                    : edycja.get();
    }
    const QStringList& FieldsOf(const QString& which)
    {
        return which == QLatin1String("kontrahent") ? kontrahentFields : edycjaFields;
    }
    QStringList RecordOf(const QString& which)
    {
        return which == QLatin1String("kontrahent") ? Record(kontrahent->Texts())
                                                    : Record(edycja->Texts());
    }
    static void bothWindows()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("taxpayer") << "kontrahent";
        QTest::newRow("register entry") << "edycja";
    }

private Q_SLOTS:
    void initTestCase()
    {
        SetRegional(RegionalSettings{u'-', u','});
        BuildDateTexts();
        SetClock([] { return QDateTime(today, QTime(10, 0)); });
        // Created once and reused, as the program does.
        kontrahent = std::make_unique<TfKontrahent>();
        edycja = std::make_unique<TfEdycja>();
    }

    void cleanupTestCase() { SetClock({}); }

    void init()
    {
        SetRegional(RegionalSettings{u'-', u','});
        kontrahent->Clear();
        edycja->Clear();
        // As the caller does: a window opens with a number proposed.
        kontrahent->fID->setText(QStringLiteral("1"));
        edycja->fID->setText(QStringLiteral("1"));
    }

    void numberTexts_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("id"); // "-": refused
        QTest::addColumn<QString>("amount");
        auto row = [](const char* tag, QChar sep, const char* text, const char* id,
                      const char* amount) { QTest::newRow(tag) << sep << text << id << amount; };
        row("comma", u',', "1500,5", "-", "1500,50");
        row("point on a comma system", u',', "1500.5", "-", "1500,50");
        row("comma on a point system", u'.', "1500,5", "-", "1500.50");
        row("blank groups", u',', "1 500,50", "-", "1500,50");
        row("no-break blank groups", u',', "1\u00a0500\u00a0000", "-", "1500000,00");
        row("dot groups before a comma", u',', "1.500,50", "-", "1500,50");
        row("dot groups, millions", u',', "12.345.678,9", "-", "12345678,90");
        row("blanks around, bare decimals", u',', " ,5 ", "-", "0,50");
        row("negative", u',', "-12,5", "-", "-12,50");
        row("whole number", u',', " 0042 ", "42", "42,00");
        row("whole number with zero decimals", u',', "12,00", "12", "12,00");
        row("id kept exact beyond a double", u',', "12345678901234567", "12345678901234567", "-");
        row("largest id", u',', "999999999999999999", "999999999999999999", "-");
        row("id beyond", u',', "99999999999999999999", "-", "-");
        row("zero id", u',', "0", "-", "0,00");
        row("dot groups without a comma", u',', "1.500", "-", "-");
        row("two commas", u',', "1,500,00", "-", "-");
        row("comma groups before a point", u',', "1,500.50", "-", "-");
        row("three decimals", u',', "2,345", "-", "-");
        row("broken group", u',', "1 50,00", "-", "-");
        row("mixed group marks", u',', "1 500.000,00", "-", "-");
        row("letters", u',', "12a", "-", "-");
        row("exponent", u',', "1e3", "-", "-");
        row("blank", u',', "", "-", "-");
        row("fourteen digits", u',', "12345678901234", "12345678901234", "-");
    }

    // What each number field reads from a typed text, and writes back; a text the tables could
    // not hold exactly is none, never a nearby number.
    void numberTexts()
    {
        QFETCH(QChar, separator);
        QFETCH(QString, text);
        QFETCH(QString, id);
        QFETCH(QString, amount);
        SetRegional(RegionalSettings{u'-', separator});
        const auto parsedId = ParseIdText(text);
        QCOMPARE(parsedId ? QString::number(*parsedId) : QStringLiteral("-"), id);
        const auto hundredths = ParseHundredthsText(text);
        QCOMPARE(hundredths ? FormatGrosze(*hundredths) : QStringLiteral("-"), amount);
        // Not a number: given back as typed, for the user to mend.
        if (!hundredths && !text.isEmpty())
            QCOMPARE(NormalizeAmountText(text), text);
    }

    // The longest text is enforced while typing: 254 characters fit, the 255th is refused.
    void lengthLimits()
    {
        for (QLineEdit* field : {kontrahent->fNAZWA, edycja->fADRES}) {
            DRIVE(static_cast<QDialog*>(field->window()), [&](QWidget*) {
                field->setFocus();
                QTest::keyClicks(field, QString(255, u'7'));
                QCOMPARE(field->text().size(), 254);
                QTest::keyClick(field, Qt::Key_Escape);
            });
        }
    }

    // A longer stored text (from an imported table) survives loading and saving whole; after
    // the window is cleared the typing limit is back.
    void longStoredTextsKeptWhole()
    {
        const QString longName = QString(300, u'ż');
        KontrahentTexts k;
        k.ID = QStringLiteral("3");
        k.NAZWA = longName;
        kontrahent->Load(k);
        QCOMPARE(kontrahent->Texts().NAZWA, longName);

        RejestrEntryTexts r;
        r.NRDOK = QString(80, u'N');
        edycja->Load(r);
        QCOMPARE(edycja->Texts().NRDOK, r.NRDOK);

        kontrahent->Clear();
        DRIVE(kontrahent.get(), [&](QWidget*) {
            kontrahent->fNAZWA->setFocus();
            QTest::keyClicks(kontrahent->fNAZWA, QString(300, u'7'));
            QCOMPARE(kontrahent->fNAZWA->text().size(), 254);
            QTest::keyClick(kontrahent->fNAZWA, Qt::Key_Escape);
        });
    }

    void tabOrder_data() { bothWindows(); }

    // Tab walks the fields top to bottom, past calendar and command buttons, back to the ID.
    void tabOrder()
    {
        QFETCH(QString, which);
        QStringList visited;
        DRIVE(Window(which), [&](QWidget*) {
            for (qsizetype i = 0; i <= FieldsOf(which).size(); ++i) {
                QWidget* focus = QApplication::focusWidget();
                QVERIFY(focus);
                visited << focus->objectName();
                QTest::keyClick(focus, Qt::Key_Tab);
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QCOMPARE(visited, FieldsOf(which) + QStringList{"fID"});
    }

    void keysInEveryField_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");
        for (const char* which : {"kontrahent", "edycja"}) {
            for (const QString& name : FieldsOf(QString::fromLatin1(which))) {
                for (const int key : {int(Qt::Key_Return), int(Qt::Key_Escape)})
                    QTest::addRow("%s %s %s", which, qPrintable(name),
                                  key == Qt::Key_Return ? "Enter" : "Escape")
                        << which << name << key;
            }
        }
        QTest::newRow("keypad Enter") << "edycja"
                                      << "fNALEZNOSC" << int(Qt::Key_Enter);
    }

    // Enter saves and Escape cancels wherever the user is typing.
    void keysInEveryField()
    {
        QFETCH(QString, which);
        QFETCH(QString, name);
        QFETCH(int, key);
        TEditForm* w = Window(which);
        DRIVE(w, [&](QWidget*) {
            Field(w, name)->setFocus();
            QTest::keyClick(Field(w, name), Qt::Key(key));
        });
        QVERIFY(!w->isVisible());
        QCOMPARE(w->saved, key != Qt::Key_Escape);
    }

    void showing_data() { bothWindows(); }

    // Every showing: saved = no, focus in the ID with its text selected, wherever it was left;
    // saving normalises the ID.
    void showing()
    {
        QFETCH(QString, which);
        TEditForm* w = Window(which);
        QLineEdit* id = Field(w, "fID");
        id->setText(QStringLiteral("42"));
        auto focusedAndSelected = [&] {
            QCOMPARE(w->saved, false);
            QCOMPARE(QApplication::focusWidget(), id);
            QCOMPARE(id->selectedText(), QStringLiteral("42"));
        };
        DRIVE(w, [&](QWidget*) {
            focusedAndSelected();
            QTest::keyClicks(id, " 08,00"); // replaces the selected number
            Field(w, "fUWAGI")->setFocus();
            QTest::keyClick(Field(w, "fUWAGI"), Qt::Key_Return);
        });
        QVERIFY(w->saved);
        QCOMPARE(RecordOf(which).at(0), QStringLiteral("8"));
        // Shown again (after a refused number) with the ID as normalised.
        id->setText(QStringLiteral("42"));
        DRIVE(w, [&](QWidget*) {
            focusedAndSelected();
            QTest::keyClick(id, Qt::Key_Escape);
        });
        QVERIFY(!w->saved);
    }

    void textsInRecordOrder_data() { bothWindows(); }

    // Load puts each text into its named field; Texts() reads the fields in the record's order;
    // Clear empties them all.
    void textsInRecordOrder()
    {
        QFETCH(QString, which);
        QStringList texts;
        for (const QString& name : FieldsOf(which))
            texts << QStringLiteral("text of ") + name;
        texts[0] = QStringLiteral("5"); // saving keeps a whole ID
        if (which == QLatin1String("kontrahent")) {
            kontrahent->Load({texts[0], texts[1], texts[2], texts[3], texts[4], texts[5], texts[6],
                              texts[7], texts[8]});
        } else {
            texts[1] = QStringLiteral("01-02-2003");
            texts[2] = QStringLiteral("04-05-2006");
            texts[12] = QStringLiteral("07-08-2009");
            texts[10] = QStringLiteral("1500,50");
            texts[11] = QStringLiteral("2,00");
            edycja->Load({texts[0], texts[1], texts[2], texts[3], texts[4], texts[5], texts[6],
                          texts[7], texts[8], texts[9], texts[10], texts[11], texts[12],
                          texts[13]});
        }
        for (qsizetype i = 0; i < texts.size(); ++i)
            QCOMPARE(Field(Window(which), FieldsOf(which)[i])->text(), texts[i]);
        // Typed texts are kept as typed: Polish letters, quotes, apostrophes, semicolons.
        const QString typed = QStringLiteral(" Zażółć \"gęślą\" jaźń; O'Brien ĄĆĘŁŃÓŚŹŻ");
        QLineEdit* remarks = Field(Window(which), "fUWAGI");
        DRIVE(Window(which), [&](QWidget*) {
            remarks->setFocus();
            remarks->end(false);
            Type(remarks, typed);
            QTest::keyClick(remarks, Qt::Key_Return);
        });
        texts.last() += typed;
        QCOMPARE(RecordOf(which), texts);

        if (which == QLatin1String("kontrahent"))
            kontrahent->Clear();
        else
            edycja->Clear();
        for (const QString& text : RecordOf(which))
            QVERIFY(text.isEmpty() || text == EmptyDateText);
    }

    void amountFields_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("left");
        auto row = [](const char* tag, const char* name, bool pasted, const char* text,
                      const char* shown, const char* left) {
            QTest::newRow(tag) << name << pasted << text << shown << left;
        };
        row("typed point", "fNALEZNOSC", false, "1500.5", "1500.5", "1500,50");
        row("typed thousands", "fNALEZNOSC", false, "1.500,00", "1.500,00", "1500,00");
        row("empty amount", "fNALEZNOSC", false, "", "", "0,00");
        row("pasted point", "fNALEZNOSC", true, "1500.5", "1500.5", "1500,50");
        row("pasted comma", "fNALEZNOSC", true, "1500,5", "1500,5", "1500,50");
        row("not a number stays", "fNALEZNOSC", false, "12a", "12a", "12a");
        row("rate", "fSTAWKA", false, "2", "2", "2,00");
        row("rate with point", "fSTAWKA", false, "2.5", "2.5", "2,50");
    }

    // Typing shows what was typed; leaving the field writes a number in the system's format.
    void amountFields()
    {
        QFETCH(QString, name);
        QFETCH(bool, pasted);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QString, left);
        QLineEdit* field = Field(edycja.get(), name);
        DRIVE(edycja.get(), [&](QWidget*) {
            field->setFocus();
            if (pasted) {
                QApplication::clipboard()->setText(text);
                QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            } else {
                QTest::keyClicks(field, text);
            }
            QCOMPARE(field->text(), shown);
            QTest::keyClick(field, Qt::Key_Tab);
            QCOMPARE(field->text(), left);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
    }

    // Saving normalises ID, amount and rate even when the amount fields were never left.
    void saveNormalises()
    {
        edycja->fID->setText(QStringLiteral("12345678901234567"));
        edycja->fNALEZNOSC->setText(QStringLiteral("1 500,5"));
        edycja->fSTAWKA->setText(QStringLiteral("2"));
        DRIVE(edycja.get(), [&](QWidget*) { QTest::keyClick(edycja->fID, Qt::Key_Return); });
        const RejestrEntryTexts t = edycja->Texts();
        QCOMPARE((QStringList{t.ID, t.NALEZNOSC, t.STAWKA}),
                 (QStringList{"12345678901234567", "1500,50", "2,00"}));
    }

    void unreadableNumbersRefused_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        auto row = [](const char* tag, const char* which, const char* field, const char* typed,
                      const char* label) {
            QTest::newRow(tag) << which << field << typed << label;
        };
        row("letters in an entry id", "edycja", "fID", "12a", "ID");
        row("entry id beyond the tables", "edycja", "fID", "99999999999999999999", "ID");
        row("entry id with a fraction", "edycja", "fID", "7,6", "ID");
        row("taxpayer id of letters", "kontrahent", "fID", "abc", "ID");
        row("empty taxpayer id", "kontrahent", "fID", "", "ID");
        row("ambiguous amount", "edycja", "fNALEZNOSC", "1,500,00", "Kwota należności");
        row("amount with letters", "edycja", "fNALEZNOSC", "15O0", "Kwota należności");
        row("rate of three decimals", "edycja", "fSTAWKA", "0,125", "Stawka podatku");
    }

    // A number that cannot be read exactly is refused on saving, naming the field; the window
    // stays open with everything typed and the focus in that field; mended, it saves.
    void unreadableNumbersRefused()
    {
        QFETCH(QString, which);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, label);
        TEditForm* w = Window(which);
        QLineEdit* edit = Field(w, field);
        QLineEdit* remarks = Field(w, "fUWAGI");
        Field(w, "fID")->setText(QStringLiteral("5"));
        remarks->setText(QStringLiteral("uwagi wpisane"));
        QString shown;
        DRIVE(
            w,
            [&](QWidget*) {
                edit->setText(typed);
                QTest::keyClick(remarks, Qt::Key_Return);
            },
            [&](QWidget* message) {
                shown = message->windowTitle() + QStringLiteral(": ") +
                        message->findChild<QLabel*>(QStringLiteral("napis1"))->text();
                QTest::keyClick(message, Qt::Key_Return);
            },
            [&](QWidget* modal) {
                QCOMPARE(modal, w);
                QVERIFY(!w->saved);
                QCOMPARE(QApplication::focusWidget(), edit);
                QCOMPARE(edit->text(), typed);
                QCOMPARE(remarks->text(), QStringLiteral("uwagi wpisane"));
                QTest::keyClicks(edit, "7"); // the text was selected: typing replaces it
                QTest::keyClick(edit, Qt::Key_Return);
            });
        QVERIFY2(shown.startsWith(QStringLiteral("Uwaga: Pole „") + label + QStringLiteral("”")),
                 qPrintable(shown));
        QVERIFY(w->saved);
        QCOMPARE(edit->text(),
                 field == QLatin1String("fID") ? QStringLiteral("7") : QStringLiteral("7,00"));
    }

    // Each calendar opens on its field's date, or on today; an impossible stored date opens
    // without any message (the driver fails on a window it was not told about).
    void calendarOpensOnFieldDate()
    {
        edycja->Load({"1", "05-03-2008", "31-04-2008", {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}});
        DRIVE(edycja.get(), [&](QWidget*) {
            QCOMPARE(edycja->fDTPDATAWPISU->date(), QDate(2008, 3, 5));
            QCOMPARE(edycja->fDTPDATADOK->date(), today);
            QCOMPARE(edycja->fDTPDATAZAPLATY->date(), today);
            QTest::keyClick(edycja->fID, Qt::Key_Escape);
        });
    }

    void calendarPick_data()
    {
        QTest::addColumn<QString>("picker");
        QTest::addColumn<QString>("field");
        for (const char* field : {"fDATAWPISU", "fDATADOK", "fDATAZAPLATY"})
            QTest::newRow(field) << QStringLiteral("fDTP") + QString::fromLatin1(field).mid(1)
                                 << field;
    }

    // Picking 5 March 2008 writes 05-03-2008 into the field beside the button, and only there.
    void calendarPick()
    {
        QFETCH(QString, picker);
        QFETCH(QString, field);
        auto* button = edycja->findChild<TDatePicker*>(picker);
        DRIVE(edycja.get(), [&](QWidget*) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCalendarWidget* calendar = button->calendar();
            QTRY_VERIFY(calendar->isVisible());
            calendar->setSelectedDate(QDate(2008, 3, 5));
            QTest::keyClick(calendar->focusWidget() ? calendar->focusWidget() : calendar,
                            Qt::Key_Return);
            QTRY_VERIFY(!calendar->isVisible());
            // The focus is back in the field, so Enter saves.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QVERIFY(edycja->saved);
        const QStringList record = Record(edycja->Texts());
        for (const char* date : {"fDATAWPISU", "fDATADOK", "fDATAZAPLATY"})
            QCOMPARE(record.at(edycjaFields.indexOf(date)),
                     field == QLatin1String(date) ? QStringLiteral("05-03-2008") : EmptyDateText);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("read");
        QTest::addColumn<bool>("refused");
        auto row = [](const char* tag, const char* field, const char* typed, const char* read,
                      bool refused) { QTest::newRow(tag) << field << typed << read << refused; };
        row("untouched", "fDATAWPISU", "", "  -  -    ", false);
        row("letters refused by the mask", "fDATAZAPLATY", "ab05x032008", "05-03-2008", false);
        row("leap day", "fDATADOK", "29022008", "29-02-2008", false);
        row("half typed", "fDATAWPISU", "120320", "12-03-20  ", true);
        row("day the month lacks", "fDATADOK", "31042008", "31-04-2008", true);
        row("no such month", "fDATAZAPLATY", "99992008", "99-99-2008", true);
    }

    // Only digits go in and unfilled places read as blanks. A date that would be stored as 0
    // or as a code naming no day is refused with a message, the window stays open with the
    // focus in that field, and the mended date saves; an empty or real date passes at once.
    void dates()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, read);
        QFETCH(bool, refused);
        QLineEdit* date = Field(edycja.get(), field);
        auto typeAndSave = [&](QWidget*) {
            date->setFocus();
            QTest::keyClicks(date, typed);
            QCOMPARE(qobject_cast<TDateEdit*>(date)->dateText(), read);
            QTest::keyClick(edycja->fUWAGI, Qt::Key_Return);
        };
        QString shown;
        if (!refused) {
            DRIVE(edycja.get(), typeAndSave);
        } else {
            DRIVE(
                edycja.get(), typeAndSave,
                [&](QWidget* message) {
                    shown = message->windowTitle() + QStringLiteral(": ") +
                            message->findChild<QLabel*>(QStringLiteral("napis1"))->text();
                    QTest::keyClick(message, Qt::Key_Return);
                },
                [&](QWidget* modal) {
                    QCOMPARE(modal, edycja.get());
                    QVERIFY(!edycja->saved);
                    QCOMPARE(QApplication::focusWidget(), date);
                    date->selectAll();
                    QTest::keyClicks(date, "05032008");
                    QTest::keyClick(date, Qt::Key_Return);
                });
            QCOMPARE(shown, QStringLiteral("Uwaga: Nie poprawny format daty. Popraw pole"));
            read = QStringLiteral("05-03-2008");
        }
        QVERIFY(edycja->saved);
        const QStringList record = Record(edycja->Texts());
        for (const char* other : {"fDATAWPISU", "fDATADOK", "fDATAZAPLATY"})
            QCOMPARE(record.at(edycjaFields.indexOf(other)),
                     field == QLatin1String(other) ? read : EmptyDateText);
    }

    void preview_data() { bothWindows(); }

    // Preview: read-only fields, disabled calendars, a single "&OK"; editing comes back after.
    void preview()
    {
        QFETCH(QString, which);
        TEditForm* w = Window(which);
        QLineEdit* nip = Field(w, "fNIP");
        nip->setText(QStringLiteral("123"));
        const QList<TDatePicker*> pickers = w->findChildren<TDatePicker*>();
        QCOMPARE(pickers.size(), which == QLatin1String("edycja") ? 3 : 0);
        auto editable = [&](bool yes) {
            QCOMPARE(w->SpeedButton4->isHidden(), !yes);
            QVERIFY(!w->SpeedButton6->isHidden());
            QCOMPARE(w->SpeedButton6->text(),
                     yes ? QStringLiteral("&Anuluj") : QStringLiteral("&OK"));
            QCOMPARE(w->SpeedButton6->toolTip(),
                     yes ? QStringLiteral("Anuluj zmiany") : QStringLiteral("Zamknij"));
            for (const QString& name : FieldsOf(which))
                QVERIFY2(Field(w, name)->isReadOnly() != yes, qPrintable(name));
            for (TDatePicker* picker : pickers)
                QCOMPARE(picker->isEnabled(), yes);
        };

        SetFormPreview(w, false);
        DRIVE(w, [&](QWidget*) {
            editable(false);
            nip->setFocus();
            QTest::keyClicks(nip, "4.5");
            QCOMPARE(nip->text(), QStringLiteral("123"));
            QTest::mouseClick(w->SpeedButton6, Qt::LeftButton);
        });
        QVERIFY(!w->saved);
        // Enter still runs the save steps, which the caller ignores; a stored impossible date
        // cannot be mended in preview, so it does not hold the window open.
        if (which == QLatin1String("edycja"))
            edycja->fDATADOK->setText(QStringLiteral("31-04-2008"));
        DRIVE(w, [&](QWidget*) { QTest::keyClick(nip, Qt::Key_Return); });
        QVERIFY(w->saved);
        SetFormPreview(w, true);
        editable(true);
    }

    // The grey format captions beside the date fields describe the date text the fields show.
    void hintsFollowTheFields_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QChar>("separator");
        for (const QChar sep : {QChar(u'.'), QChar(u'-'), QChar(u'/')}) {
            for (const char* window : {"entry", "report", "archive"})
                QTest::addRow("%s, '%c'", window, sep.toLatin1()) << window << sep;
        }
    }

    void hintsFollowTheFields()
    {
        QFETCH(QString, window);
        QFETCH(QChar, separator);
        SetRegional(RegionalSettings{separator, u','});
        BuildDateTexts();
        std::unique_ptr<QWidget> w;
        if (window == QLatin1String("entry"))
            w = std::make_unique<TfEdycja>();
        else if (window == QLatin1String("report"))
            w = std::make_unique<TfReportParams>();
        else
            w = std::make_unique<TfArchiwum>();
        // What a field shows for 15 March 2026, written the way the captions describe it.
        const QString shown = QDate(2026, 3, 15).toString(DateDisplayFormat);
        int hints = 0;
        for (const QLabel* label : w->findChildren<QLabel*>()) {
            QString text = label->text();
            if (!text.contains(QStringLiteral("RRRR")))
                continue;
            ++hints;
            text.replace(QStringLiteral("DD"), QStringLiteral("15"))
                .replace(QStringLiteral("MM"), QStringLiteral("03"))
                .replace(QStringLiteral("RRRR"), QStringLiteral("2026"));
            QCOMPARE(text, shown);
        }
        QVERIFY(hints > 0);
        SetRegional(RegionalSettings{});
    }
};

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
