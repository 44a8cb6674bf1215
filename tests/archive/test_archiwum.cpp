#include "ArchiveTestData.h"
#include "support/ModalDriver.h"
#include "support/TempProgramDir.h"

#include "archive/uArchiveDescription.h"
#include "archive/uArchiveStore.h"
#include "archive/uArchiwum.h"
#include "data/Clock.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uDatePicker.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate kToday(2026, 12, 7);
const QStringList kTables{QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")};
const QString kRestoreFailed =
    QStringLiteral("Nie udało się odtworzyć danych z archiwum. Spróbuj wykonać operację ponownie. "
                   "Aplikacja może zacząć działać niestabilnie. Do momentu poprawnego odtworzenia "
                   "danych.");

// Title and text of a message or question window.
using Said = QStringList;

void answerInfo(ModalDriver& driver, Said* said)
{
    driver.onNextModal([said](QWidget* w) {
        *said << w->windowTitle() << w->findChild<QLabel*>(QStringLiteral("napis1"))->text();
        QTest::keyClick(w, Qt::Key_Return);
    });
}

void answerQuestion(ModalDriver& driver, bool yes, Said* said)
{
    driver.onNextModal([yes, said](QWidget* w) {
        *said << w->windowTitle() << w->findChild<QLabel*>(QStringLiteral("napis1"))->text();
        w->findChild<QPushButton*>(yes ? QStringLiteral("SpeedButton1")
                                       : QStringLiteral("SpeedButton2"))
            ->click();
    });
}

QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

// A program directory with data, its data module, and the window shown (not run modally, so
// that the messages it raises are the modal windows the driver answers).
struct Fixture
{
    TempProgramDir program;
    TmyDataBase dm;
    QTemporaryDir place;
    std::unique_ptr<TfArchiwum> w;

    Fixture()
    {
        FillData(program.path(), 1);
        dm.DMCreate();
        myDataBase = &dm;
        w = std::make_unique<TfArchiwum>();
        w->setWindowModality(Qt::NonModal);
        w->show();
    }
    ~Fixture()
    {
        w.reset();
        myDataBase = nullptr;
    }
    QString live(const QString& t) const { return program.filePath(QStringLiteral("db/") + t); }
    QString at(const QString& t) const { return place.filePath(t); }
    QString liveDump() const { return DumpTable(live(kTables[0])) + DumpTable(live(kTables[1])); }
    QString archivedDump() const { return DumpTable(at(kTables[0])) + DumpTable(at(kTables[1])); }
    void makeArchive(const QString& name, const QString& date)
    {
        QVERIFY(CreateArchiveTables(nullptr, place.path()));
        QVERIFY(WriteDescription(at(kDescriptionFileName), ArchiveDescription{name, date}));
    }
    void select(const QString& dir) { QVERIFY(w->SelectDirectory(dir)); }
};

// The group " Znalezione archiwum " as it should stand.
void checkFound(const TfArchiwum& w, bool found, const QString& name, const QString& date,
                const QDate& picker)
{
    for (QWidget* c : std::initializer_list<QWidget*>{w.oNazwa, w.oData, w.oDTPdata, w.zapisz,
                                                      w.usun, w.odtworz})
        QCOMPARE(c->isEnabled(), found);
    QCOMPARE(w.oNazwa->text(), name);
    QCOMPARE(TfArchiwum::DateFieldText(w.oData), date);
    QCOMPARE(w.oDTPdata->date(), picker);
    const QColor base = found ? QColor(Qt::white) : QColor(187, 187, 187);
    QCOMPARE(w.oNazwa->palette().color(QPalette::Base), base);
    QCOMPARE(w.oData->palette().color(QPalette::Base), base);
}

} // namespace

class TestArchiwum : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        SetClock([] { return QDateTime(kToday, QTime(10, 0)); });
    }

    void enablingFollowsSelection()
    {
        Fixture f;
        const QString archive = f.place.filePath(QStringLiteral("a"));
        const QString none = f.place.filePath(QStringLiteral("b"));
        const QString shortFile = f.place.filePath(QStringLiteral("c"));
        const QString noDay = f.place.filePath(QStringLiteral("d"));
        for (const QString& d : {archive, none, shortFile, noDay})
            QVERIFY(QDir().mkpath(d));
        WriteDescription(archive + QStringLiteral("/archiwum.bak"),
                         {QStringLiteral("Kwiecień – zamknięcie"), QStringLiteral("05-04-2026")});
        QFile(shortFile + QStringLiteral("/archiwum.bak")).open(QIODevice::WriteOnly);
        WriteDescription(noDay + QStringLiteral("/archiwum.bak"),
                         {QStringLiteral("x"), QStringLiteral("31-02-2008")});

        f.select(archive);
        checkFound(*f.w, true, QStringLiteral("Kwiecień – zamknięcie"),
                   QStringLiteral("05-04-2026"), QDate(2026, 4, 5));
        // Only picking a date writes the field.
        Q_EMIT f.w->oDTPdata->calendar()->clicked(QDate(2026, 12, 24));
        QCOMPARE(TfArchiwum::DateFieldText(f.w->oData), QStringLiteral("24-12-2026"));
        f.select(none);
        checkFound(*f.w, false, QString(), EmptyDateText, kToday);
        f.select(shortFile);
        checkFound(*f.w, true, QString(), EmptyDateText, kToday);
        f.select(noDay);
        checkFound(*f.w, true, QStringLiteral("x"), QStringLiteral("31-02-2008"), kToday);
        QFile::remove(noDay + QStringLiteral("/archiwum.bak"));
        f.select(noDay);
        checkFound(*f.w, false, QString(), EmptyDateText, kToday);

        // The root keeps its separator, and file paths built on it get no second one.
        f.select(QStringLiteral("/"));
        QCOMPARE(f.w->SelectedDirectory(), QStringLiteral("/"));
        QCOMPARE(ArchiveFilePath(f.w->SelectedDirectory(), kDescriptionFileName),
                 QStringLiteral("/archiwum.bak"));
    }

    void openingResetsNewArchive()
    {
        Fixture f;
        f.select(f.place.path());
        f.w->nNazwa->setText(QStringLiteral("stara"));
        f.w->nData->setText(EmptyDateText);
        f.w->hide();
        f.w->show();
        QCOMPARE(f.w->nNazwa->text(), QString());
        QCOMPARE(TfArchiwum::DateFieldText(f.w->nData), QStringLiteral("07-12-2026"));
        QCOMPARE(f.w->nDTPdata->date(), kToday);
        QCOMPARE(f.w->SelectedDirectory(), f.place.path());
    }

    void create_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<bool>("replace");
        QTest::newRow("new") << false << true;
        QTest::newRow("replaced after Tak") << true << true;
        QTest::newRow("kept after Nie") << true << false;
    }
    void create()
    {
        QFETCH(bool, existing);
        QFETCH(bool, replace);
        Fixture f;
        if (existing) {
            FillData(f.program.path(), 2);
            f.makeArchive(QStringLiteral("stare"), QStringLiteral("01-01-2020"));
            FillData(f.program.path(), 1);
        }
        const QString before = f.archivedDump();
        f.select(f.place.path());
        f.w->nNazwa->setText(QStringLiteral("Archiwum łódzkie"));
        f.w->nData->setText(QStringLiteral("15-12-2026"));
        Said question, info;
        {
            ModalDriver driver;
            if (existing)
                answerQuestion(driver, replace, &question);
            if (replace)
                answerInfo(driver, &info);
            f.w->stworzClick();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        }
        if (existing)
            QCOMPARE(question, (Said{QStringLiteral("Pytanie"),
                                     QStringLiteral("We wskazanym katalogu istnieje już archiwum. "
                                                    "Czy zastąpić znalezione archiwum?")}));
        if (!replace) {
            QCOMPARE(f.archivedDump(), before);
            QCOMPARE(ReadDescription(f.at(kDescriptionFileName)).Nazwa, QStringLiteral("stare"));
            QCOMPARE(f.w->nNazwa->text(), QStringLiteral("Archiwum łódzkie"));
            return;
        }
        QCOMPARE(info, (Said{QStringLiteral("Informacja"),
                             QStringLiteral("Archiwum zostało stworzone")}));
        QCOMPARE(f.archivedDump(), f.liveDump());
        QCOMPARE(
            ReadDescription(f.at(kDescriptionFileName)),
            (ArchiveDescription{QStringLiteral("Archiwum łódzkie"), QStringLiteral("15-12-2026")}));
        checkFound(*f.w, true, QStringLiteral("Archiwum łódzkie"), QStringLiteral("15-12-2026"),
                   QDate(2026, 12, 15));
        QCOMPARE(f.w->nNazwa->text(), QString());
        QCOMPARE(TfArchiwum::DateFieldText(f.w->nData), EmptyDateText);
    }

    // Dates are checked with IsDateText only: one that names no day is kept as typed.
    void typedDates_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("untouched") << EmptyDateText << true;
        QTest::newRow("no such day") << "31-02-2008" << true;
        QTest::newRow("month 13") << "12-13-2026" << false;
        QTest::newRow("half typed") << "12-03-20" << false;
    }
    void typedDates()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        Fixture f;
        f.select(f.place.path());
        f.w->nData->setText(typed);
        Said info;
        {
            ModalDriver driver;
            answerInfo(driver, &info);
            f.w->stworzClick();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        }
        if (!accepted) {
            QCOMPARE(info,
                     (Said{QStringLiteral("Uwaga"),
                           QStringLiteral("Nie poprawny format daty archiwum. Popraw pole")}));
            QCOMPARE(Entries(f.place.path()), QStringList());
            QCOMPARE(f.w->focusWidget(), f.w->nData);
            return;
        }
        QCOMPARE(ReadDescription(f.at(kDescriptionFileName)).Data, typed);
        QVERIFY(f.w->odtworz->isEnabled());
        QCOMPARE(f.w->oDTPdata->date(), kToday);

        // The same rule for the description of a found archive.
        f.w->oNazwa->setText(QStringLiteral("opis ż"));
        f.w->oData->setText(QStringLiteral("99-99-2027"));
        Said saved;
        {
            ModalDriver driver;
            answerInfo(driver, &saved);
            f.w->zapiszClick();
            f.w->oData->setText(QStringLiteral("01-02-2027"));
            answerInfo(driver, &saved);
            f.w->zapiszClick();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        }
        QCOMPARE(saved, (Said{QStringLiteral("Uwaga"),
                              QStringLiteral("Nie poprawny format daty archiwum. Popraw pole"),
                              QStringLiteral("Informacja"),
                              QStringLiteral("Zmiany w opisie archiwum zapisano.")}));
        QCOMPARE(ReadDescription(f.at(kDescriptionFileName)),
                 (ArchiveDescription{QStringLiteral("opis ż"), QStringLiteral("01-02-2027")}));
    }

    void remove_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("onlyDescription");
        QTest::newRow("Tak") << true << false;
        QTest::newRow("Nie") << false << false;
        QTest::newRow("description alone") << true << true;
    }
    void remove()
    {
        QFETCH(bool, yes);
        QFETCH(bool, onlyDescription);
        Fixture f;
        f.makeArchive(QStringLiteral("a"), EmptyDateText);
        if (onlyDescription)
            QVERIFY(QFile::remove(f.at(kTables[0])) && QFile::remove(f.at(kTables[1])));
        QFile(f.at(QStringLiteral("notatka.txt"))).open(QIODevice::WriteOnly);
        QVERIFY(QDir().mkdir(f.at(QStringLiteral("stare"))));
        const QStringList before = Entries(f.place.path());
        f.select(f.place.path());
        Said question;
        {
            ModalDriver driver;
            answerQuestion(driver, yes, &question);
            f.w->usunClick();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        }
        QCOMPARE(question.value(0), QStringLiteral("Uwaga"));
        const QStringList left{QStringLiteral("notatka.txt"), QStringLiteral("stare")};
        QCOMPARE(Entries(f.place.path()), yes ? left : before);
        QCOMPARE(f.w->usun->isEnabled(), !yes);
    }

    void restore_data()
    {
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QString>("archive"); // "intact", "damaged" or "no description"
        QTest::addColumn<QStringList>("told");
        QTest::newRow("restored") << QList<bool>{true, true} << "intact"
                                  << QStringList{"Informacje",
                                                 "Operacja przebiegła pomyślnie. Dane "
                                                 "zostały odtworzone z archiwum."};
        QTest::newRow("first Nie") << QList<bool>{false} << "intact" << QStringList();
        QTest::newRow("second Nie") << QList<bool>{true, false} << "intact" << QStringList();
        QTest::newRow("damaged") << QList<bool>{true, true} << "damaged"
                                 << QStringList{"Informacja", kRestoreFailed};
        QTest::newRow("no description")
            << QList<bool>{true, true} << "no description"
            << QStringList{"Informacje", "We wskazanym katalogu nie znaleziono archiwum."};
    }
    void restore()
    {
        QFETCH(QList<bool>, answers);
        QFETCH(QString, archive);
        QFETCH(QStringList, told);
        Fixture f;
        f.makeArchive(QStringLiteral("a"), EmptyDateText);
        if (archive == QLatin1String("damaged"))
            QVERIFY(QFile(f.at(kTables[1])).resize(QFileInfo(f.at(kTables[1])).size() / 2));
        if (archive == QLatin1String("no description"))
            QVERIFY(QFile::remove(f.at(kDescriptionFileName)));
        FillData(f.program.path(), 2);
        f.dm.RefreshKontrahenci();
        const QString before = f.liveDump();
        f.select(f.place.path());
        Said questions, info;
        {
            ModalDriver driver;
            for (bool yes : answers)
                answerQuestion(driver, yes, &questions);
            if (!told.isEmpty())
                answerInfo(driver, &info);
            f.w->odtworzClick();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        }
        QCOMPARE(questions.mid(0, 2),
                 (Said{QStringLiteral("Pytanie"),
                       QStringLiteral("Czy odtworzyć dane ze wskazanego archiwum?")}));
        QCOMPARE(info, told);
        const bool restored = told.value(1).startsWith(QStringLiteral("Operacja"));
        QCOMPARE(f.liveDump(), restored ? f.archivedDump() : before);
        // The main window's list shows what is live, at once.
        QVERIFY(f.dm.DBFKontrahenci.asText(QStringLiteral("NAZWA"))
                    .endsWith(restored ? QStringLiteral(" 1") : QStringLiteral(" 2")));
        QCOMPARE(Entries(f.program.filePath(QStringLiteral("db"))), kTables);
    }

    void dataDirectoryRefused_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("create") << 0;
        QTest::newRow("delete") << 1;
        QTest::newRow("restore") << 2;
    }
    void dataDirectoryRefused()
    {
        QFETCH(int, command);
        Fixture f;
        const QString db = f.program.filePath(QStringLiteral("db"));
        WriteDescription(db + QStringLiteral("/archiwum.bak"),
                         {QStringLiteral("x"), EmptyDateText});
        const QString before = f.liveDump();
        f.select(db + QStringLiteral("/"));
        QVERIFY(f.w->usun->isEnabled());
        Said info;
        {
            ModalDriver driver;
            answerInfo(driver, &info);
            if (command == 0)
                f.w->stworzClick();
            else if (command == 1)
                f.w->usunClick();
            else
                f.w->odtworzClick();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        }
        QCOMPARE(info.value(0), QStringLiteral("Uwaga"));
        QVERIFY(info.value(1).contains(QStringLiteral("bieżące dane programu")));
        QCOMPARE(Entries(db), QStringList({QStringLiteral("archiwum.bak")}) + kTables);
        QCOMPARE(f.liveDump(), before);
    }

    void newSubdirectory()
    {
        Fixture f;
        f.select(f.place.path());
        QString proposed;
        Said info;
        {
            ModalDriver driver;
            driver.onNextModal([&proposed](QWidget* w) {
                auto* edit = w->findChild<QLineEdit*>(QStringLiteral("wynik"));
                proposed = edit->text();
                QTest::keyClick(edit, Qt::Key_Return);
            });
            f.w->SpeedButton6Click();
            // Cancelled: nothing is made.
            driver.onNextModal([](QWidget* w) {
                QTest::keyClick(w->findChild<QLineEdit*>(QStringLiteral("wynik")), Qt::Key_Escape);
            });
            f.w->SpeedButton6Click();
            // A name that cannot be made is told.
            driver.onNextModal([](QWidget* w) {
                auto* edit = w->findChild<QLineEdit*>(QStringLiteral("wynik"));
                edit->setText(QStringLiteral("brak/podkatalogu"));
                QTest::keyClick(edit, Qt::Key_Return);
            });
            answerInfo(driver, &info);
            f.w->SpeedButton6Click();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        }
        QCOMPARE(proposed, QStringLiteral("2026-12-07"));
        QCOMPARE(Entries(f.place.path()), QStringList{QStringLiteral("2026-12-07")});
        QCOMPARE(f.w->SelectedDirectory(), f.at(QStringLiteral("2026-12-07")));
        QCOMPARE(info.value(0), QStringLiteral("Uwaga"));
    }

    void escapeCloses()
    {
        Fixture f;
        QTest::keyClick(f.w->oNazwa, Qt::Key_Escape);
        QVERIFY(!f.w->isVisible());

        f.w->show();
        f.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.w.get()));
        f.w->aDrive->showPopup();
        QTRY_VERIFY(f.w->aDrive->view()->isVisible());
        QTest::keyClick(f.w->aDrive->view(), Qt::Key_Escape);
        QTRY_VERIFY(!f.w->aDrive->view()->isVisible());
        QVERIFY(f.w->isVisible());
        QTest::keyClick(f.w->aDrive, Qt::Key_Escape);
        QVERIFY(!f.w->isVisible());
    }
};

QTEST_MAIN(TestArchiwum)
#include "test_archiwum.moc"
