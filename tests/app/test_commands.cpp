#include "support/MainProgram.h"
#include "support/ModalDriver.h"

#include "app/uDBGrid.h"
#include "app/uMain.h"
#include "app/uWindows.h"
#include "data/Clock.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uQuestionForm.h"
#include "editing/uEdycja.h"
#include "editing/uKontrahent.h"
#include "windows/uLogin.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

using Program = MainProgram;

// Types into a field of the window shown, replacing what it holds.
void retype(QWidget* window, const char* field, const QString& text)
{
    auto* edit = window->findChild<QLineEdit*>(QLatin1String(field));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, text);
}

QString fieldText(QWidget* window, const char* field)
{
    return window->findChild<QLineEdit*>(QLatin1String(field))->text();
}

void pressEnterIn(QWidget* window, const char* field)
{
    QTest::keyClick(window->findChild<QLineEdit*>(QLatin1String(field)), Qt::Key_Return);
}

void pressEscape(QWidget* window)
{
    QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Escape);
}

// A key as the user presses it: through the window system, so shortcuts see it too.
void pressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* window = target->window();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    target->setFocus();
    QTest::keyClick(window->windowHandle(), key, modifiers);
}

void answerInfo(ModalDriver& driver, QString* shown = nullptr)
{
    driver.onNextModal([shown](QWidget* w) {
        if (shown)
            *shown = w->findChild<QLabel*>(QStringLiteral("napis1"))->text();
        QTest::keyClick(w, Qt::Key_Return);
    });
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        SetClock([] { return QDateTime(QDate(2026, 12, 7), QTime(10, 0)); });
    }

    void firstNumbersAreOne()
    {
        Program p;
        QString proposed;
        {
            ModalDriver driver;
            driver.onNextModal([&proposed](QWidget* w) {
                proposed = fieldText(w, "fID");
                retype(w, "fNAZWA", QStringLiteral("Gmina \"Zielona\"; O'Brien"));
                pressEnterIn(w, "fNAZWA");
            });
            p.main->SBDodajClick();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        }
        QCOMPARE(proposed, QStringLiteral("1"));
        QCOMPARE(p.sql(QStringLiteral("kontrahenci.DB"),
                       QStringLiteral("SELECT ID||'|'||NAZWA FROM kontrahenci")),
                 QStringLiteral("1|Gmina \"Zielona\"; O'Brien"));

        // Another taxpayer's entries do not count: the first entry of taxpayer 1 is number 1.
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral(
                  "INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES (5,20261201,2)"));
        p.openRegisterOf(1);
        ModalDriver entry;
        entry.onNextModal([&proposed](QWidget* w) {
            proposed = fieldText(w, "fID");
            retype(w, "fDATAWPISU", QStringLiteral("01122026"));
            retype(w, "fNALEZNOSC", QStringLiteral("1500.5"));
            retype(w, "fSTAWKA", QStringLiteral("2"));
            pressEnterIn(w, "fSTAWKA");
        });
        p.main->SBDodajClick();
        QVERIFY2(entry.allRan(), qPrintable(entry.problem()));
        QCOMPARE(proposed, QStringLiteral("1"));
        QCOMPARE(
            p.sql(QStringLiteral("rejestr.DB"),
                  QStringLiteral(
                      "SELECT ID||'|'||DATAWPISU||'|'||NALEZNOSC||'|'||STAWKA||'|'||DATAZAPLATY "
                      "FROM rejestr WHERE IDKONTRAHENTA=1")),
            QStringLiteral("1|20261201|1500.5|2.0|0"));
        // Shown with its tax value, and an empty payment date.
        const QAbstractItemModel* grid = p.main->RejestrGrid->model();
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(grid->index(0, 12).data().toString(), QStringLiteral("30,01"));
        QCOMPARE(grid->index(0, 13).data().toString(), QString());
    }

    void takenNumberOnAddReopensWithTheProposal()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'A',''),(2,'B','')"));
        ModalDriver driver;
        QStringList seen;
        driver.onNextModal([](QWidget* w) {
            retype(w, "fID", QStringLiteral("2"));
            retype(w, "fNAZWA", QStringLiteral("Nowy"));
            pressEnterIn(w, "fID");
        });
        QString message;
        answerInfo(driver, &message);
        driver.onNextModal([&seen](QWidget* w) {
            seen << fieldText(w, "fID") << fieldText(w, "fNAZWA");
            pressEnterIn(w, "fNAZWA");
        });
        p.main->SBDodajClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(message, QStringLiteral("Istnieje już zapis o podanym ID"));
        QCOMPARE(seen, (QStringList{QStringLiteral("3"), QStringLiteral("Nowy")}));
        QCOMPARE(p.sql(QStringLiteral("kontrahenci.DB"),
                       QStringLiteral("SELECT group_concat(ID||NAZWA) FROM kontrahenci")),
                 QStringLiteral("1A,2B,3Nowy"));
        // After an add the view stands on its first row.
        QCOMPARE(p.dm->DBFKontrahenci.cursor(), 0);
    }

    void takenNumberOnEdit()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'A',''),(2,'B','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES "
                             "(1,20261201,1),(2,20261202,1),(7,20261203,2)"));
        p.openRegisterOf(1);
        p.dm->LocateRejestr(1, 1);

        // Unchanged number: never refused.
        {
            ModalDriver same;
            same.onNextModal([](QWidget* w) {
                retype(w, "fNRDOK", QStringLiteral("FV 1"));
                pressEnterIn(w, "fNRDOK");
            });
            pressKey(p.main->RejestrGrid, Qt::Key_Return); // Enter in the grid edits
            QVERIFY2(same.allRan(), qPrintable(same.problem()));
        }
        QCOMPARE(p.sql(QStringLiteral("rejestr.DB"),
                       QStringLiteral("SELECT NRDOK FROM rejestr WHERE ID=1 AND IDKONTRAHENTA=1")),
                 QStringLiteral("FV 1"));
        QCOMPARE(p.dm->DBFRejestr.asInteger(QStringLiteral("ID")), 1);

        // Number of another entry of the same taxpayer: refused, the window as left; then a
        // number used only by another taxpayer: accepted.
        ModalDriver taken;
        QString seenId;
        taken.onNextModal([](QWidget* w) {
            retype(w, "fID", QStringLiteral("2"));
            pressEnterIn(w, "fID");
        });
        answerInfo(taken);
        taken.onNextModal([&seenId](QWidget* w) {
            seenId = fieldText(w, "fID");
            retype(w, "fID", QStringLiteral("7"));
            pressEnterIn(w, "fID");
        });
        p.main->SBEdytujClick();
        QVERIFY2(taken.allRan(), qPrintable(taken.problem()));
        QCOMPARE(seenId, QStringLiteral("2"));
        QCOMPARE(p.sql(QStringLiteral("rejestr.DB"),
                       QStringLiteral("SELECT group_concat(IDKONTRAHENTA||'/'||ID) FROM "
                                      "(SELECT * FROM rejestr ORDER BY IDKONTRAHENTA, ID)")),
                 QStringLiteral("1/2,1/7,2/7"));
        // After an edit the view stands on the edited row.
        QCOMPARE(p.dm->DBFRejestr.asInteger(QStringLiteral("ID")), 7);
    }

    // Another copy saves the entry while its window is open here: the save is refused, the
    // window opens again with what is stored now, and a second save goes over that.
    void editOvertakenByAnotherCopy()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'A','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,NRDOK,IDKONTRAHENTA) VALUES "
                             "(1,20261201,'FV 1',1)"));
        p.openRegisterOf(1);
        ModalDriver driver;
        driver.onNextModal([&p](QWidget* w) {
            p.sql(QStringLiteral("rejestr.DB"),
                  QStringLiteral("UPDATE rejestr SET NRDOK='FV 1 poprawiona', NALEZNOSC=500"));
            retype(w, "fUWAGI", QStringLiteral("moja uwaga"));
            pressEnterIn(w, "fUWAGI");
        });
        QString message;
        answerInfo(driver, &message);
        QStringList seen;
        driver.onNextModal([&seen](QWidget* w) {
            seen << fieldText(w, "fNRDOK") << fieldText(w, "fUWAGI");
            retype(w, "fUWAGI", QStringLiteral("moja uwaga"));
            pressEnterIn(w, "fUWAGI");
        });
        p.main->SBEdytujClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QVERIFY2(message.startsWith(QStringLiteral("Ten zapis zmieniono w innej kopii programu")),
                 qPrintable(message));
        QCOMPARE(seen, (QStringList{QStringLiteral("FV 1 poprawiona"), QString()}));
        QCOMPARE(p.sql(QStringLiteral("rejestr.DB"),
                       QStringLiteral("SELECT NRDOK||'|'||NALEZNOSC||'|'||UWAGI FROM rejestr")),
                 QStringLiteral("FV 1 poprawiona|500.0|moja uwaga"));
    }

    // Another copy deletes the taxpayer while an entry for it is being typed here: nothing is
    // stored under a number no taxpayer holds, the user is told, and the list shows what is left.
    void entryForATaxpayerDeletedMeanwhile()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'A',''),(2,'B','')"));
        p.openRegisterOf(1);
        ModalDriver driver;
        driver.onNextModal([&p](QWidget* w) {
            p.sql(QStringLiteral("kontrahenci.DB"),
                  QStringLiteral("DELETE FROM kontrahenci WHERE ID=1"));
            retype(w, "fNRDOK", QStringLiteral("FV 9"));
            pressEnterIn(w, "fNRDOK");
        });
        QString message;
        answerInfo(driver, &message);
        p.main->SBDodajClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QVERIFY2(message.startsWith(QStringLiteral("Podatnika o numerze 1 już nie ma")),
                 qPrintable(message));
        QCOMPARE(
            p.sql(QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
            QStringLiteral("0"));
        QCOMPARE(p.main->Zakladki->currentWidget(), p.main->kontrahenci);
        QCOMPARE(p.dm->DBFKontrahenci.asInteger(QStringLiteral("ID")), 2);
    }

    void copyThenCancelThenAdd()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'A','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral(
                  "INSERT INTO rejestr(ID,DATAWPISU,NALEZNOSC,STAWKA,NAZWISKO,IDKONTRAHENTA) "
                  "VALUES (4,20261201,100,2,'Kowalski',1)"));
        p.openRegisterOf(1);
        ModalDriver driver;
        QStringList copy;
        QStringList plain;
        driver.onNextModal([&copy](QWidget* w) {
            copy << fieldText(w, "fID") << fieldText(w, "fNAZWISKO") << fieldText(w, "fNALEZNOSC")
                 << fieldText(w, "fDATAWPISU");
            pressEscape(w);
        });
        driver.onNextModal([&plain](QWidget* w) {
            plain << fieldText(w, "fID") << fieldText(w, "fNAZWISKO");
            pressEscape(w);
        });
        pressKey(p.main->RejestrGrid, Qt::Key_C, Qt::ControlModifier);
        p.main->SBDodajClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(copy, (QStringList{QStringLiteral("5"), QStringLiteral("Kowalski"),
                                    QStringLiteral("100,00"), QStringLiteral("01-12-2026")}));
        QCOMPARE(plain, (QStringList{QStringLiteral("5"), QString()}));
        QCOMPARE(
            p.sql(QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
            QStringLiteral("1"));
    }

    void previewNeverWrites()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'Nazwa','')"));
        ModalDriver driver;
        QStringList visible;
        driver.onNextModal([&visible](QWidget* w) {
            for (auto* b : w->findChildren<QPushButton*>()) {
                if (b->isVisible())
                    visible << b->text();
            }
            auto* name = w->findChild<QLineEdit*>(QStringLiteral("fNAZWA"));
            QTest::keyClicks(name, QStringLiteral("zmiana"));
            pressEnterIn(w, "fNAZWA");
        });
        p.main->SBPodgladClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(visible, QStringList{QStringLiteral("&OK")});
        QCOMPARE(p.sql(QStringLiteral("kontrahenci.DB"),
                       QStringLiteral("SELECT NAZWA FROM kontrahenci")),
                 QStringLiteral("Nazwa"));
        QVERIFY(!fKontrahent->fID->isReadOnly()); // editing form restored
    }

    void deleteRules()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'Z zapisami',''),(2,'Bez zapisów','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral(
                  "INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES (1,20261201,1)"));
        p.dm->LocateKontrahent(1);
        QString message;
        {
            ModalDriver refused;
            answerInfo(refused, &message);
            p.main->SBUsunClick();
            QVERIFY2(refused.allRan(), qPrintable(refused.problem()));
        }
        QCOMPARE(message,
                 QStringLiteral("Nie można usunąć podatnika, dla którego istnieją zapisy w "
                                "rejestrze. Usuń wpierw jego zapisy."));

        p.dm->LocateKontrahent(2);
        {
            ModalDriver no;
            no.onNextModal([](QWidget* w) { pressEscape(w); });
            p.main->SBUsunClick();
            QVERIFY2(no.allRan(), qPrintable(no.problem()));
        }
        QString question;
        {
            ModalDriver yes;
            yes.onNextModal([&question](QWidget* w) {
                question = w->findChild<QLabel*>(QStringLiteral("napis1"))->text();
                QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("SpeedButton1")),
                                  Qt::LeftButton);
            });
            p.main->SBUsunClick();
            QVERIFY2(yes.allRan(), qPrintable(yes.problem()));
        }
        QCOMPARE(question, QStringLiteral("Czy napewno usunąć zaznaczoną pozycję?"));
        QCOMPARE(p.sql(QStringLiteral("kontrahenci.DB"),
                       QStringLiteral("SELECT group_concat(ID) FROM kontrahenci")),
                 QStringLiteral("1"));

        // The register entry goes after "Tak".
        p.openRegisterOf(1);
        ModalDriver entry;
        entry.onNextModal([](QWidget* w) {
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("SpeedButton1")),
                              Qt::LeftButton);
        });
        p.main->SBUsunClick();
        QVERIFY2(entry.allRan(), qPrintable(entry.problem()));
        QCOMPARE(
            p.sql(QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
            QStringLiteral("0"));
        QCOMPARE(p.main->RejestrGrid->model()->rowCount(), 0);
    }

    void emptyViewCommandsDoNothing()
    {
        Program p;
        ModalDriver driver(300); // no window may come
        p.main->SBUsunClick();
        p.main->SBEdytujClick();
        p.main->SBPodgladClick();
        QCOMPARE(driver.strayWindows(), 0);
    }

    // Copy with nothing to copy from is an add: the window opens empty with the next number.
    void copyOnEmptyViewAdds()
    {
        Program p;
        QString id;
        QString name;
        ModalDriver driver;
        driver.onNextModal([&](QWidget* w) {
            id = fieldText(w, "fID");
            name = fieldText(w, "fNAZWA");
            pressEscape(w);
        });
        p.main->SBKopiujClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(id, QStringLiteral("1"));
        QCOMPARE(name, QString());
        QVERIFY(!p.main->copyMode);
    }

    void renumberedTaxpayerKeepsItsEntries()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(3,'Gmina','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES "
                             "(1,20261201,3),(2,20261202,3)"));
        ModalDriver driver;
        driver.onNextModal([](QWidget* w) {
            retype(w, "fID", QStringLiteral("8"));
            pressEnterIn(w, "fID");
        });
        pressKey(p.main->kontrahenciGrid, Qt::Key_F2);
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(p.sql(QStringLiteral("rejestr.DB"),
                       QStringLiteral("SELECT group_concat(DISTINCT IDKONTRAHENTA) FROM rejestr")),
                 QStringLiteral("8"));
        p.main->Zakladki->setCurrentWidget(p.main->rejestr);
        QCOMPARE(p.main->RejestrGrid->model()->rowCount(), 2);
    }

    // Entries left under number 8 by a deleted taxpayer never join taxpayer 3 renumbered to 8.
    void renumberOntoLeftoverEntriesIsRefused()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(3,'Gmina','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES "
                             "(1,20261201,3),(1,20200101,8)"));
        ModalDriver driver;
        QString message;
        driver.onNextModal([](QWidget* w) {
            retype(w, "fID", QStringLiteral("8"));
            pressEnterIn(w, "fID");
        });
        answerInfo(driver, &message);
        driver.onNextModal([](QWidget* w) {
            QCOMPARE(fieldText(w, "fID"), QStringLiteral("8")); // the user's text stays
            pressEscape(w);
        });
        pressKey(p.main->kontrahenciGrid, Qt::Key_F2);
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(message, QStringLiteral("W rejestrze są już zapisy pod numerem 8, pozostałe po "
                                         "usuniętym podatniku. Wybierz inny numer."));
        QCOMPARE(p.sql(QStringLiteral("rejestr.DB"),
                       QStringLiteral("SELECT group_concat(IDKONTRAHENTA, ',') FROM "
                                      "(SELECT IDKONTRAHENTA FROM rejestr ORDER BY DATAWPISU)")),
                 QStringLiteral("8,3"));
        QCOMPARE(p.sql(QStringLiteral("kontrahenci.DB"),
                       QStringLiteral("SELECT group_concat(ID) FROM kontrahenci")),
                 QStringLiteral("3"));
    }

    // Entries left under numbers 9 and 12 by deleted taxpayers: a new taxpayer is proposed
    // number 13, and one typed onto 9 is refused before anything is written.
    void newTaxpayerNeverTakesLeftoverEntries()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(3,'Gmina','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES "
                             "(1,20261201,3),(1,20200101,9),(2,20200101,12)"));
        ModalDriver driver;
        QString proposed;
        QString message;
        driver.onNextModal([&proposed](QWidget* w) {
            proposed = fieldText(w, "fID");
            retype(w, "fID", QStringLiteral("9"));
            retype(w, "fNAZWA", QStringLiteral("Nowy"));
            pressEnterIn(w, "fNAZWA");
        });
        answerInfo(driver, &message);
        driver.onNextModal([](QWidget* w) {
            QCOMPARE(fieldText(w, "fNAZWA"), QStringLiteral("Nowy"));
            pressEnterIn(w, "fNAZWA"); // under the number proposed again
        });
        p.main->SBDodajClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(proposed, QStringLiteral("13"));
        QCOMPARE(message, QStringLiteral("W rejestrze są już zapisy pod numerem 9, pozostałe po "
                                         "usuniętym podatniku. Wybierz inny numer."));
        QCOMPARE(p.sql(QStringLiteral("kontrahenci.DB"),
                       QStringLiteral("SELECT group_concat(ID||NAZWA) FROM kontrahenci")),
                 QStringLiteral("3Gmina,13Nowy"));
    }

    void typedNumbersReachTheFileExactly_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("stored");
        QTest::newRow("id beyond a double's digits") << "12345678901234567"
                                                     << "1.500,00"
                                                     << "2"
                                                     << "12345678901234567|1500.0|2.0";
        QTest::newRow("largest id") << "999999999999999999"
                                    << "1 500,50"
                                    << "0,5"
                                    << "999999999999999999|1500.5|0.5";
        QTest::newRow("point decimals") << "7"
                                        << "1500.5"
                                        << "1.5"
                                        << "7|1500.5|1.5";
    }

    // What the user types is what the table holds: no double between the field and the file.
    void typedNumbersReachTheFileExactly()
    {
        QFETCH(QString, id);
        QFETCH(QString, amount);
        QFETCH(QString, rate);
        QFETCH(QString, stored);
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'A','')"));
        p.openRegisterOf(1);
        ModalDriver driver;
        driver.onNextModal([&](QWidget* w) {
            retype(w, "fID", id);
            retype(w, "fDATAWPISU", QStringLiteral("01122026"));
            retype(w, "fNALEZNOSC", amount);
            retype(w, "fSTAWKA", rate);
            pressEnterIn(w, "fSTAWKA");
        });
        p.main->SBDodajClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(p.sql(QStringLiteral("rejestr.DB"),
                       QStringLiteral("SELECT ID||'|'||NALEZNOSC||'|'||STAWKA FROM rejestr")),
                 stored);
        // The grid stands on the new entry, its number shown whole.
        QCOMPARE(p.dm->DBFRejestr.asText(QStringLiteral("ID")), id);
    }

    void halfTypedDateIsRefused()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'A','')"));
        p.openRegisterOf(1);
        ModalDriver driver;
        QString message;
        driver.onNextModal([](QWidget* w) {
            retype(w, "fDATAWPISU", QStringLiteral("1203"));
            pressEnterIn(w, "fDATAWPISU");
        });
        answerInfo(driver, &message);
        driver.onNextModal([](QWidget* w) { pressEscape(w); });
        p.main->SBDodajClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(message, QStringLiteral("Nie poprawny format daty. Popraw pole"));
        QCOMPARE(
            p.sql(QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
            QStringLiteral("0"));
    }

    // The record keys are the context menu's shortcuts, live while a grid has the focus.
    void keysReachTheCommands()
    {
        Program p;
        p.addTaxpayers(QStringLiteral("(1,'A','')"));
        const struct
        {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            QWidget* target;
        } presses[] = {{Qt::Key_Insert, Qt::NoModifier, p.main->kontrahenciGrid},
                       {Qt::Key_F2, Qt::NoModifier, p.main->kontrahenciGrid},
                       {Qt::Key_O, Qt::ControlModifier, p.main->kontrahenciGrid},
                       {Qt::Key_C, Qt::ControlModifier, p.main->kontrahenciGrid},
                       {Qt::Key_Delete, Qt::NoModifier, p.main->kontrahenciGrid}};
        for (const auto& press : presses) {
            ModalDriver driver;
            QString caption;
            driver.onNextModal([&caption](QWidget* w) {
                caption = w->windowTitle();
                pressEscape(w);
            });
            pressKey(press.target, press.key, press.modifiers);
            QVERIFY2(driver.allRan(),
                     qPrintable(QKeySequence(press.key | press.modifiers).toString() +
                                QStringLiteral(": ") + driver.problem()));
            QCOMPARE(caption, press.key == Qt::Key_Delete
                                  ? QStringLiteral("Pytanie")
                                  : QStringLiteral("Edytuj dane dotyczące Płatnika"));
        }
        // The filter lists of the register tab carry the menu too.
        p.main->Zakladki->setCurrentWidget(p.main->rejestr);
        {
            ModalDriver driver;
            QString caption;
            driver.onNextModal([&caption](QWidget* w) {
                caption = w->windowTitle();
                pressEscape(w);
            });
            pressKey(p.main->CBcurrentYear, Qt::Key_Insert);
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
            QCOMPARE(caption, QStringLiteral("Edytuj Rejestr dla wskazanego Płatnika"));
        }
        // Outside the controls that carry the menu the keys do nothing.
        ModalDriver none(300);
        pressKey(p.main->filtrOd, Qt::Key_Insert);
        QCOMPARE(none.strayWindows(), 0);
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
