#include "ArchiveTestData.h"
#include "support/ModalDriver.h"
#include "support/TempProgramDir.h"

#include "archive/uArchiveDescription.h"
#include "archive/uArchiveStore.h"
#include "data/Clock.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "windows/uArchiwum.h"

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
const QString kBadDate = QStringLiteral("Nie poprawny format daty archiwum. Popraw pole");

QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

// A program directory with data, its data module, and the window shown but not run modally, so
// that the only modal windows are the questions and messages it raises.
struct Fixture
{
    TempProgramDir program;
    TmyDataBase dm;
    QTemporaryDir place;
    std::unique_ptr<TfArchiwum> w;

    explicit Fixture(int entries = 50)
    {
        FillData(program, 1, entries);
        dm.DMCreate();
        myDataBase = &dm;
        w = std::make_unique<TfArchiwum>();
        w->setWindowModality(Qt::NonModal);
        w->show();
        w->SelectDirectory(place.path());
    }
    ~Fixture()
    {
        w.reset();
        myDataBase = nullptr;
    }
    QString at(const QString& file) const { return place.filePath(file); }
    QString dump(const QString& dir) const
    {
        return DumpTable(dir + u'/' + kTables[0]) + DumpTable(dir + u'/' + kTables[1]);
    }
    QString liveDump() const
    {
        return DumpLive(program, kTables[0]) + DumpLive(program, kTables[1]);
    }
    void makeArchive(const QString& name)
    {
        QCOMPARE(CreateArchive(nullptr, place.path(), {name, EmptyDateText}),
                 CreateOutcome::Created);
        w->RefreshFound();
    }
    // Every file in the folder, named, with its bytes.
    QByteArray bytes() const
    {
        QByteArray all;
        for (const QString& name : Entries(place.path())) {
            QFile file(at(name));
            file.open(QIODevice::ReadOnly);
            all += name.toUtf8() + '\n' + file.readAll();
        }
        return all;
    }
    // Runs a command, answers its questions in turn and then at most one message; every window
    // shown adds its title and text to `said`.
    void run(void (TfArchiwum::*command)(), QList<bool> answers = {}, bool message = false,
             QStringList* said = nullptr)
    {
        QStringList shown;
        ModalDriver driver;
        const auto note = [&shown](QWidget* m) {
            shown << m->windowTitle() << m->findChild<QLabel*>(QStringLiteral("napis1"))->text();
        };
        for (bool yes : answers)
            driver.onNextModal([note, yes](QWidget* m) {
                note(m);
                // A message where a question was awaited has no "Nie".
                if (auto* b = m->findChild<QPushButton*>(yes ? QStringLiteral("SpeedButton1")
                                                             : QStringLiteral("SpeedButton2")))
                    b->click();
                else
                    m->close();
            });
        if (message)
            driver.onNextModal([note](QWidget* m) {
                note(m);
                QTest::keyClick(m, Qt::Key_Return);
            });
        (w.get()->*command)();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        if (said)
            *said = shown;
    }
};

// The group " Znalezione archiwum " as it should stand.
void checkFound(const TfArchiwum& w, bool found, const QString& name, const QString& date,
                const QDate& picker)
{
    for (QWidget* c : std::initializer_list<QWidget*>{w.oNazwa, w.oData, w.oDTPdata, w.zapisz,
                                                      w.usun, w.odtworz})
        QCOMPARE(c->isEnabled(), found);
    QCOMPARE(w.oNazwa->text(), name);
    QCOMPARE(w.oData->dateText(), date);
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
        // The tables of _data functions read the empty date before any program directory sets
        // the separators.
        SetRegional(RegionalSettings{u'-', u','});
        BuildDateTexts();
    }

    void enablingFollowsSelection()
    {
        Fixture f;
        const auto dir = [&f](const char* name, const QByteArray& description) {
            QDir().mkpath(f.at(QLatin1String(name)));
            if (!description.isNull()) {
                QFile file(f.at(QLatin1String(name) + QStringLiteral("/archiwum.bak")));
                file.open(QIODevice::WriteOnly);
                file.write(description);
            }
            return f.w->SelectDirectory(f.at(QLatin1String(name)));
        };
        QVERIFY(dir("a", EncodeDescription({QStringLiteral("Kwiecień – koniec"), "05-04-2026"})));
        checkFound(*f.w, true, QStringLiteral("Kwiecień – koniec"), QStringLiteral("05-04-2026"),
                   QDate(2026, 4, 5));
        // Only picking a date writes the field.
        Q_EMIT f.w->oDTPdata->calendar()->clicked(QDate(2026, 12, 24));
        QCOMPARE(f.w->oData->dateText(), QStringLiteral("24-12-2026"));
        QVERIFY(dir("b", QByteArray()));
        checkFound(*f.w, false, QString(), EmptyDateText, kToday);
        QVERIFY(dir("c", QByteArray("")));
        checkFound(*f.w, true, QString(), EmptyDateText, kToday);
        QVERIFY(dir("d", EncodeDescription({QStringLiteral("x"), "31-02-2008"})));
        checkFound(*f.w, true, QStringLiteral("x"), QStringLiteral("31-02-2008"), kToday);

        // The root keeps its separator, and paths built on it get no second one.
        QVERIFY(f.w->SelectDirectory(QStringLiteral("/")));
        QCOMPARE(ArchiveFilePath(f.w->SelectedDirectory(), kDescriptionFileName),
                 QStringLiteral("/archiwum.bak"));

        // Every opening proposes today for a new archive; the selection stays.
        f.w->nNazwa->setText(QStringLiteral("stara"));
        f.w->nData->setText(EmptyDateText);
        f.w->hide();
        f.w->show();
        QCOMPARE(f.w->nNazwa->text(), QString());
        QCOMPARE(f.w->nData->dateText(), QStringLiteral("07-12-2026"));
        QCOMPARE(f.w->nDTPdata->date(), kToday);
        QCOMPARE(f.w->SelectedDirectory(), QStringLiteral("/"));
    }

    // What the folder holds: nothing, our archive, or table files of another program (an older
    // installation's, which its users keep); either of the last two is replaced only after "Tak".
    void create_data()
    {
        QTest::addColumn<QString>("found");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QStringList>("asked");
        const QStringList archive{"Pytanie", "We wskazanym katalogu istnieje już archiwum. Czy "
                                             "zastąpić znalezione archiwum?"};
        const QStringList tables{"Uwaga", "W folderze %1 są już pliki kontrahenci.DB, rejestr.DB, "
                                          "które nie należą do archiwum programu. Zastąpić je?"};
        QTest::newRow("new") << "" << true << QStringList();
        QTest::newRow("replaced after Tak") << "archive" << true << archive;
        QTest::newRow("kept after Nie") << "archive" << false << archive;
        QTest::newRow("foreign replaced after Tak")
            << "kontrahenci.DB rejestr.DB" << true << tables;
        QTest::newRow("foreign kept after Nie") << "kontrahenci.DB rejestr.DB" << false << tables;
        QTest::newRow("one foreign kept after Nie")
            << "rejestr.DB" << false
            << QStringList{"Uwaga", "W folderze %1 jest już plik rejestr.DB, który nie należy do "
                                    "archiwum programu. Zastąpić go?"};
    }
    void create()
    {
        QFETCH(QString, found);
        QFETCH(bool, replace);
        QFETCH(QStringList, asked);
        Fixture f;
        if (found == u"archive") {
            FillData(f.program, 2);
            f.makeArchive(QStringLiteral("stare"));
            FillData(f.program, 1);
        } else if (!found.isEmpty()) {
            for (const QString& name : found.split(u' ')) {
                QFile file(f.at(name));
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(2048, 'P')));
            }
        }
        const QByteArray before = f.bytes();
        f.w->nNazwa->setText(QStringLiteral("Archiwum łódzkie"));
        f.w->nData->setText(QStringLiteral("15-12-2026"));
        QStringList said;
        f.run(&TfArchiwum::stworzClick, asked.isEmpty() ? QList<bool>{} : QList<bool>{replace},
              replace, &said);
        if (!asked.isEmpty())
            asked[1].replace(QStringLiteral("%1"), QDir::toNativeSeparators(f.place.path()));
        if (replace)
            asked << QStringLiteral("Informacja") << QStringLiteral("Archiwum zostało stworzone");
        QCOMPARE(said, asked);
        if (!replace) {
            QCOMPARE(f.bytes(), before);
            return;
        }
        QCOMPARE(f.dump(f.place.path()), f.liveDump());
        checkFound(*f.w, true, QStringLiteral("Archiwum łódzkie"), QStringLiteral("15-12-2026"),
                   QDate(2026, 12, 15));
        QCOMPARE(f.w->nNazwa->text(), QString());
        QCOMPARE(f.w->nData->dateText(), EmptyDateText);
    }

    // 4 KiB overwritten in the middle of the live rejestr.DB: the user is told which file, and
    // the earlier archive keeps every byte.
    void damagedLiveTableIsReported()
    {
        Fixture f(5000);
        if (f.program.onServer())
            QSKIP("table files only: a server has no file to damage");
        f.makeArchive(QStringLiteral("stare"));
        const QByteArray before = f.bytes();
        QFile file(f.program.filePath(QStringLiteral("db/rejestr.DB")));
        QVERIFY(file.size() > 40 * 4096);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(file.size() / 2 / 4096 * 4096));
        QCOMPARE(file.write(QByteArray(4096, '\x5a')), 4096);
        file.close();
        QStringList said;
        f.run(&TfArchiwum::stworzClick, {true}, true, &said);
        QCOMPARE(said.value(2), QStringLiteral("Uwaga"));
        const QString text = said.value(3);
        QVERIFY2(text.startsWith(QStringLiteral("Plik tabeli %1 jest uszkodzony: ")
                                     .arg(QDir::toNativeSeparators(file.fileName()))) &&
                     text.endsWith(QStringLiteral(". Archiwum nie zostało utworzone; wcześniejsze "
                                                  "archiwum w folderze pozostało bez zmian.")),
                 qPrintable(text));
        QCOMPARE(f.bytes(), before);
    }

    // The description cannot be written (a folder holds its name): both commands say so.
    void unwritableDescriptionIsReported()
    {
        Fixture f;
        QVERIFY(QDir().mkpath(f.at(kDescriptionFileName) + QStringLiteral("/x")));
        QStringList said;
        f.run(&TfArchiwum::stworzClick, {true}, true, &said); // "Tak" to replacing it
        QCOMPARE(said.mid(2), (QStringList{QStringLiteral("Informacja"),
                                           QStringLiteral("Nie udało się stworzyć archiwum")}));
        f.run(&TfArchiwum::zapiszClick, {}, true, &said);
        QCOMPARE(said, (QStringList{QStringLiteral("Informacja"),
                                    QStringLiteral("Nie udało się zapisać zmian w opisie "
                                                   "archiwum.")}));
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
        f.w->nData->setText(typed);
        QStringList said;
        f.run(&TfArchiwum::stworzClick, {}, true, &said);
        if (!accepted) {
            QCOMPARE(said, QStringList({QStringLiteral("Uwaga"), kBadDate}));
            QCOMPARE(Entries(f.place.path()), QStringList());
            QCOMPARE(f.w->focusWidget(), f.w->nData);
            return;
        }
        QCOMPARE(ReadDescription(f.at(kDescriptionFileName)).Data, typed);
        QCOMPARE(f.w->oDTPdata->date(), kToday);

        // The same rule when the description of a found archive is saved.
        f.w->oNazwa->setText(QStringLiteral("opis ż"));
        f.w->oData->setText(QStringLiteral("99-99-2027"));
        f.run(&TfArchiwum::zapiszClick, {}, true, &said);
        QCOMPARE(said, QStringList({QStringLiteral("Uwaga"), kBadDate}));
        f.w->oData->setText(QStringLiteral("01-02-2027"));
        f.run(&TfArchiwum::zapiszClick, {}, true, &said);
        QCOMPARE(said, QStringList({QStringLiteral("Informacja"),
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
        f.makeArchive(QStringLiteral("a"));
        if (onlyDescription)
            QVERIFY(QFile::remove(f.at(kTables[0])) && QFile::remove(f.at(kTables[1])));
        QFile(f.at(QStringLiteral("notatka.txt"))).open(QIODevice::WriteOnly);
        QVERIFY(QDir().mkdir(f.at(QStringLiteral("stare"))));
        const QStringList before = Entries(f.place.path());
        QStringList said;
        f.run(&TfArchiwum::usunClick, {yes}, false, &said);
        QCOMPARE(said.value(0), QStringLiteral("Uwaga"));
        const QStringList left{QStringLiteral("notatka.txt"), QStringLiteral("stare")};
        QCOMPARE(Entries(f.place.path()), yes ? left : before);
        QCOMPARE(f.w->usun->isEnabled(), !yes);
    }

    void restore_data()
    {
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("restored") << QList<bool>{true, true} << "intact"
                                  << QStringList{"Informacje",
                                                 "Operacja przebiegła pomyślnie. Dane "
                                                 "zostały odtworzone z archiwum."};
        QTest::newRow("first Nie") << QList<bool>{false} << "intact" << QStringList();
        QTest::newRow("second Nie") << QList<bool>{true, false} << "intact" << QStringList();
        QTest::newRow("damaged") << QList<bool>{true, true} << "damaged"
                                 << QStringList{
                                        "Informacja",
                                        "Nie udało się odtworzyć danych z archiwum. Spróbuj "
                                        "wykonać operację ponownie. Aplikacja może zacząć "
                                        "działać niestabilnie. Do momentu poprawnego "
                                        "odtworzenia danych."};
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
        f.makeArchive(QStringLiteral("a"));
        if (archive == QLatin1String("damaged"))
            QVERIFY(QFile(f.at(kTables[1])).resize(QFileInfo(f.at(kTables[1])).size() / 2));
        if (archive == QLatin1String("no description"))
            QVERIFY(QFile::remove(f.at(kDescriptionFileName)));
        FillData(f.program, 2);
        f.dm.RefreshKontrahenci();
        const QString before = f.liveDump();
        QStringList said;
        f.run(&TfArchiwum::odtworzClick, answers, !told.isEmpty(), &said);
        QCOMPARE(said.mid(0, 2), QStringList({QStringLiteral("Pytanie"),
                                              QStringLiteral("Czy odtworzyć dane ze wskazanego "
                                                             "archiwum?")}));
        QCOMPARE(said.mid(2 * answers.size()), told);
        const bool restored = told.value(1).startsWith(QStringLiteral("Operacja"));
        QCOMPARE(f.liveDump(), restored ? f.dump(f.place.path()) : before);
        // The data module shows what is live at once, and goes on working.
        QVERIFY(f.dm.DBFKontrahenci.asText(QStringLiteral("NAZWA"))
                    .endsWith(restored ? QStringLiteral(" 1") : QStringLiteral(" 2")));
        QCOMPARE(f.dm.MaxRejestrID(1), 50);
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
        QVERIFY(f.w->SelectDirectory(db + QStringLiteral("/")));
        QVERIFY(f.w->usun->isEnabled());
        QStringList said;
        const std::array commands{&TfArchiwum::stworzClick, &TfArchiwum::usunClick,
                                  &TfArchiwum::odtworzClick};
        f.run(commands[std::size_t(command)], {}, true, &said);
        QCOMPARE(said.value(0), QStringLiteral("Uwaga"));
        QVERIFY(said.value(1).contains(QStringLiteral("bieżące dane programu")));
        QCOMPARE(Entries(db), QStringList({QStringLiteral("archiwum.bak")}) + kTables);
        QCOMPARE(f.liveDump(), before);
    }

    void newSubdirectory()
    {
        Fixture f;
        const auto prompt = [&f](bool accept, const QString& name, QString* proposed = nullptr) {
            ModalDriver driver;
            driver.onNextModal([=](QWidget* m) {
                auto* edit = m->findChild<QLineEdit*>(QStringLiteral("wynik"));
                if (proposed)
                    *proposed = edit->text();
                if (!name.isEmpty())
                    edit->setText(name);
                QTest::keyClick(edit, accept ? Qt::Key_Return : Qt::Key_Escape);
            });
            if (name.contains(u'/'))
                driver.onNextModal([](QWidget* m) { QTest::keyClick(m, Qt::Key_Return); });
            f.w->SpeedButton6Click();
            QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        };
        QString proposed;
        prompt(false, QString(), &proposed);
        QCOMPARE(proposed, QStringLiteral("2026-12-07"));
        QCOMPARE(Entries(f.place.path()), QStringList());
        // A name that cannot be made is told (the second window), and the selection stays.
        prompt(true, QStringLiteral("brak/podkatalogu"));
        QCOMPARE(f.w->SelectedDirectory(), f.place.path());
        prompt(true, QString());
        QCOMPARE(Entries(f.place.path()), QStringList{QStringLiteral("2026-12-07")});
        QCOMPARE(f.w->SelectedDirectory(), f.at(QStringLiteral("2026-12-07")));
    }

    void escapeCloses()
    {
        Fixture f;
        QTest::keyClick(f.w->oNazwa, Qt::Key_Escape);
        QVERIFY(!f.w->isVisible());

        // With the drive list open, Escape closes only the list.
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
