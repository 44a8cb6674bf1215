#include "support/MainProgram.h"
#include "support/ModalDriver.h"

#include "app/uDBGrid.h"
#include "app/uMain.h"
#include "app/uWindows.h"
#include "data/Clock.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "data/uNumberText.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "windows/ReportPreview.h"
#include "windows/uRaporty.h"
#include "windows/uReportParams.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

namespace {

const QString kTaxpayer = QStringLiteral("Kancelaria Notarialna Zażółć Gęślą Jaźń");

// The program over a directory with one remitter and its entries, logged in by start(), which
// shows the register of a remitter (5 by default) in the current year.
struct Program : MainProgram
{
    TfReportParams* params = nullptr;
    TDMRaporty* reports = nullptr;

    Program() : MainProgram(Start::Later)
    {
        dir.sql(
            QStringLiteral("kontrahenci.DB"),
            QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA,SKROT,NIP,ADRES,KODPOCZT,MIEJSCOWOSC) "
                           "VALUES (5,'%1','KN','123-456-32-18','ul. Źródlana 7','31-000',"
                           "'Kraków'),(6,'Pusty','','','','','')")
                .arg(kTaxpayer));
        dir.sql(
            QStringLiteral("rejestr.DB"),
            QStringLiteral(
                "INSERT INTO rejestr(ID,DATAWPISU,DATADOK,NALEZNOSC,STAWKA,DATAZAPLATY,NRDOK,IMIE,"
                "NAZWISKO,NIP,ADRES,KODPOCZT,MIEJSCOWOSC,UWAGI,IDKONTRAHENTA) VALUES "
                "(1,20261201,20261130,1000,2,20261205,'A/1/2026','Jan','Kowalski',"
                "'111-222-33-44','ul. Długa 1','30-001','Kraków','sprzedaż auta',5),"
                "(2,20261115,20261110,2345.67,1,0,'A/2/2026','Anna','Nowak','',"
                "'os. Śląskie 3','40-002','Łódź','',5),"
                "(3,20250301,20250301,100,2,20250302,'B3','Piotr','Wiśniewski','','','','','',5)"));
    }

    bool start(qint64 taxpayer = 5)
    {
        if (!MainProgram::start())
            return false;
        params = fReportParams;
        reports = DMRaporty;
        openRegisterOf(taxpayer);
        reports->SetCriteria(main->CurrentReportCriteria());
        return true;
    }

    QString value(const QString& name)
    {
        QString v = QStringLiteral("<untouched>");
        reports->SetCriteria(main->CurrentReportCriteria());
        reports->frReport2GetValue(name, v);
        return v;
    }

    // Runs the report as the button does: the parameters window gets `answer`, the preview (if
    // one opens) is looked at by `look` and closed. False when the windows were not as expected.
    bool run(const ModalDriver::Action& answer,
             const std::function<void(TReportPreview*)>& look = {}, bool expectPreview = true)
    {
        ModalDriver driver;
        driver.onNextModal(answer);
        if (expectPreview)
            driver.onNextModal([this, look](QWidget* w) {
                // The pages are dropped when the preview closes: a copy keeps them for the test.
                seen = reports->frReport2.preparedPages();
                auto* preview = qobject_cast<TReportPreview*>(w);
                if (preview && look)
                    look(preview);
                w->close();
            });
        reports->SBRaportClick(main->CurrentReportCriteria());
        if (!driver.allRan())
            qWarning("%s", qPrintable(driver.problem()));
        return driver.allRan();
    }

    const ReportDocument& prepared() const { return seen; }
    ReportDocument seen;
};

void pressEnter(QWidget* w)
{
    QTest::keyClick(w->findChild<QLineEdit*>(QStringLiteral("fMIEJSCOWOSC")), Qt::Key_Return);
}

QStringList allTexts(const ReportDocument& doc)
{
    QStringList t;
    for (int p = 0; p < doc.pageCount(); ++p) {
        for (const ReportTextItem& i : doc.page(p).texts)
            t << i.text;
    }
    return t;
}

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

const QStringList kRegisterVariables =
    QStringLiteral("ID DATAWPISU DATADOK NRDOK IMIE NAZWISKO NIP ADRES KODPOCZT MIEJSCOWOSC "
                   "NALEZNOSC STAWKA WARTOSC DATAZAPLATY UWAGI")
        .split(u' ');

} // namespace

class TestRaporty : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QList<QPair<QString, QString>> m_shown; // messages shown to the user: title, text

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        SetClock([] { return QDateTime(QDate(2026, 12, 7), QTime(10, 30, 0)); });
        SetInfoHandler([this](const QString& title, const QString& message) {
            m_shown.append({title, message});
        });
    }

    void cleanupTestCase() { SetInfoHandler({}); }

    void init() { m_shown.clear(); }

    void everyVariableFromTheRegisterView()
    {
        Program p;
        QVERIFY(p.start());
        p.params->fDATA->setText(QStringLiteral("24-12-2026"));
        p.params->fMIEJSCOWOSC->setText(QStringLiteral("Wieliczka"));
        const QAbstractItemModel* grid = p.main->RejestrGrid->model();
        QCOMPARE(grid->rowCount(), 2); // 2026 only
        p.reports->frUserDataset2First();
        for (int row = 0; row < 2; ++row) {
            bool eof = true;
            p.reports->frUserDataset2CheckEOF(eof);
            QVERIFY(!eof);
            for (int c = 0; c < kRegisterVariables.size(); ++c)
                QCOMPARE(p.value(kRegisterVariables[c]), grid->index(row, c).data().toString());
            p.reports->frUserDataset2Next();
        }
        bool eof = false;
        p.reports->frUserDataset2CheckEOF(eof);
        QVERIFY(eof);

        // The texts are the grid's display texts, as the remitter sees them.
        p.reports->frUserDataset2First();
        QCOMPARE(p.value(QStringLiteral("DATAWPISU")), QStringLiteral("01-12-2026"));
        QCOMPARE(p.value(QStringLiteral("NALEZNOSC")), QStringLiteral("1000,00"));
        QCOMPARE(p.value(QStringLiteral("STAWKA")), QStringLiteral("2,00 %"));
        QCOMPARE(p.value(QStringLiteral("WARTOSC")), QStringLiteral("20,00"));
        QCOMPARE(p.value(QStringLiteral("UWAGI")), QStringLiteral("sprzedaż auta"));
        p.reports->frUserDataset2Next();
        QCOMPARE(p.value(QStringLiteral("DATAZAPLATY")), QString()); // no date
        QCOMPARE(p.value(QStringLiteral("WARTOSC")), QStringLiteral("23,46"));

        QCOMPARE(p.value(QStringLiteral("KNAZWA")), kTaxpayer);
        QCOMPARE(p.value(QStringLiteral("KNIP")), QStringLiteral("123-456-32-18"));
        QCOMPARE(p.value(QStringLiteral("KADRES")), QStringLiteral("ul. Źródlana 7 31-000 Kraków"));
        QCOMPARE(p.value(QStringLiteral("DATAWYDRUKU")), QStringLiteral("24-12-2026"));
        QCOMPARE(p.value(QStringLiteral("KMIEJSCOWOSC")), QStringLiteral("Wieliczka"));
        QCOMPARE(p.value(QStringLiteral("OKRES")), QStringLiteral("2026"));
        QCOMPARE(p.value(QStringLiteral("STRONA")), QStringLiteral("1"));
        QCOMPARE(p.value(QStringLiteral("SWARTOSC")), QStringLiteral("43,46"));
        for (const char* unknown : {"id", "Wartosc", "WARTOSC ", "KNazwa", "#PAGE", "RAZEM", ""})
            QCOMPARE(p.value(QLatin1String(unknown)), QString());
        // A remitter without an address: the parts joined with their blanks all the same.
        p.dm->LocateKontrahent(6);
        QCOMPARE(p.value(QStringLiteral("KADRES")), QStringLiteral("  "));
    }

    void oneTotalEverywhere_data()
    {
        QTest::addColumn<QString>("rows"); // (NALEZNOSC,STAWKA) pairs for SQL
        QTest::addColumn<QString>("amounts");
        QTest::addColumn<QString>("values");
        QTest::newRow("ten half grosze")
            << QStringLiteral("(1234.25,2),(1234.25,2),(1234.25,2),(1234.25,2),(1234.25,2),"
                              "(1234.25,2),(1234.25,2),(1234.25,2),(1234.25,2),(1234.25,2)")
            << "12342,50"
            << "246,90";
        QTest::newRow("x,xx5 at many rates")
            << QStringLiteral("(0.25,2),(1000.5,2.5),(12.35,0.5),(1.01,0.5),(4.45,0.1)")
            << "1018,56"
            << "25,09";
        QTest::newRow("negatives round away from zero")
            << QStringLiteral("(-1234.25,2),(-0.25,2),(100,2)") << "-1134,50"
            << "-22,70";
        QTest::newRow("below half a grosz")
            << QStringLiteral("(0.24,2),(0.24,2),(0.24,2)") << "0,72"
            << "0,00";
        QTest::newRow("large amounts")
            << QStringLiteral("(99999999999.99,2),(99999999999.99,2)") << "199999999999,98"
            << "4000000000,00";
        QTest::newRow("no rate, no amount") << QStringLiteral("(NULL,2),(500,NULL)") << "500,00"
                                            << "0,00";
    }

    // The sums window, the report's totals and the figures the rows show agree to the grosz:
    // each tax value is rounded half away from zero on its decimal value, then added.
    void oneTotalEverywhere()
    {
        QFETCH(QString, rows);
        QFETCH(QString, amounts);
        QFETCH(QString, values);
        Program p;
        QString insert = rows;
        int id = 100;
        insert.replace(QRegularExpression(QStringLiteral("\\(([^,]+),([^)]+)\\)")),
                       QStringLiteral("(#,20261203,\\1,\\2,5)"));
        while (insert.contains(u'#'))
            insert.replace(insert.indexOf(u'#'), 1, QString::number(id++));
        p.dir.sql(QStringLiteral("rejestr.DB"), QStringLiteral("DELETE FROM rejestr"));
        p.dir.sql(QStringLiteral("rejestr.DB"),
                  QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,NALEZNOSC,STAWKA,IDKONTRAHENTA) "
                                 "VALUES ") +
                      insert);
        QVERIFY(p.start());

        const auto sums = p.dm->SumRejestr();
        QVERIFY(sums.has_value());
        QCOMPARE(sums->amounts, amounts);
        QCOMPARE(sums->values, values);

        // The report adds the figures as it prints them.
        p.reports->frUserDataset2First();
        for (bool eof = false; !eof; p.reports->frUserDataset2CheckEOF(eof)) {
            p.value(QStringLiteral("NALEZNOSC"));
            p.value(QStringLiteral("WARTOSC"));
            p.reports->frUserDataset2Next();
        }
        QCOMPARE(p.value(QStringLiteral("SNALEZNOSC")), amounts);
        QCOMPARE(p.value(QStringLiteral("SWARTOSC")), values);

        // And a clerk adding up the grid's column gets the same figure.
        const QAbstractItemModel* grid = p.main->RejestrGrid->model();
        qint64 shown = 0;
        for (int row = 0; row < grid->rowCount(); ++row)
            shown += ParseHundredthsText(grid->index(row, 12).data().toString()).value();
        QCOMPARE(FormatGrosze(shown), values);
    }

    void wartoscAddsToTheSumAtEveryRequest()
    {
        Program p;
        QVERIFY(p.start());
        QCOMPARE(p.reports->pageNumber, 0);
        QCOMPARE(p.value(QStringLiteral("STRONA")), QStringLiteral("0"));
        p.reports->valueSum.addGrosze(9900);
        p.reports->frUserDataset2First();
        QCOMPARE(p.reports->pageNumber, 1);
        QCOMPARE(p.value(QStringLiteral("SWARTOSC")), QStringLiteral("0,00"));
        p.value(QStringLiteral("WARTOSC"));
        p.value(QStringLiteral("WARTOSC")); // asked twice: counted twice
        QCOMPARE(p.value(QStringLiteral("SWARTOSC")), QStringLiteral("40,00"));
        p.reports->frUserDataset2Next();
        p.value(QStringLiteral("WARTOSC"));
        // the shown, rounded values
        QCOMPARE(p.value(QStringLiteral("SWARTOSC")), QStringLiteral("63,46"));
        // Another first row starts again.
        p.reports->frUserDataset2First();
        QCOMPARE(p.value(QStringLiteral("SWARTOSC")), QStringLiteral("0,00"));

        // A text that is not a number leaves the sum as it was and is handed back all the same.
        p.dm->DBFRejestr.setDisplayHook(QStringLiteral("WARTOSC"),
                                        [](const Query&, int) { return QStringLiteral("brak"); });
        QCOMPARE(p.value(QStringLiteral("WARTOSC")), QStringLiteral("brak"));
        p.dm->DBFRejestr.setDisplayHook(QStringLiteral("WARTOSC"),
                                        [](const Query&, int) { return QString(); });
        QCOMPARE(p.value(QStringLiteral("WARTOSC")), QString());
        QCOMPARE(p.value(QStringLiteral("SWARTOSC")), QStringLiteral("0,00"));
    }

    void periodText_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year"); // 0: (Wszystkie)
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("expected");

        QTest::newRow("month and year") << 3 << 2007 << ""
                                        << ""
                                        << "Marzec 2007";
        QTest::newRow("whole year") << 0 << 2026 << ""
                                    << ""
                                    << "2026";
        QTest::newRow("all years") << 0 << 0 << ""
                                   << ""
                                   << "(Wszystkie)";
        QTest::newRow("month of all years") << 10 << 0 << ""
                                            << ""
                                            << "Październik (Wszystkie)";
        QTest::newRow("date range") << 3 << 2007 << "01-03-2026"
                                    << "31-03-2026"
                                    << "od 01-03-2026 do 31-03-2026";
        QTest::newRow("open range") << 0 << 2026 << "15-11-2026"
                                    << ""
                                    << "od 15-11-2026 do   -  -    ";
    }

    void periodText()
    {
        QFETCH(int, month);
        QFETCH(int, year);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, expected);
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        m.CBcurrentYear->setCurrentIndex(year ? year - 1969 : 0);
        {
            // The month list alone: with "(Wszystkie)" years the window would reset it.
            const QSignalBlocker quiet(m.CBCurrentMonth);
            m.CBCurrentMonth->setCurrentIndex(month);
        }
        if (!from.isEmpty() || !to.isEmpty()) {
            m.filtrOd->setText(from);
            m.filtrDo->setText(to);
            m.ApplyDateRange();
        }
        QCOMPARE(p.value(QStringLiteral("OKRES")), expected);
        // Back on the year and month filter the range no longer counts.
        m.CBcurrentYear->setCurrentIndex(2030 - 1969);
        QVERIFY(!p.value(QStringLiteral("OKRES")).startsWith(QStringLiteral("od ")));
        QVERIFY(p.value(QStringLiteral("OKRES")).endsWith(QStringLiteral("2030")));
    }

    void runAsksForDateAndTownThenShowsThePreview()
    {
        Program p;
        QVERIFY(p.start());
        QString asked;
        QString previewTitle;
        QString pageInfo;
        const bool ran = p.run(
            [&asked](QWidget* w) {
                auto* params = qobject_cast<TfReportParams*>(w);
                asked = w->windowTitle() + u'|' + params->Header->text() + u'|' +
                        params->fDATA->displayText() + u'|' + params->fMIEJSCOWOSC->text();
                params->fMIEJSCOWOSC->setText(QStringLiteral("Wieliczka"));
                QTest::keyClick(params->fMIEJSCOWOSC, Qt::Key_Escape); // closes, cancels nothing
            },
            [&](TReportPreview* preview) {
                previewTitle = preview->windowTitle();
                pageInfo = QStringLiteral("Strona %1 ").arg(preview->pageBox->value()) +
                           preview->pageInfo->text();
            });
        QVERIFY(ran);
        QCOMPARE(asked,
                 QStringLiteral("Rejestr TARV 1.0 PL+|Ustal parametry raportu|07-12-2026|Kraków"));
        QCOMPARE(previewTitle, QStringLiteral("Rejestr TARV"));
        QCOMPARE(pageInfo, QStringLiteral("Strona 1 z 1"));
        const QStringList texts = allTexts(p.prepared());
        for (const char* expected :
             {"Rejestr podatku od czynności cywilnoprawnych", "Okres: 2026", "NIP: 123-456-32-18",
              "Adres: ul. Źródlana 7 31-000 Kraków", "Imię i nazwisko", "Jan Kowalski", "A/2/2026",
              "43,46", "Razem:", "Wieliczka, dnia 07-12-2026", "Strona 1 z 1"}) {
            const QString e = QString::fromUtf8(expected);
            QVERIFY2(texts.contains(e),
                     qPrintable(e + QStringLiteral(" not in ") + texts.join(u'|')));
        }
        QVERIFY(texts.contains(QStringLiteral("2345,67"))); // no thousands separator
        QVERIFY(texts.contains(QStringLiteral("Płatnik: ") + kTaxpayer));
        // The report walked the grid's own view: the grid stands on its last row.
        QCOMPARE(p.main->RejestrGrid->currentIndex().row(), 1);

        // The town typed last time does not stay: the next run starts from the remitter's.
        QString town;
        QVERIFY(p.run([&town](QWidget* w) {
            town = qobject_cast<TfReportParams*>(w)->fMIEJSCOWOSC->text();
            pressEnter(w);
        }));
        QCOMPARE(town, QStringLiteral("Kraków"));
        QVERIFY(allTexts(p.prepared()).contains(QStringLiteral("Kraków, dnia 07-12-2026")));
    }

    void theDateGoesIntoTheReportAsTheFieldShowsIt()
    {
        Program p;
        QVERIFY(p.start());
        QDate pickerDate;
        QVERIFY(p.run([&pickerDate](QWidget* w) {
            auto* params = qobject_cast<TfReportParams*>(w);
            pickerDate = params->fDTPDATA->date(); // the calendar opens on today
            params->fDTPDATA->showCalendar();
            Q_EMIT params->fDTPDATA->calendar()->clicked(QDate(2026, 1, 2));
            pressEnter(w);
        }));
        QCOMPARE(pickerDate, QDate(2026, 12, 7));
        QVERIFY(allTexts(p.prepared()).contains(QStringLiteral("Kraków, dnia 02-01-2026")));
        // A cleared date prints as the empty mask: the separators among blanks.
        QVERIFY(p.run([](QWidget* w) {
            auto* params = qobject_cast<TfReportParams*>(w);
            params->fDATA->clear();
            params->SpeedButton2->click();
        }));
        QVERIFY(allTexts(p.prepared()).contains(QStringLiteral("Kraków, dnia ") + EmptyDateText));
    }

    void theTemplateIsReadAfreshAtEveryRun()
    {
        Program p;
        QVERIFY(p.start());
        const auto writeTemplate = [&p](const QString& label) {
            QFile f(p.dir.filePath(QStringLiteral("rejestr.frf")));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QStringLiteral(R"(<report><band type="reportSummary" height="5">
                <text x="0" y="0" width="100" height="5">%1 [SWARTOSC]</text></band></report>)")
                        .arg(label)
                        .toUtf8());
        };
        writeTemplate(QStringLiteral("pierwszy"));
        QVERIFY(p.run(pressEnter));
        QCOMPARE(allTexts(p.prepared()), QStringList{QStringLiteral("pierwszy 0,00")});
        writeTemplate(QStringLiteral("drugi"));
        QVERIFY(p.run(pressEnter));
        QCOMPARE(allTexts(p.prepared()), QStringList{QStringLiteral("drugi 0,00")});
    }

    void aBrokenTemplateReportsAnErrorAndShowsNoPreview_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<QString>("message");

        QTest::newRow("missing") << QByteArray() << "Nie można otworzyć szablonu raportu ";
        QTest::newRow("malformed")
            << QByteArray("<report><band type=\"masterData\"") << "Błąd w szablonie raportu ";
        QTest::newRow("not a template")
            << QByteArray("<html><body/></html>") << "Błąd w szablonie raportu ";
    }

    void aBrokenTemplateReportsAnErrorAndShowsNoPreview()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        Program p;
        QVERIFY(p.start());
        QVERIFY(p.run(pressEnter)); // an earlier good run
        QVERIFY(p.prepared().pageCount() > 0);
        const QString path = p.dir.filePath(QStringLiteral("rejestr.frf"));
        QFile::remove(path);
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QFile::remove(p.dir.filePath(QStringLiteral("debug/error.txt")));
        m_shown.clear();
        QVERIFY(p.run(pressEnter, {}, false)); // a preview would be a stray window
        QCOMPARE(p.reports->frReport2.preparedPages().pageCount(), 0);
        const QString log = readFile(p.dir.filePath(QStringLiteral("debug/error.txt")));
        QVERIFY2(log.contains(QStringLiteral("[0000000000]  ") + message + QDir::cleanPath(path)),
                 qPrintable(log));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].first, QStringLiteral("Błąd bazy danych"));
        QVERIFY(m_shown[0].second.contains(message + QDir::cleanPath(path)));
    }

    void anEmptyRegisterPrintsHeadersAndAZeroSum()
    {
        Program p;
        QVERIFY(p.start(6));
        QVERIFY(p.run(pressEnter));
        const ReportDocument& doc = p.prepared();
        QCOMPARE(doc.pageCount(), 1);
        const QStringList texts = allTexts(doc);
        QVERIFY(texts.contains(QStringLiteral("Data wpisu")));
        QVERIFY(texts.contains(QStringLiteral("Razem:")));
        QVERIFY(texts.contains(QStringLiteral("0,00")));
        QVERIFY(texts.contains(QStringLiteral("Strona 1 z 1")));
    }

    void thePdfOfASmallRegisterHoldsItsTexts()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        Program p;
        QVERIFY(p.start());
        const QString pdf = p.dir.filePath(QStringLiteral("raport.pdf"));
        bool saved = false;
        QVERIFY(
            p.run(pressEnter, [&](TReportPreview* preview) { saved = preview->saveAsPdf(pdf); }));
        QVERIFY(saved);
        QProcess tool;
        tool.start(pdftotext,
                   {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        const QString text = QString::fromUtf8(tool.readAllStandardOutput()).simplified();
        for (const QString& expected :
             {QStringLiteral("Rejestr podatku od czynności cywilnoprawnych"),
              QStringLiteral("Okres: 2026"), QStringLiteral("Płatnik: ") + kTaxpayer,
              QStringLiteral("Adres: ul. Źródlana 7 31-000 Kraków"),
              QStringLiteral("Imię i nazwisko"), QStringLiteral("Należność"),
              QStringLiteral("Jan Kowalski"), QStringLiteral("Łódź"), QStringLiteral("01-12-2026"),
              QStringLiteral("1000,00"), QStringLiteral("2,00 %"), QStringLiteral("23,46"),
              QStringLiteral("Razem:"), QStringLiteral("43,46"),
              QStringLiteral("Kraków, dnia 07-12-2026"), QStringLiteral("Strona 1 z 1")})
            QVERIFY2(text.contains(expected),
                     qPrintable(expected + QStringLiteral(" not in: ") + text));
    }
};

QTEST_MAIN(TestRaporty)
#include "test_raporty.moc"
