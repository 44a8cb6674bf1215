#include "support/MainProgram.h"
#include "support/ModalDriver.h"

#include "app/uDBGrid.h"
#include "app/uMain.h"
#include "data/Clock.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uInfoForm.h"
#include "output/uVtExportToCSV.h"
#include "windows/ReportPreview.h"

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A device that takes a given number of bytes and then refuses, like a full disk.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override
    {
        if (len > m_room)
            return -1;
        m_room -= len;
        return len;
    }

private:
    qint64 m_room;
};

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        SetClock([] { return QDateTime(QDate(2026, 12, 7), QTime(10, 0)); });
    }

    void writerFormat_data()
    {
        QTest::addColumn<QList<QStringList>>("table");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("titles only")
            << QList<QStringList>{{"id", "nazwa"}} << QByteArray("\"id\";\"nazwa\"\r\n");
        QTest::newRow("one column")
            << QList<QStringList>{{"id"}, {"1"}, {""}} << QByteArray("\"id\"\r\n\"1\"\r\n\"\"\r\n");
        QTest::newRow("quote and semicolon")
            << QList<QStringList>{{"a", "b"}, {"say \"hi\"", "x;y"}}
            << QByteArray("\"a\";\"b\"\r\n\"say \"\"hi\"\"\";\"x;y\"\r\n");
        QTest::newRow("Windows-1250 letters, blanks kept")
            << QList<QStringList>{{" Łódź ", "żółć€"}}
            << QByteArray("\" \xA3\xF3\x64\x9F \";\"\xBF\xF3\xB3\xE6\x80\"\r\n");
        QTest::newRow("unmappable becomes ?")
            << QList<QStringList>{{"a中b"}} << QByteArray("\"a?b\"\r\n");
    }

    void writerFormat()
    {
        QFETCH(QList<QStringList>, table);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'x')); // an existing longer file is truncated
        old.close();
        TVtExportToCSV exporter;
        QVERIFY(exporter.ExportGrid(table, path));
        QCOMPARE(readAll(path), bytes);
    }

    void writerFailures()
    {
        TVtExportToCSV exporter;
        QVERIFY(!exporter.ExportGrid({{"a"}}, QStringLiteral("/proc/nie/ma/takiego/katalogu.csv")));
        QList<QStringList> many(5000,
                                QStringList{QStringLiteral("wiersz"), QStringLiteral("drugi")});
        qsizetype row = 0;
        FullDevice full(1000);
        QVERIFY(!TVtExportToCSV::WriteRows(full, [&](QStringList& cells) {
            if (row >= many.size())
                return false;
            cells = many[row++];
            return true;
        }));
    }

    // The register as the grid shows it, every row, the cursor left where it was.
    void registerExport()
    {
        MainProgram p;
        p.addTaxpayers(QStringLiteral("(1,'A','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral(
                  "INSERT INTO rejestr(ID,DATAWPISU,DATADOK,NRDOK,IMIE,NAZWISKO,NIP,ADRES,"
                  "KODPOCZT,MIEJSCOWOSC,NALEZNOSC,STAWKA,DATAZAPLATY,UWAGI,IDKONTRAHENTA) VALUES "
                  "(1,20261201,20261130,'FV \"1\"','Jan','Żółć','1','ul. A; "
                  "5','00-950','Łódź',1500,2,0,'',1),"
                  "(2,20261202,0,'','','','','','','',1000.5,2.5,20261203,'x',1)"));
        p.openRegisterOf(1);
        p.dm->LocateRejestr(2, 1);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rejestr.csv"));
        QVERIFY(p.main->ExportActiveGrid(path));
        QCOMPARE(
            readAll(path),
            QByteArray(
                "\"id\";\"data wpisu\";\"data dok.\";\"nr dokumentu\";\"imi\xEA\";\"nazwisko\";"
                "\"NIP\";\"adres\";\"kod pocztowy\";\"miejscowo\x9C\xE6\";\"nale\xBFno\x9C\xE6\";"
                "\"stawka\";\"warto\x9C\xE6\";\"data zap\xB3\x61ty\";\"uwagi\"\r\n"
                "\"1\";\"01-12-2026\";\"30-11-2026\";\"FV "
                "\"\"1\"\"\";\"Jan\";\"\xAF\xF3\xB3\xE6\";\"1\";"
                "\"ul. A; 5\";\"00-950\";\"\xA3\xF3\x64\x9F\";\"1500,00\";\"2,00 "
                "%\";\"30,00\";\"\";\"\"\r\n"
                "\"2\";\"02-12-2026\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"1000,50\";\"2,50 "
                "%\";"
                "\"25,01\";\"03-12-2026\";\"x\"\r\n"));
        QCOMPARE(p.dm->DBFRejestr.asInteger(QStringLiteral("ID")), 2);
        QCOMPARE(p.main->RejestrGrid->currentIndex().row(), 1);
    }

    void emptyViewGivesTheTitleLine()
    {
        MainProgram p;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("k.csv"));
        QVERIFY(p.main->ExportActiveGrid(path));
        QCOMPARE(readAll(path),
                 QByteArray("\"id\";\"skr\xF3t\";\"nazwa\";\"NIP\";\"adres\";\"kod pocztowy\";"
                            "\"miejscowo\x9C\xE6\";\"telefony\";\"uwagi\"\r\n"));
    }

    // Every cell read back by a real CSV reader is the text the grid shows.
    void spreadsheetReadsEveryCellBack()
    {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        MainProgram p;
        QString values;
        const QStringList names{QStringLiteral("Zażółć \"gęślą\"; jaźń"),
                                QStringLiteral("a;b;\"c\""), QStringLiteral("O'Reilly"),
                                QStringLiteral("  spacje  "), QString()};
        for (int i = 0; i < 600; ++i)
            values +=
                QStringLiteral("%1(%2,'%3','%4')")
                    .arg(i ? "," : "")
                    .arg(i + 1)
                    .arg(QString(names[i % names.size()]).replace(u'\'', QStringLiteral("''")))
                    .arg(i);
        p.sql(QStringLiteral("kontrahenci.DB"),
              QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA,SKROT) VALUES ") + values);
        p.dm->RefreshKontrahenci();
        QVERIFY(!p.dm->DBFKontrahenci.rowCountKnown()); // the export reads past the first screen
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("k.csv"));
        QVERIFY(p.main->ExportActiveGrid(path));
        QProcess py;
        py.start(python, {QStringLiteral("-c"),
                          QStringLiteral("import csv,sys,json\n"
                                         "rows=list(csv.reader(open(sys.argv[1],encoding='cp1250',"
                                         "newline=''),delimiter=';'))\n"
                                         "print(json.dumps(rows))"),
                          path});
        QVERIFY(py.waitForFinished(30000));
        QCOMPARE(py.exitCode(), 0);
        const QByteArray json = py.readAllStandardOutput();
        QJsonParseError error;
        const QJsonArray rows = QJsonDocument::fromJson(json, &error).array();
        QCOMPARE(rows.size(), 601);
        for (int i = 0; i < 600; ++i) {
            const QJsonArray row = rows[i + 1].toArray();
            QCOMPARE(row.size(), 9);
            QCOMPARE(row[0].toString(), QString::number(i + 1));
            QCOMPARE(row[1].toString(), QString::number(i));
            QCOMPARE(row[2].toString(), names[i % names.size()]);
        }
    }

    void saveDialogProposesTheTabCaption()
    {
        MainProgram p;
        QTemporaryDir dir;
        ModalDriver driver;
        QString proposed;
        QStringList filters;
        QString message;
        const QString target = dir.filePath(QStringLiteral("lista"));
        driver.onNextModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            proposed = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            filters = dialog->nameFilters();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(target);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        driver.onNextModal([&message](QWidget* w) {
            message = w->findChild<QLabel*>(QStringLiteral("napis1"))->text();
            QTest::keyClick(w, Qt::Key_Return);
        });
        p.main->SBcsvClick();
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(proposed, QStringLiteral("              Lista podatników             .csv"));
        QCOMPARE(filters, (QStringList{QStringLiteral("Arkusz .CSV (*.csv)"),
                                       QStringLiteral("Wszystkie pliki (*.*)")}));
        QCOMPARE(message, QStringLiteral("Eksport zakończony poprawnie"));
        QVERIFY2(QFile::exists(target + QStringLiteral(".csv")), // the default suffix was added
                 qPrintable(QDir(dir.path()).entryList(QDir::Files).join(u',')));
    }

    // The CSV and PDF save dialogs open in one folder: the documents folder at first, then
    // wherever the last file of either kind was saved.
    void saveDialogsShareOneRememberedFolder()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        // No user-dirs.dirs there: the documents folder is ~/Documents.
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
        const QString documents = home.filePath(QStringLiteral("Documents"));
        const QString csvFolder = home.filePath(QStringLiteral("csv"));
        const QString pdfFolder = home.filePath(QStringLiteral("pdf"));
        for (const QString& folder : {documents, csvFolder, pdfFolder})
            QVERIFY(QDir().mkpath(folder));

        MainProgram p;
        SetInfoHandler([](const QString&, const QString&) {});
        QStringList opened;
        const auto saveAs = [&opened](const QString& file) {
            return [&opened, file](QWidget* w) {
                auto* dialog = qobject_cast<QFileDialog*>(w);
                QVERIFY(dialog);
                opened << dialog->directory().absolutePath();
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
                QMetaObject::invokeMethod(dialog, "accept");
            };
        };
        const auto answer = [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); };
        ModalDriver driver;
        driver.onNextModal(saveAs(csvFolder + QStringLiteral("/lista.csv"))).onNextModal(answer);
        p.main->SBcsvClick();
        ReportDocument doc;
        TReportPreview preview(doc);
        driver.onNextModal(saveAs(pdfFolder + QStringLiteral("/raport.pdf")));
        preview.savePdf();
        driver.onNextModal(saveAs(csvFolder + QStringLiteral("/drugi.csv"))).onNextModal(answer);
        p.main->SBcsvClick();
        SetInfoHandler({});
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QCOMPARE(opened, (QStringList{documents, csvFolder, pdfFolder}));
    }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
