#include "ArchiveTestData.h"
#include "support/TempProgramDir.h"

#include "archive/uArchiveStore.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kTables{QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")};

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
    QString archived(const QString& table) const { return m_place->filePath(table); }

private Q_SLOTS:
    void init()
    {
        m_program = std::make_unique<TempProgramDir>();
        QVERIFY(m_program->isValid());
        FillData(m_program->path(), 1, 2000);
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
        const QString before = DumpTable(live(kTables[1]));
        QVERIFY(!CreateArchiveTables(nullptr, db));
        QCOMPARE(RestoreArchive(m_dm.get(), db), RestoreOutcome::Refused);
        QCOMPARE(Entries(db), kTables);
        QCOMPARE(DumpTable(live(kTables[1])), before);
    }

    // From the program's connection with a view open in mid-read.
    void createCopiesBothTables()
    {
        m_dm->rejestrTaxpayerFilter = QStringLiteral("AND IDKONTRAHENTA=1");
        m_dm->RefreshRejestr();
        QVERIFY(!m_dm->DBFRejestr.allFetched());
        sqlite3* liveDb = m_dm->DatabaseMain.handle();
        QString why;
        QVERIFY2(CreateArchiveTables(liveDb, m_place->path(), &why), qPrintable(why));
        QCOMPARE(Entries(m_place->path()), kTables);
        for (const QString& t : kTables)
            QCOMPARE(DumpTable(archived(t)), DumpTable(live(t)));
        // The connection is left as it was: no transaction, writes go through.
        QVERIFY(sqlite3_get_autocommit(m_dm->DatabaseMain.handle()));
        QVERIFY(m_dm->DeleteRejestr(1, 2));
    }

    void createReplacesOnlyWhenBothCopiesSucceed()
    {
        QVERIFY(CreateArchiveTables(nullptr, m_place->path()));
        const QString before = DumpTable(archived(kTables[0]));
        FillData(m_program->path(), 2);
        // The second copy cannot be written.
        QVERIFY(QDir().mkpath(archived(kTables[1]) +
                              QStringLiteral(".tmp-%1/x").arg(QCoreApplication::applicationPid())));
        QVERIFY(!CreateArchiveTables(nullptr, m_place->path()));
        QCOMPARE(DumpTable(archived(kTables[0])), before);
        QVERIFY(!QFile::exists(archived(kTables[0]) +
                               QStringLiteral(".tmp-%1").arg(QCoreApplication::applicationPid())));
    }

    // The second table cannot be put in place: the first goes back to its earlier copy, so the
    // archive never holds a pair of two different days.
    void createKeepsTheEarlierPairWhenPlacingFails()
    {
        QVERIFY(CreateArchiveTables(nullptr, m_place->path()));
        const QString before = DumpTable(archived(kTables[0])) + DumpTable(archived(kTables[1]));
        FillData(m_program->path(), 2);
        QVERIFY(QDir().mkpath(archived(kTables[1]) +
                              QStringLiteral(".old-%1/x").arg(QCoreApplication::applicationPid())));
        QString why;
        QVERIFY(!CreateArchiveTables(nullptr, m_place->path(), &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(DumpTable(archived(kTables[0])) + DumpTable(archived(kTables[1])), before);
    }

    // A writer that has put uncommitted pages into the file: the copy must not show them.
    void createNeverCopiesHalfDoneWrite()
    {
        sqlite3* raw = nullptr;
        sqlite3_open_v2(QFile::encodeName(live(kTables[1])).constData(), &raw,
                        SQLITE_OPEN_READWRITE, nullptr);
        SqliteConnectionPtr writer(raw);
        const QString committed = DumpTable(live(kTables[1]));
        QCOMPARE(sqlite3_exec(
                     raw,
                     "PRAGMA cache_size=5; BEGIN; UPDATE rejestr SET UWAGI=hex(randomblob(60));",
                     nullptr, nullptr, nullptr),
                 SQLITE_OK);
        // The writer really spilled into the file: it holds the exclusive lock.
        QVERIFY(DumpTable(live(kTables[1])).startsWith(QStringLiteral("ERROR")));

        const bool made = CreateArchiveTables(nullptr, m_place->path());
        sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
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
        QVERIFY(CreateArchiveTables(nullptr, m_place->path()));
        const QString staged = m_place->filePath(QStringLiteral("rejestr.staged"));
        QVERIFY(StageArchivedTable(archived(kTables[1]), staged));
        QCOMPARE(DumpTable(staged), DumpTable(live(kTables[1])));

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
    void restoreRollsBackWhenSwapFails()
    {
        QVERIFY(CreateArchiveTables(nullptr, m_place->path()));
        FillData(m_program->path(), 2, 30);
        const QString k = DumpTable(live(kTables[0]));
        const QString r = DumpTable(live(kTables[1]));
        const QString blocker = live(kTables[1]) + QStringLiteral(".old");
        QVERIFY(QDir().mkpath(blocker + QStringLiteral("/x")));
        QString why;
        QCOMPARE(RestoreArchive(m_dm.get(), m_place->path(), &why), RestoreOutcome::Failed);
        QVERIFY(!why.isEmpty());
        QCOMPARE(DumpTable(live(kTables[0])), k);
        QCOMPARE(DumpTable(live(kTables[1])), r);
        QVERIFY(QDir(blocker).removeRecursively());
        QCOMPARE(Entries(m_program->filePath(QStringLiteral("db"))), kTables);
        QVERIFY(m_dm->DatabaseMain.isConnected());
        QVERIFY(
            m_dm->DBFKontrahenci.asText(QStringLiteral("NAZWA")).endsWith(QStringLiteral(" 2")));
    }

    // An archive on a read-only medium: the restored live tables can be written again.
    void restoreFromReadOnlyArchiveLeavesWritableTables()
    {
        QVERIFY(CreateArchiveTables(nullptr, m_place->path()));
        for (const QString& t : kTables)
            QVERIFY(QFile::setPermissions(archived(t),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QString why;
        QCOMPARE(RestoreArchive(m_dm.get(), m_place->path(), &why), RestoreOutcome::Restored);
        for (const QString& t : kTables)
            QVERIFY2(QFileInfo(live(t)).permissions() & QFile::WriteOwner, qPrintable(t));
        QVERIFY(m_dm->DeleteRejestr(1, 1));
    }
};

QTEST_GUILESS_MAIN(TestArchiveStore)
#include "test_archivestore.moc"
