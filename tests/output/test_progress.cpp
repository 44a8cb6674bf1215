#include "support/StoppingProgress.h"

#include "data/SafeFile.h"
#include "dialogs/uProgressWindow.h"
#include "output/uVtExportToCSV.h"
#include "report/ReportLayout.h"
#include "report/ReportPainter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kEarlier = "wcześniejszy plik\r\n";

// Ten pages of one row each.
ReportDocument tenPages()
{
    const ReportTemplate tpl = ReportTemplate::fromXml(
        R"(<report version="1" font="Sans Serif" fontSize="8">
             <page width="60" height="20" left="5" top="5" right="5" bottom="5"/>
             <band type="masterData" height="8"><text x="0" y="0" width="50" height="8">[N]</text>
             </band></report>)",
        QStringLiteral("t.frf"));
    int row = 0;
    const ReportUserDataset rows{
        [&row] { row = 0; }, [&row] { ++row; }, [&row](bool& eof) { eof = row >= 10; }, {}};
    return LayoutReport(tpl, rows,
                        [&row](const QString&, QString& v) { v = QString::number(row + 1); });
}

bool write(const QString& kind, const QString& path, Progress* progress)
{
    if (kind == QLatin1String("pdf"))
        return WriteReportPdf(tenPages(), path, nullptr, progress);
    int row = 0;
    return TVtExportToCSV::WriteFile(
        path,
        [&](QStringList& cells) {
            cells = {QString::number(row)};
            return ++row <= 1000 && ProgressStep(progress, row);
        },
        nullptr, progress);
}

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stoppedWriteLeavesTheEarlierFileOrNone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("earlier");
        QTest::addColumn<int>("stopAt");
        for (const char* kind : {"pdf", "csv"}) {
            for (bool earlier : {true, false}) {
                const char* file = earlier ? "earlier file" : "no file";
                QTest::addRow("%s, %s, stopped at once", kind, file) << kind << earlier << 1;
                QTest::addRow("%s, %s, stopped halfway", kind, file) << kind << earlier << 5;
                QTest::addRow("%s, %s, not stopped", kind, file) << kind << earlier << 0;
            }
        }
    }

    void stoppedWriteLeavesTheEarlierFileOrNone()
    {
        QFETCH(QString, kind);
        QFETCH(bool, earlier);
        QFETCH(int, stopAt);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plik"));
        if (earlier)
            QVERIFY(SafeFile::writeWhole(path, kEarlier));
        StoppingProgress progress(stopAt);
        QCOMPARE(write(kind, path, &progress), stopAt == 0);
        QFile file(path);
        if (stopAt > 0 && earlier) {
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), kEarlier);
        } else {
            QCOMPARE(file.exists(), stopAt == 0);
        }
        // No temporary left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 stopAt == 0 || earlier ? 1 : 0);
    }

    void theWaitCursorAtOnceTheWindowLater()
    {
        TProgressWindow::setShowDelay(200);
        QWidget parent;
        {
            TProgressWindow progress(&parent, QStringLiteral("Eksport danych"));
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            progress.start(QStringLiteral("Zapis pliku"), 100);
            QVERIFY(progress.step(1));
            QVERIFY(!progress.window()); // short work shows no window
            QElapsedTimer clock;
            clock.start();
            while (!progress.window() && clock.elapsed() < 5000)
                QVERIFY(progress.step(2));
            QVERIFY(progress.window());
            QCOMPARE(progress.window()->windowTitle(), QStringLiteral("Eksport danych"));
            QCOMPARE(progress.window()->findChild<QLabel*>(QStringLiteral("caption"))->text(),
                     QStringLiteral("Zapis pliku"));
            auto* cancel =
                progress.window()->findChild<QPushButton*>(QStringLiteral("cancelButton"));
            QCOMPARE(cancel->text(), QStringLiteral("Anuluj"));
            QTest::mouseClick(cancel, Qt::LeftButton);
            QVERIFY(!progress.step(3));
            QVERIFY(progress.cancelled());
        }
        QVERIFY(!QApplication::overrideCursor());
        TProgressWindow::setShowDelay(1000);
    }
};

QTEST_MAIN(TestProgress)
#include "test_progress.moc"
