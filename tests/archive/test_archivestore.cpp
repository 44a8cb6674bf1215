#include "ArchiveTestData.h"
#include "support/StoppingProgress.h"
#include "support/TempProgramDir.h"

#include "archive/ArchiveSet.h"
#include "archive/uArchiveDescription.h"
#include "archive/uArchiveStore.h"
#include "data/TableSwap.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/PgConnection.h"
#include "dbengine/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kTables{QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")};
const QStringList kSet = QStringList{QStringLiteral("archiwum.bak")} + kTables;

QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

void Corrupt(const QString& file, qint64 at, const QByteArray& bytes)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(at));
    QCOMPARE(f.write(bytes), bytes.size());
}

// What a damaged or foreign archived rejestr.DB looks like.
enum class Damage
{
    Garbage,
    Empty,
    Missing,
    Truncated,
    BrokenPage,
    OtherColumns,
    ExtraTable,
    Trigger,
    PendingJournal
};

void Apply(Damage damage, const QString& file)
{
    switch (damage) {
    case Damage::Garbage: {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(8192, 'x'));
        break;
    }
    case Damage::Empty:
        QVERIFY(QFile(file).resize(0));
        break;
    case Damage::Missing:
        QVERIFY(QFile::remove(file));
        break;
    case Damage::Truncated:
        QVERIFY(QFile(file).resize(QFileInfo(file).size() / 2));
        break;
    case Damage::BrokenPage:
        Corrupt(file, 4096 * 4 + 100, QByteArray(1000, '\xff'));
        break;
    case Damage::OtherColumns:
        QVERIFY(RunSql(file, QStringLiteral("ALTER TABLE rejestr DROP COLUMN UWAGI")));
        break;
    case Damage::ExtraTable:
        QVERIFY(RunSql(file, QStringLiteral("CREATE TABLE kontrahenci(ID INTEGER)")));
        break;
    case Damage::Trigger:
        QVERIFY(RunSql(file, QStringLiteral("CREATE TRIGGER t AFTER INSERT ON rejestr BEGIN "
                                            "DELETE FROM rejestr; END")));
        break;
    case Damage::PendingJournal: {
        QFile f(file + QStringLiteral("-journal"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(512, 'j'));
        break;
    }
    }
}

// Thrown by the step hook where the program is to die.
struct Crash
{
};

void CrashAt(int step)
{
    SetArchiveStepHook([step, n = 0](const QString&) mutable {
        if (n++ == step)
            throw Crash();
    });
}

// The set in dir as one text (both tables and the description's name); empty when dir is.
QString SetIn(const QString& dir)
{
    if (Entries(dir).isEmpty())
        return QString();
    return DumpTable(dir + QStringLiteral("/kontrahenci.DB")) +
           DumpTable(dir + QStringLiteral("/rejestr.DB")) +
           ReadDescription(dir + QStringLiteral("/archiwum.bak")).Nazwa;
}

// Makes dir hold exactly what from holds.
void LayOut(const QString& from, const QString& dir)
{
    QVERIFY(QDir(dir).removeRecursively() && QDir().mkpath(dir));
    for (const QString& name : Entries(from))
        QVERIFY(QFile::copy(from + u'/' + name, dir + u'/' + name));
}

} // namespace

class TestArchiveStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempProgramDir> m_program;
    std::unique_ptr<TmyDataBase> m_dm;
    std::unique_ptr<QTemporaryDir> m_place;

    QString live(const QString& table) const
    {
        return m_program->filePath(QStringLiteral("db/") + table);
    }
    QString liveDump(const QString& table) const { return DumpLive(*m_program, table); }
    QString archived(const QString& table) const { return m_place->filePath(table); }
    static bool make(const QString& dir, const QString& name = QStringLiteral("a"))
    {
        return CreateArchive(nullptr, dir, {name, EmptyDateText}) == CreateOutcome::Created;
    }
    // Through the data module's own connection, as the archive window makes it.
    CreateOutcome makeFromProgram(QString* why, Progress* progress = nullptr)
    {
        const ArchiveDescription description{QStringLiteral("b"), EmptyDateText};
        Database& db = m_dm->DatabaseMain;
        return m_program->onServer()
                   ? CreateArchiveFromServer(db.serverConnection(), m_place->path(), description,
                                             why, progress)
                   : CreateArchive(db.handle(), m_place->path(), description, why, progress);
    }

private Q_SLOTS:
    void init()
    {
        m_program = std::make_unique<TempProgramDir>();
        QVERIFY(m_program->isValid());
        FillData(*m_program, 1, 2000);
        m_dm = std::make_unique<TmyDataBase>();
        m_dm->DMCreate();
        m_place = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        m_dm.reset();
        m_program.reset();
        m_place.reset();
    }

    void paths_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("path");
        QTest::newRow("root") << StripTrailingBackslash(QStringLiteral("/")) << "/archiwum.bak";
        QTest::newRow("drive") << StripTrailingBackslash(QStringLiteral("C:\\"))
                               << "C:/archiwum.bak";
        QTest::newRow("folder") << QStringLiteral("/home/a") << "/home/a/archiwum.bak";
        QTest::newRow("trailing") << QStringLiteral("/home/a/") << "/home/a/archiwum.bak";
    }
    void paths()
    {
        QFETCH(QString, dir);
        QFETCH(QString, path);
        QCOMPARE(ArchiveFilePath(dir, QStringLiteral("archiwum.bak")), path);
    }

    void dataDirectoryRecognised()
    {
        const QString db = m_program->filePath(QStringLiteral("db"));
        QVERIFY(QFile::link(db, m_place->filePath(QStringLiteral("link"))));
        QVERIFY(IsDataDirectory(db));
        QVERIFY(IsDataDirectory(db + QStringLiteral("/")));
        QVERIFY(IsDataDirectory(db + QStringLiteral("/../db")));
        QVERIFY(IsDataDirectory(m_place->filePath(QStringLiteral("link"))));
        QVERIFY(!IsDataDirectory(m_program->path()));
        QVERIFY(!IsDataDirectory(m_place->path()));
        QVERIFY(!IsDataDirectory(db + QStringLiteral("/missing")));

        // Nothing is made in or taken from it.
        const QString before = liveDump(kTables[1]);
        QCOMPARE(CreateArchive(nullptr, db, {}), CreateOutcome::Failed);
        QCOMPARE(RestoreArchive(m_dm.get(), db), RestoreOutcome::Refused);
        QCOMPARE(Entries(db), kTables);
        QCOMPARE(liveDump(kTables[1]), before);
    }

    // From the program's connection with a view open in mid-read.
    void createCopiesBothTables()
    {
        m_dm->SetRejestrTaxpayer(1);
        m_dm->RefreshRejestr();
        QVERIFY(!m_dm->DBFRejestr.rowCountKnown());
        QString why;
        QVERIFY2(makeFromProgram(&why) == CreateOutcome::Created, qPrintable(why));
        QCOMPARE(Entries(m_place->path()), kSet);
        for (const QString& t : kTables)
            QCOMPARE(DumpTable(archived(t)), liveDump(t));
        // The connection is left as it was: no transaction, writes go through.
        QVERIFY(m_program->onServer() ? !m_dm->DatabaseMain.serverConnection().inTransaction()
                                      : bool(sqlite3_get_autocommit(m_dm->DatabaseMain.handle())));
        QVERIFY(m_dm->DeleteRejestr(1, 2));
    }

    void createReplacesOnlyWhenBothCopiesSucceed()
    {
        QVERIFY(make(m_place->path()));
        const QString before = DumpTable(archived(kTables[0]));
        FillData(*m_program, 2);
        // The second copy cannot be written.
        QVERIFY(
            QDir().mkpath(StagedArchiveFile(m_place->path(), kTables[1]) + QStringLiteral("/x")));
        QVERIFY(!make(m_place->path()));
        QCOMPARE(DumpTable(archived(kTables[0])), before);
        QVERIFY(!QFile::exists(StagedArchiveFile(m_place->path(), kTables[0])));
    }

    // The description cannot take its place: the tables stay the earlier ones too, so the archive
    // never holds a pair of two different days.
    void createKeepsTheEarlierPairWhenPlacingFails()
    {
        QVERIFY(make(m_place->path()));
        const QString before = DumpTable(archived(kTables[0])) + DumpTable(archived(kTables[1]));
        FillData(*m_program, 2);
        QVERIFY(QFile::remove(archived(QStringLiteral("archiwum.bak"))));
        QVERIFY(QDir().mkpath(archived(QStringLiteral("archiwum.bak/x"))));
        QString why;
        QCOMPARE(CreateArchive(nullptr, m_place->path(), {}, &why), CreateOutcome::Failed);
        QVERIFY(!why.isEmpty());
        QCOMPARE(DumpTable(archived(kTables[0])) + DumpTable(archived(kTables[1])), before);
        QCOMPARE(Entries(m_place->path()), kSet);
    }

    // A crash before any step of a replacement, and in one row again before any step of the
    // repair: the next operation finds the whole old set or the whole new one, nothing else.
    void interruptedReplacementLeavesAWholeSet_data()
    {
        QTest::addColumn<bool>("earlier");
        QTest::addColumn<QString>("next");
        QTest::newRow("replacing, then the listing") << true << "listing";
        QTest::newRow("replacing, then a restore") << true << "restore";
        QTest::newRow("replacing, the repair cut too") << true << "cut";
        QTest::newRow("first archive, then the listing") << false << "listing";
    }
    void interruptedReplacementLeavesAWholeSet()
    {
        QFETCH(bool, earlier);
        QFETCH(QString, next);
        const QString dir = m_place->path();
        QTemporaryDir before, after, cut;
        QVERIFY(!earlier || make(before.path(), QStringLiteral("stare")));
        FillData(*m_program, 2);
        QStringList steps;
        SetArchiveStepHook([&steps](const QString& step) { steps << step; });
        QVERIFY(make(after.path(), QStringLiteral("nowe")));
        const QStringList whole{SetIn(before.path()), SetIn(after.path())};
        const auto check = [&](const QString& where) {
            QVERIFY(FinishInterruptedArchive(dir));
            QVERIFY2(whole.contains(SetIn(dir)), qPrintable(where));
            QCOMPARE(Entries(dir), SetIn(dir).isEmpty() ? QStringList() : kSet);
        };
        for (int at = 0; at < steps.size(); ++at) {
            LayOut(before.path(), dir);
            CrashAt(at);
            QVERIFY_THROWS_EXCEPTION(Crash, make(dir, QStringLiteral("nowe")));
            LayOut(dir, cut.path());
            for (int again = 0; next == u"cut"; ++again) {
                LayOut(cut.path(), dir);
                CrashAt(again);
                try {
                    FinishInterruptedArchive(dir);
                    break;
                } catch (const Crash&) {
                }
                SetArchiveStepHook({});
                check(steps[at] + QStringLiteral(", repair cut at %1").arg(again));
            }
            SetArchiveStepHook({});
            if (next == u"restore") {
                QCOMPARE(RestoreArchive(m_dm.get(), dir), RestoreOutcome::Restored);
                QCOMPARE(liveDump(kTables[0]) + liveDump(kTables[1]),
                         DumpTable(archived(kTables[0])) + DumpTable(archived(kTables[1])));
                FillData(*m_program, 2);
            }
            check(steps[at]);
        }
    }

    // Cut archives of earlier builds (copies under ".tmp-PID", predecessors set aside under
    // ".old-PID"): the pair whole before or after, and nothing else of theirs.
    void earlierBuildLeftoversAreCleared_data()
    {
        QTest::addColumn<QString>("files"); // name=the archive it is a copy from
        QTest::addColumn<QString>("left");
        QTest::newRow("copies not placed")
            << "kontrahenci.DB=1 rejestr.DB=1 kontrahenci.DB.tmp-71=2 rejestr.DB.tmp-71-journal=2"
            << "1";
        QTest::newRow("first set aside")
            << "kontrahenci.DB.old-71=1 rejestr.DB=1 kontrahenci.DB.tmp-71=2 rejestr.DB.tmp-71=2"
            << "1";
        QTest::newRow("first placed, second set aside")
            << "kontrahenci.DB=2 kontrahenci.DB.old-71=1 rejestr.DB.old-71=1 rejestr.DB.tmp-71=2"
            << "1";
        QTest::newRow("both placed") << "kontrahenci.DB=2 rejestr.DB=2 rejestr.DB.old-71=1"
                                     << "2";
    }
    void earlierBuildLeftoversAreCleared()
    {
        QFETCH(QString, files);
        QFETCH(QString, left);
        QTemporaryDir one, two;
        QVERIFY(make(one.path()));
        FillData(*m_program, 2);
        QVERIFY(make(two.path()));
        for (const QString& file : files.split(u' ')) {
            const QString name = file.section(u'=', 0, 0);
            QVERIFY(
                QFile::copy((file.endsWith(u'1') ? one : two).filePath(name.section(u'.', 0, 1)),
                            archived(name)));
        }
        QVERIFY(FinishInterruptedArchive(m_place->path()));
        QCOMPARE(Entries(m_place->path()), kTables);
        for (const QString& t : kTables)
            QCOMPARE(DumpTable(archived(t)), DumpTable((left == u"1" ? one : two).filePath(t)));
    }

    // A writer that has put uncommitted pages into the file (or rows on the server): the copy
    // must not show them. The server's copy never waits for the writer.
    void createNeverCopiesHalfDoneWrite()
    {
        const QString committed = liveDump(kTables[1]);
        sqlite3* raw = nullptr;
        SqliteConnectionPtr writer;
        PgConnection serverWriter;
        if (m_program->onServer()) {
            serverWriter.open(m_program->server());
            serverWriter.exec("BEGIN");
            serverWriter.exec("UPDATE rejestr SET UWAGI=md5(random()::text)");
        } else {
            sqlite3_open_v2(QFile::encodeName(live(kTables[1])).constData(), &raw,
                            SQLITE_OPEN_READWRITE, nullptr);
            writer.reset(raw);
            QCOMPARE(sqlite3_exec(raw,
                                  "PRAGMA cache_size=5; BEGIN; UPDATE rejestr SET "
                                  "UWAGI=hex(randomblob(60));",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            // The writer really spilled into the file: it holds the exclusive lock.
            QVERIFY(liveDump(kTables[1]).startsWith(QStringLiteral("ERROR")));
        }

        const bool made = make(m_place->path());
        if (m_program->onServer())
            serverWriter.exec("ROLLBACK");
        else
            sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
        QVERIFY(made || !m_program->onServer());
        if (made)
            QCOMPARE(DumpTable(archived(kTables[1])), committed);
        else
            QCOMPARE(Entries(m_place->path()), QStringList());
    }

    void stageRefusesDamagedFiles_data()
    {
        QTest::addColumn<Damage>("damage");
        QTest::newRow("garbage") << Damage::Garbage;
        QTest::newRow("empty") << Damage::Empty;
        QTest::newRow("missing") << Damage::Missing;
        QTest::newRow("truncated") << Damage::Truncated;
        QTest::newRow("broken page") << Damage::BrokenPage;
        QTest::newRow("other columns") << Damage::OtherColumns;
        QTest::newRow("extra table") << Damage::ExtraTable;
        QTest::newRow("trigger") << Damage::Trigger;
        QTest::newRow("pending journal") << Damage::PendingJournal;
    }
    void stageRefusesDamagedFiles()
    {
        QFETCH(Damage, damage);
        QVERIFY(make(m_place->path()));
        const QString staged = m_place->filePath(QStringLiteral("rejestr.staged"));
        QVERIFY(StageArchivedTable(archived(kTables[1]), staged));
        QCOMPARE(DumpTable(staged), liveDump(kTables[1]));

        Apply(damage, archived(kTables[1]));
        QString why;
        QVERIFY(!StageArchivedTable(archived(kTables[1]), staged, &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(!QFile::exists(staged));

        // Restoring from it closes nothing.
        QCOMPARE(RestoreArchive(m_dm.get(), m_place->path()), RestoreOutcome::Refused);
        QVERIFY(m_dm->DBFKontrahenci.isOpen());
    }

    // The second swap fails after the first was done: both files go back.
    // "Anuluj" at any point before the swap: the archive folder and the live tables are as they
    // were, and nothing staged is left behind.
    void stoppedWorkLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<bool>("restore");
        QTest::addColumn<int>("stopAt");
        QTest::newRow("create, while copying") << false << 1;
        QTest::newRow("create, at the second table") << false << 2;
        QTest::newRow("restore, before the swap") << true << 1;
    }

    void stoppedWorkLeavesEverythingAsItWas()
    {
        QFETCH(bool, restore);
        QFETCH(int, stopAt);
        QVERIFY(make(m_place->path()));
        FillData(*m_program, 2, 30);
        const QString archivedBefore = DumpTable(archived(kTables[1]));
        const QString liveBefore = liveDump(kTables[1]);
        StoppingProgress progress(stopAt);
        QString why = QStringLiteral("<untouched>");
        if (restore)
            QCOMPARE(RestoreArchive(m_dm.get(), m_place->path(), &why, nullptr, &progress),
                     RestoreOutcome::Refused);
        else
            QCOMPARE(makeFromProgram(&why, &progress), CreateOutcome::Failed);
        QVERIFY(progress.cancelled());
        QCOMPARE(why, QString());
        QCOMPARE(DumpTable(archived(kTables[1])), archivedBefore);
        QCOMPARE(liveDump(kTables[1]), liveBefore);
        QCOMPARE(Entries(m_place->path()), kSet);
        QCOMPARE(Entries(m_program->filePath(QStringLiteral("db"))), kTables);
        QVERIFY(m_dm->DatabaseMain.isConnected());
    }

    void restoreRollsBackWhenSwapFails()
    {
        QVERIFY(make(m_place->path()));
        FillData(*m_program, 2, 30);
        const QString k = liveDump(kTables[0]);
        const QString r = liveDump(kTables[1]);
        // The second staged file vanishes once the first is in place; on the server the second
        // table refuses the rows once the first holds the archive's.
        const QString first = live(kTables[0]) + QStringLiteral(".new");
        const QString second = live(kTables[1]) + QStringLiteral(".new");
        if (m_program->onServer()) {
            QCOMPARE(m_program->sql(kTables[1],
                                    QStringLiteral("CREATE FUNCTION odmowa() RETURNS trigger "
                                                   "LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
                                                   "'zapis zablokowany'; END $$")),
                     QString());
            QCOMPARE(
                m_program->sql(kTables[1], QStringLiteral("CREATE TRIGGER odmowa BEFORE INSERT ON "
                                                          "rejestr EXECUTE FUNCTION odmowa()")),
                QString());
        }
        SetSwapStepHook([&] {
            if (!QFile::exists(first))
                QFile::remove(second);
        });
        QString why;
        const RestoreOutcome outcome = RestoreArchive(m_dm.get(), m_place->path(), &why);
        SetSwapStepHook({});
        QCOMPARE(outcome, RestoreOutcome::Failed);
        QVERIFY(!why.isEmpty());
        QCOMPARE(liveDump(kTables[0]), k);
        QCOMPARE(liveDump(kTables[1]), r);
        QCOMPARE(Entries(m_program->filePath(QStringLiteral("db"))), kTables);
        QVERIFY(m_dm->DatabaseMain.isConnected());
        QVERIFY(
            m_dm->DBFKontrahenci.asText(QStringLiteral("NAZWA")).endsWith(QStringLiteral(" 2")));
    }

    // An archive on a read-only medium: the restored live tables can be written again.
    void restoreFromReadOnlyArchiveLeavesWritableTables()
    {
        QVERIFY(make(m_place->path()));
        for (const QString& t : kTables)
            QVERIFY(QFile::setPermissions(archived(t),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QString why;
        QCOMPARE(RestoreArchive(m_dm.get(), m_place->path(), &why), RestoreOutcome::Restored);
        for (const QString& t : kTables)
            QVERIFY2(m_program->onServer() || QFileInfo(live(t)).permissions() & QFile::WriteOwner,
                     qPrintable(t));
        QVERIFY(m_dm->InsertKontrahent(
            {QStringLiteral("999999"), {}, QStringLiteral("Nowy"), {}, {}, {}, {}, {}, {}}));
    }
};

QTEST_GUILESS_MAIN(TestArchiveStore)
#include "test_archivestore.moc"
