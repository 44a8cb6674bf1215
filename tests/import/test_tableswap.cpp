#include "support/CutProcess.h"
#include "support/TempProgramDir.h"

#include "data/TableSwap.h"
#include "data/uDM.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/SqliteHandles.h"
#include "tools/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

void WriteMarker(const QString& db, const QByteArray& text)
{
    QFile f(QDir(db).filePath(QLatin1String(kSwapMarker)));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QString Names(const QString& db)
{
    return QDir(db).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u' ');
}

const QByteArray kJournalMagic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);

// A writer of the taxpayer table killed half-way through a change of every row. Once its changes
// have spilled into the file the journal it leaves is hot; before that its header is still zero.
void KillWriterMidway(const QString& file, bool spill)
{
    QVERIFY(RunInChild([&] {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(file).constData(), &db);
        sqlite3_exec(db,
                     "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i+1 FROM n WHERE i<300) "
                     "INSERT INTO kontrahenci(ID,UWAGI) SELECT i, hex(zeroblob(500)) FROM n",
                     nullptr, nullptr, nullptr);
        sqlite3_exec(db, spill ? "PRAGMA cache_size=10" : "PRAGMA cache_size=10000", nullptr,
                     nullptr, nullptr);
        sqlite3_exec(db, "BEGIN; UPDATE kontrahenci SET NAZWA='Zmieniona', UWAGI=UWAGI||'x'",
                     nullptr, nullptr, nullptr);
        CutHere();
    }));
}

} // namespace

// A restore or import that a power cut stopped half-way is undone at the next start, whatever
// step it had reached; a decided swap is left alone.
class TestTableSwap : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempProgramDir> m_dir;
    QString m_db;

    QString db(const QString& name) const { return QDir(m_db).filePath(name); }
    QString name(const QString& table) const
    {
        return m_dir->sql(table, QStringLiteral("SELECT group_concat(NAZWA) FROM kontrahenci"));
    }
    // A table file holding one taxpayer of that name, made beside the live ones.
    QString tableCopy(const QString& file, const QString& taxpayer)
    {
        QFile::copy(db(QStringLiteral("kontrahenci.DB")), db(file));
        m_dir->sql(file, QStringLiteral("DELETE FROM kontrahenci"));
        m_dir->sql(
            file,
            QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES (1,'%1')").arg(taxpayer));
        return db(file);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TempProgramDir>();
        QVERIFY(m_dir->isValid());
        m_db = m_dir->filePath(QStringLiteral("db"));
        m_dir->sql(QStringLiteral("kontrahenci.DB"),
                   QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES (1,'Stara')"));
    }
    void cleanup() { m_dir.reset(); }

    // Cut after the first table was swapped and the second moved aside: both come back.
    void cutHalfWayIsUndone()
    {
        const QString live = db(QStringLiteral("kontrahenci.DB"));
        const QString rejestr = db(QStringLiteral("rejestr.DB"));
        const QString staged = tableCopy(QStringLiteral("nowa.tmp"), QStringLiteral("Nowa"));
        QVERIFY(QFile::rename(live, live + QStringLiteral(".old")));
        QVERIFY(QFile::rename(staged, live));
        QVERIFY(QFile::rename(rejestr, rejestr + QStringLiteral(".old")));
        WriteMarker(m_db, "kontrahenci.DB\t1\nrejestr.DB\t1\n");

        QVERIFY(FinishInterruptedSwap(m_db));
        QCOMPARE(Names(m_db), QStringLiteral("kontrahenci.DB rejestr.DB"));
        QCOMPARE(name(QStringLiteral("kontrahenci.DB")), QStringLiteral("Stara"));
        QVERIFY(!FinishInterruptedSwap(m_db));
    }

    // A table that had no file before the swap loses the one the swap placed; a marker's name
    // never reaches outside the folder.
    void placedWithoutPredecessorIsRemoved()
    {
        tableCopy(QStringLiteral("extra.DB"), QStringLiteral("Nowa"));
        QFile outside(m_dir->filePath(QStringLiteral("poza.DB")));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.close();
        WriteMarker(m_db, "extra.DB\t0\n../poza.DB\t0\n");
        QVERIFY(FinishInterruptedSwap(m_db));
        QCOMPARE(Names(m_db), QStringLiteral("kontrahenci.DB rejestr.DB"));
        QVERIFY(outside.exists());
    }

    // Without a marker the swap was decided: leftovers of it stay as they are.
    void decidedSwapIsLeftAlone()
    {
        tableCopy(QStringLiteral("kontrahenci.DB.old"), QStringLiteral("Nowa"));
        QVERIFY(!FinishInterruptedSwap(m_db));
        QCOMPARE(name(QStringLiteral("kontrahenci.DB")), QStringLiteral("Stara"));
        QVERIFY(QFile::exists(db(QStringLiteral("kontrahenci.DB.old"))));
    }

    // The installer, run before every start, puts the table back rather than making it empty;
    // the data module undoes a cut swap before it opens the tables.
    void startUpUndoesACutSwap()
    {
        const QString live = db(QStringLiteral("kontrahenci.DB"));
        QVERIFY(QFile::rename(live, live + QStringLiteral(".old")));
        WriteMarker(m_db, "kontrahenci.DB\t1\n");
        QVERIFY(InstallProgramDir(m_dir->path(), QString()).ok);
        QCOMPARE(name(QStringLiteral("kontrahenci.DB")), QStringLiteral("Stara"));

        const QString staged = tableCopy(QStringLiteral("nowa.tmp"), QStringLiteral("Nowa"));
        QVERIFY(QFile::rename(live, live + QStringLiteral(".old")));
        QVERIFY(QFile::rename(staged, live));
        WriteMarker(m_db, "kontrahenci.DB\t1\n");
        TmyDataBase dm;
        dm.DMCreate();
        QCOMPARE(dm.DBFKontrahenci.asText(QStringLiteral("NAZWA")), QStringLiteral("Stara"));
        QVERIFY(!QFile::exists(QDir(m_db).filePath(QLatin1String(kSwapMarker))));
    }

    // A swap of both tables cut by a kill at any of its steps, with the start after it, leaves
    // either the tables it replaced or the ones it brought, and never what an earlier swap left.
    void aCutSwapLeavesOneWholeState()
    {
        const QString k = QStringLiteral("kontrahenci.DB"), r = QStringLiteral("rejestr.DB");
        QVERIFY(QFile::remove(db(r))); // both files hold a taxpayer table: the swap never looks
        tableCopy(r, QStringLiteral("Stara"));
        for (const QString& t : {k, r}) {
            tableCopy(t + QStringLiteral(".old"), QStringLiteral("Przestarzała"));
            tableCopy(t + QStringLiteral(".new"), QStringLiteral("Nowa"));
        }
        QTemporaryDir saved;
        const QStringList files = QDir(m_db).entryList(QDir::Files);
        for (const QString& f : files)
            QVERIFY(QFile::copy(db(f), saved.filePath(f)));
        bool cutShort = true;
        int cut = 0;
        while (cutShort) {
            ++cut;
            for (const QString& f : QDir(m_db).entryList(QDir::Files | QDir::Hidden))
                QVERIFY(QFile::remove(db(f)));
            for (const QString& f : files)
                QVERIFY(QFile::copy(saved.filePath(f), db(f)));
            cutShort = RunInChild([&] {
                int steps = 0;
                SetSwapStepHook([&] {
                    if (++steps == cut)
                        CutHere();
                });
                SwapInTables(nullptr, {{db(k), db(k + QStringLiteral(".new"))},
                                       {db(r), db(r + QStringLiteral(".new"))}});
            });
            FinishInterruptedSwap(m_db);
            const QString now = name(k) + u'/' + name(r);
            QVERIFY2(now == u"Stara/Stara" || now == u"Nowa/Nowa",
                     qPrintable(QStringLiteral("cut at step %1: %2").arg(cut).arg(now)));
        }
        QVERIFY(cut > 1);
        QCOMPARE(Names(m_db), QStringLiteral("kontrahenci.DB rejestr.DB"));
    }

    void journalBesideTheLiveTable_data()
    {
        QTest::addColumn<bool>("hot");
        QTest::addColumn<bool>("swapFails");
        QTest::newRow("cold journal, swap done") << false << false;
        QTest::newRow("cold journal, swap undone") << false << true;
        QTest::newRow("hot journal, swap done") << true << false;
        QTest::newRow("hot journal, swap undone") << true << true;
    }

    // A journal SQLite never plays, or a hot one, beside the live table stops no swap; the hot one
    // goes back into the file it belongs to, never into the new one.
    void journalBesideTheLiveTable()
    {
        QFETCH(bool, hot);
        QFETCH(bool, swapFails);
        const QString live = db(QStringLiteral("kontrahenci.DB"));
        const QString staged =
            tableCopy(QStringLiteral("kontrahenci.DB.new"), QStringLiteral("Nowa"));
        KillWriterMidway(live, hot);
        QFile journal(live + QStringLiteral("-journal"));
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QCOMPARE(journal.read(8) == kJournalMagic, hot);
        journal.close();
        SetSwapStepHook([&] { // the staged file vanishes once the live one is moved aside
            if (swapFails && !QFile::exists(live))
                QFile::remove(staged);
        });
        QString why;
        const bool swapped = SwapInTables(nullptr, {{live, staged}}, &why);
        SetSwapStepHook({});
        QVERIFY2(swapped != swapFails, qPrintable(why));
        QVERIFY(!journal.exists());
        QCOMPARE(name(QStringLiteral("kontrahenci.DB")),
                 swapFails ? QStringLiteral("Stara") : QStringLiteral("Nowa"));
    }

    // The journal of a write another copy is making now is not hot: the swap waits, then gives up
    // with the locked-files message and leaves that write alone.
    void aWriterAtWorkRefusesTheSwap()
    {
        const QString live = db(QStringLiteral("kontrahenci.DB"));
        sqlite3* raw = nullptr;
        sqlite3_open(QFile::encodeName(live).constData(), &raw);
        SqliteConnectionPtr writer(raw);
        sqlite3_exec(raw, "BEGIN; UPDATE kontrahenci SET NAZWA='Zapisana'", nullptr, nullptr,
                     nullptr);
        QString why;
        QVERIFY(!SwapInTables(
            nullptr, {{live, tableCopy(QStringLiteral("nowa.tmp"), QStringLiteral("Nowa"))}},
            &why));
        QVERIFY2(why.startsWith(QStringLiteral("Pliki bazy danych są zablokowane")),
                 qPrintable(why));
        QCOMPARE(sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        QCOMPARE(name(QStringLiteral("kontrahenci.DB")), QStringLiteral("Zapisana"));
    }

    // A swap that completes leaves no marker and no earlier files.
    void completedSwapLeavesNothingBehind()
    {
        const QString staged =
            tableCopy(QStringLiteral("kontrahenci.DB.new"), QStringLiteral("Nowa"));
        TmyDataBase dm;
        dm.DMCreate();
        QString why;
        QVERIFY2(SwapInTables(&dm, {{db(QStringLiteral("kontrahenci.DB")), staged}}, &why),
                 qPrintable(why));
        QCOMPARE(Names(m_db), QStringLiteral("kontrahenci.DB rejestr.DB"));
        QCOMPARE(dm.DBFKontrahenci.asText(QStringLiteral("NAZWA")), QStringLiteral("Nowa"));
    }

    // Tables that could not be opened are what a restore is for: the data module starts on the
    // new ones instead of staying without a connection.
    void swapStartsADataModuleThatCouldNotConnect()
    {
        const QString staged =
            tableCopy(QStringLiteral("kontrahenci.DB.new"), QStringLiteral("Nowa"));
        QFile damaged(db(QStringLiteral("kontrahenci.DB")));
        QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(QByteArray(4096, 'x'));
        damaged.close();
        TmyDataBase dm;
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, dm.DMCreate());
        QVERIFY(!dm.DatabaseMain.isConnected());
        QString why;
        QVERIFY2(SwapInTables(&dm, {{db(QStringLiteral("kontrahenci.DB")), staged}}, &why),
                 qPrintable(why));
        QVERIFY(dm.DatabaseMain.isConnected());
        QCOMPARE(dm.DBFKontrahenci.asText(QStringLiteral("NAZWA")), QStringLiteral("Nowa"));
    }
};

QTEST_GUILESS_MAIN(TestTableSwap)
#include "test_tableswap.moc"
