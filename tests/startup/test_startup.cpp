#include "archive/FileOper.h"
#include "archive/uFileOperations.h"
#include "data/PeriodFilter.h"
#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "startup/uRunDirectory.h"
#include "startup/uSingleInstance.h"
#include "startup/uStartup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

void touch(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("x");
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

private Q_SLOTS:
    void initTestCase()
    {
        // The lock files live in the temporary directory: keep them away from a real copy.
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        SetRegional(RegionalSettings{u'-', u','});
        BuildDateTexts();
    }

    void yearMonthFilter_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("line");
        QTest::newRow("March 2026")
            << 3 << YearIndex(2026) << "AND DATAWPISU > 20260300AND DATAWPISU < 20260400";
        QTest::newRow("December 2025")
            << 12 << YearIndex(2025) << "AND DATAWPISU > 20251200AND DATAWPISU < 20251300";
        QTest::newRow("whole 2026")
            << 0 << YearIndex(2026) << "AND DATAWPISU > 20260000AND DATAWPISU < 20261300";
        QTest::newRow("all years drop the month") << 5 << 0 << "";
        QTest::newRow("everything") << 0 << 0 << "";
        QTest::newRow("first year") << 1 << 1 << "AND DATAWPISU > 19700100AND DATAWPISU < 19700200";
        QTest::newRow("last year")
            << 0 << YearIndex(2500) << "AND DATAWPISU > 25000000AND DATAWPISU < 25001300";
    }

    void yearMonthFilter()
    {
        QFETCH(int, month);
        QFETCH(int, year);
        QFETCH(QString, line);
        QCOMPARE(YearMonthFilter(month, year), line);
    }

    void dateRangeFilter_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("line");
        QTest::newRow("both") << "01-03-2008"
                              << "31-03-2008"
                              << "AND DATAWPISU >= 20080301AND DATAWPISU <= 20080331";
        QTest::newRow("from only") << "01-03-2008"
                                   << "  -  -    "
                                   << "AND DATAWPISU >= 20080301AND DATAWPISU <= 99999999";
        QTest::newRow("to only") << "  -  -    "
                                 << "31-03-2008"
                                 << "AND DATAWPISU >= 0AND DATAWPISU <= 20080331";
        QTest::newRow("neither") << "  -  -    "
                                 << "  -  -    "
                                 << "AND DATAWPISU >= 0AND DATAWPISU <= 99999999";
        QTest::newRow("partly typed counts as empty")
            << "12-03-    "
            << "31-03-2008"
            << "AND DATAWPISU >= 0AND DATAWPISU <= 20080331";
        QTest::newRow("digits taken unchecked")
            << "99-99-2008"
            << ""
            << "AND DATAWPISU >= 20089999AND DATAWPISU <= 99999999";
    }

    void dateRangeFilter()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, line);
        QCOMPARE(DateRangeFilter(from, to), line);
    }

    void multiRunSwitch_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("no arguments") << QStringList{"rejestr"} << false;
        QTest::newRow("switch") << QStringList{"rejestr", "ENABLEMULTIRUN"} << true;
        QTest::newRow("lower case") << QStringList{"rejestr", "enablemultirun"} << false;
        QTest::newRow("second argument") << QStringList{"rejestr", "x", "ENABLEMULTIRUN"} << false;
        QTest::newRow("with more after") << QStringList{"rejestr", "ENABLEMULTIRUN", "x"} << true;
        QTest::newRow("part of a word") << QStringList{"rejestr", "ENABLEMULTIRUNX"} << false;
    }

    void multiRunSwitch()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, allowed);
        QCOMPARE(MultiRunAllowed(args), allowed);
    }

    void sessionFailureMessages()
    {
        const StartupFailure bde =
            SessionFailure(QStringLiteral("An error occurred while attempting to initialize the "
                                          "Borland Database Engine (error $2108)"),
                           QStringLiteral("-1"));
        QVERIFY(bde.text.startsWith(QStringLiteral(
            "Pojawił się problem z silnikiem Bazy Danych BDE. Spróbuj zainstalować silnik "
            "ponownie. "
            "W tym celu odszukaj w \"Menu Start\" w folderze Vorlanda opcji \"Reinstalacja Silnika "
            "Baz Danych BDE\". Oryginalny komunikat: An error")));
        QVERIFY(bde.logLine.startsWith(QLatin1String("[0000000391]  An error")));
        const StartupFailure other =
            SessionFailure(QStringLiteral("disk I/O error"), QStringLiteral("-1"));
        QCOMPARE(other.text,
                 QStringLiteral("Pojawił się nierozpoznany problem z Bazą Danych. Znaleziona "
                                "wersja BDE -1. Oryginalny komunikat: disk I/O error"));
        QCOMPARE(other.logLine, QStringLiteral("[0000000392]  disk I/O error"));
    }

    void secondInstanceIsRefusedUntilTheFirstEnds()
    {
        auto first = std::make_unique<SingleInstance>(QStringLiteral("ApplicationShuRejestrTARV"));
        QVERIFY(first->acquire());
        SingleInstance second(QStringLiteral("ApplicationShuRejestrTARV"));
        QVERIFY(!second.acquire());
        first.reset();
        QVERIFY(second.acquire());
    }

    // A copy that dies without cleaning up never blocks the next start.
    void aKilledHolderReleasesTheLock()
    {
        const QString flock = QStandardPaths::findExecutable(QStringLiteral("flock"));
        if (flock.isEmpty())
            QSKIP("the flock tool is not installed");
        SingleInstance probe(QStringLiteral("Zabity"));
        const QString path =
            QDir(QDir::tempPath()).filePath(QStringLiteral("Zabity-%1.lock").arg(::getuid()));
        QProcess holder;
        // -o: the lock stays with flock itself, not with the sleep it starts.
        holder.start(flock,
                     {QStringLiteral("-o"), path, QStringLiteral("sleep"), QStringLiteral("60")});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY(FileLock::isLocked(path));
        QVERIFY(!probe.acquire());
        holder.kill();
        holder.waitForFinished();
        // flock's child holds a copy of the descriptor until it closes it before running sleep;
        // on a busy machine that can come a moment after flock's death.
        QTRY_VERIFY(probe.acquire());
    }

    void runDirectory()
    {
        QTemporaryDir dir;
        const QString tmpFile = dir.filePath(QStringLiteral("tmpFile"));
        RunDirectory withoutTmpFile;
        QVERIFY(!withoutTmpFile.create(tmpFile, QStringLiteral("20080305140731")));
        QVERIFY(!QDir(tmpFile).exists()); // tmpFile itself is never created here

        QVERIFY(QDir().mkdir(tmpFile));
        RunDirectory run;
        QVERIFY(run.create(tmpFile, QStringLiteral("20080305140731")));
        QCOMPARE(run.path(), tmpFile + QStringLiteral("/20080305140731"));
        RunDirectory sameSecond;
        QVERIFY(!sameSecond.create(tmpFile, QStringLiteral("20080305140731")));
    }

    // At the end of a run: leftovers of dead runs go, a live copy's folder and plain files stay.
    void cleanUpSparesLiveRuns()
    {
        QTemporaryDir dir;
        const QString tmpFile = dir.filePath(QStringLiteral("tmpFile"));
        QVERIFY(QDir().mkdir(tmpFile));
        RunDirectory live;
        QVERIFY(live.create(tmpFile, QStringLiteral("20260101100000")));
        touch(live.path() + QStringLiteral("/etilqs_live"));
        RunDirectory own;
        QVERIFY(own.create(tmpFile, QStringLiteral("20260101110000")));
        touch(own.path() + QStringLiteral("/etilqs_own"));
        QVERIFY(QDir().mkdir(tmpFile + QStringLiteral("/20250101000000")));
        touch(tmpFile + QStringLiteral("/20250101000000/etilqs_dead"));
        touch(tmpFile + QStringLiteral("/20250101000000/run.lock"));
        QVERIFY(QDir().mkdir(tmpFile + QStringLiteral("/20240101000000")));
        touch(tmpFile + QStringLiteral("/plik.txt"));

        own.release();
        TFileOperations queue;
        TFileOperation op;
        SetUpDeleteOperation(op);
        QCOMPARE(int(op.Options().toInt()), 0x0395);
        CleanTmpFile(tmpFile, queue, op);

        QCOMPARE(QDir(tmpFile).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("20260101100000"), QStringLiteral("plik.txt")}));
        QVERIFY(QFile::exists(live.path() + QStringLiteral("/etilqs_live")));
        live.release();
        CleanTmpFile(tmpFile, queue, op);
        QCOMPARE(QDir(tmpFile).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("plik.txt")});
    }

    // A link inside tmpFile to a folder elsewhere is left alone, and so is what it points to.
    void cleanUpNeverFollowsLinks()
    {
        QTemporaryDir dir;
        const QString tmpFile = dir.filePath(QStringLiteral("tmpFile"));
        const QString elsewhere = dir.filePath(QStringLiteral("Dokumenty"));
        QVERIFY(QDir().mkdir(tmpFile));
        QVERIFY(QDir().mkdir(elsewhere));
        touch(elsewhere + QStringLiteral("/umowa.odt"));
        QVERIFY(QFile::link(elsewhere, tmpFile + QStringLiteral("/20250101000000")));

        TFileOperations queue;
        TFileOperation op;
        SetUpDeleteOperation(op);
        CleanTmpFile(tmpFile, queue, op);
        QVERIFY(QFile::exists(elsewhere + QStringLiteral("/umowa.odt")));
        QVERIFY(QFileInfo(tmpFile + QStringLiteral("/20250101000000")).isSymLink());
    }

    void cleanUpWithoutTmpFileDoesNothing()
    {
        QTemporaryDir dir;
        TFileOperations queue;
        TFileOperation op;
        SetUpDeleteOperation(op);
        CleanTmpFile(dir.filePath(QStringLiteral("tmpFile")), queue, op);
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
