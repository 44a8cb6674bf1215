#include "support/CutProcess.h"
#include "support/TempProgramDir.h"

#include "dbengine/Database.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/Query.h"
#include "dbengine/SqlNormalizer.h"

#include <algorithm>

#include <QDir>
#include <QSet>

#include <QSignalSpy>
#include <QTest>
#include <sqlite3.h>

namespace {

// A layer over the system's file layer that notes the flags of every file SQLite opens.
sqlite3_vfs* g_system = nullptr;
sqlite3_vfs g_recording{};
QList<int> g_openFlags;

int recordingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out)
{
    g_openFlags << flags;
    return g_system->xOpen(g_system, name, file, flags, out);
}

// A layer that ends the process at the super-journal of a commit: as it is made, or as it is
// about to be deleted (the commit point, both table files already written).
bool g_cutAtCreation = false;
sqlite3_vfs g_cutting{};

int cuttingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out)
{
    const int rc = g_system->xOpen(g_system, name, file, flags, out);
    if (g_cutAtCreation && (flags & SQLITE_OPEN_SUPER_JOURNAL))
        CutHere();
    return rc;
}

int cuttingDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    if (!g_cutAtCreation && QByteArray(name).contains("-mj"))
        CutHere();
    return g_system->xDelete(g_system, name, syncDir);
}

QStringList leftovers(const TempProgramDir& dir)
{
    return QDir(dir.path()).entryList({QStringLiteral(".sesja-mj*")}, QDir::Files | QDir::Hidden) +
           QDir(dir.filePath(QStringLiteral("db")))
               .entryList({QStringLiteral("*-journal")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestDbEngine : public QObject
{
    Q_OBJECT

private:
    void connectTo(Database& db, const TempProgramDir& dir)
    {
        db.databaseName = QStringLiteral("DBREJESTR");
        db.driverName = QStringLiteral("STANDARD");
        db.params = {QStringLiteral("PATH=") + dir.filePath(QStringLiteral("db/"))};
        db.tableFiles = {QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")};
        db.connect();
    }

    // Every entry by ID, opening with a first screen of 60 rows as the grids' views do.
    static void byIdWithFirstScreen(Query& view)
    {
        view.sql() << QStringLiteral("SELECT * FROM rejestr ORDER BY ID");
        view.setFirstScreen(60, QStringLiteral(", rowid"));
    }

    void addEntries(const TempProgramDir& dir, int taxpayer, int count)
    {
        QString values;
        for (int i = 1; i <= count; ++i) {
            values += QStringLiteral("%1(%2,%3,%4,%5)")
                          .arg(i > 1 ? QStringLiteral(",") : QString())
                          .arg(i)
                          .arg(20080000 + (i % 12 + 1) * 100 + (i % 28 + 1))
                          .arg(20080101 + i % 28)
                          .arg(taxpayer);
        }
        dir.sql(QStringLiteral("rejestr.DB"),
                QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,DATADOK,IDKONTRAHENTA) VALUES ") +
                    values);
    }

private Q_SLOTS:
    void normalize_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("table file") << "SELECT * FROM rejestr.DB WHERE 1=1"
                                    << "SELECT * FROM rejestr WHERE 1=1";
        QTest::newRow("table file before paren") << "INSERT INTO kontrahenci.DB(ID)"
                                                 << "INSERT INTO kontrahenci(ID)";
        QTest::newRow("lower-case extension") << "FROM rejestr.db x"
                                              << "FROM rejestr x";
        QTest::newRow("number then keyword") << "AND DATAWPISU > 20080300AND DATAWPISU < 20080400"
                                             << "AND DATAWPISU > 20080300 AND DATAWPISU < 20080400";
        QTest::newRow("decimal then keyword") << "X=1500.50AND"
                                              << "X=1500.50 AND";
        QTest::newRow("exponent stays") << "X=1e5 AND"
                                        << "X=1e5 AND";
        QTest::newRow("literal untouched") << "WHERE A='20080300AND rejestr.DB'"
                                           << "WHERE A='20080300AND rejestr.DB'";
        QTest::newRow("escaped quote in literal") << "A='it''s 1AND' AND 2OR"
                                                  << "A='it''s 1AND' AND 2 OR";
        QTest::newRow("quoted identifier") << "SELECT \"rejestr.DB\" FROM t"
                                           << "SELECT \"rejestr.DB\" FROM t";
        QTest::newRow("parameters") << ",:PARAM0,:PARAM1,:PARAM7)"
                                    << ",:PARAM0,:PARAM1,:PARAM7)";
        QTest::newRow("identifier with digits") << "SELECT MAX(ID) AS ID FROM kontrahenci"
                                                << "SELECT MAX(ID) AS ID FROM kontrahenci";
        QTest::newRow("column named like extension") << "SELECT t.DBX FROM t"
                                                     << "SELECT t.DBX FROM t";
        QTest::newRow("CR LF kept") << "A\r\nB.DB\r\n"
                                    << "A\r\nB\r\n";
    }

    void normalize()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(NormalizeSql(in), out);
    }

    // The register view's worked example, sent verbatim: seven CR LF lines.
    void workedExampleReturnsMarchEntriesSorted()
    {
        TempProgramDir dir;
        QVERIFY(dir.isValid());
        dir.sql(QStringLiteral("rejestr.DB"),
                QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,DATADOK,IDKONTRAHENTA) VALUES "
                               "(1,20080301,20080210,3),(2,20080331,20080315,3),"
                               "(3,20080229,20080101,3),(4,20080401,20080401,3),"
                               "(5,20080315,20080301,4),(6,20080310,20080320,3)"));
        Database db;
        connectTo(db, dir);
        Query q(&db);
        q.sql() = QStringList{QStringLiteral("SELECT * FROM rejestr.DB WHERE 1=1"),
                              QString(),
                              QStringLiteral("AND DATAWPISU > 20080300AND DATAWPISU < 20080400"),
                              QStringLiteral("AND IDKONTRAHENTA=3"),
                              QStringLiteral("ORDER BY"),
                              QStringLiteral("DATADOK"),
                              QStringLiteral("DESC")};
        QVERIFY(q.text().endsWith(QLatin1String("DESC\r\n")));
        QCOMPARE(q.text().count(QLatin1String("\r\n")), 7);
        q.open();
        QList<qint64> ids;
        for (q.first(); !q.eof(); q.next())
            ids << q.asInteger(QStringLiteral("ID"));
        QCOMPARE(ids, (QList<qint64>{6, 2, 1}));
    }

    void parametersTravelUnchanged_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << "O'Brien";
        QTest::newRow("double quotes") << "Firma \"Kowalski\" Sp. z o.o.";
        QTest::newRow("semicolon and SQL") << "x'); DROP TABLE rejestr; --";
        QTest::newRow("polish letters") << "Zażółć gęślą jaźń ŁÓDŹ";
        QTest::newRow("empty") << "";
    }

    void parametersTravelUnchanged()
    {
        QFETCH(QString, text);
        TempProgramDir dir;
        Database db;
        connectTo(db, dir);
        Query ins(&db);
        ins.sql() << QStringLiteral("INSERT INTO kontrahenci.DB(ID,NAZWA,NIP,ADRES,KODPOCZT,")
                  << QStringLiteral("MIEJSCOWOSC,TELEFONY,UWAGI,SKROT) VALUES (") << QString()
                  << QStringLiteral(",:PARAM0,:PARAM1,:PARAM2")
                  << QStringLiteral(",:PARAM3,:PARAM4,:PARAM5,:PARAM6,:PARAM7)");
        for (int i = 0; i < 8; ++i)
            ins.setParam(QStringLiteral("PARAM%1").arg(i), text + QString::number(i));
        // A slot written after binding keeps the bound values.
        ins.setLine(2, QStringLiteral("7"));
        ins.execute();

        Query q(&db);
        q.sql() << QStringLiteral("SELECT * FROM kontrahenci.DB WHERE ID = 7");
        q.open();
        QCOMPARE(q.asText(QStringLiteral("NAZWA")), text + QLatin1Char('0'));
        QCOMPARE(q.asText(QStringLiteral("SKROT")), text + QLatin1Char('7'));
        QCOMPARE(dir.sql(QStringLiteral("kontrahenci.DB"),
                         QStringLiteral("SELECT count(*) FROM kontrahenci")),
                 QStringLiteral("1"));
    }

    void errorsCarryTheEngineMessage()
    {
        TempProgramDir dir;
        Database db;
        connectTo(db, dir);
        Query q(&db);
        q.sql() << QStringLiteral("SELECT NOSUCH FROM rejestr.DB");
        try {
            q.open();
            QFAIL("no error raised");
        } catch (const EDBEngineError& e) {
            QVERIFY2(e.message().contains(QLatin1String("NOSUCH")), qPrintable(e.message()));
        }
        QVERIFY(!q.isOpen());

        Query missingParam(&db);
        missingParam.sql() << QStringLiteral("SELECT * FROM rejestr WHERE NRDOK = :PARAM0");
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, missingParam.open());

        Database nowhere;
        nowhere.params = {QStringLiteral("PATH=") + dir.filePath(QStringLiteral("missing/"))};
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, nowhere.connect());
        QVERIFY(!nowhere.isConnected());
        Query unconnected(&nowhere);
        unconnected.sql() << QStringLiteral("SELECT 1");
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, unconnected.open());
    }

    void aTableThatIsNotADatabaseFailsTheConnection()
    {
        TempProgramDir dir;
        QFile junk(dir.filePath(QStringLiteral("db/kontrahenci.DB")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        Database db;
        try {
            connectTo(db, dir);
            QFAIL("connected to a damaged table");
        } catch (const EDBEngineError& e) {
            QCOMPARE(e.file(), QFileInfo(junk).absoluteFilePath());
        }
    }

    void nullsReadAsZeroOrEmpty()
    {
        TempProgramDir dir;
        dir.sql(QStringLiteral("rejestr.DB"), QStringLiteral("INSERT INTO rejestr(ID) VALUES (1)"));
        Database db;
        connectTo(db, dir);
        Query q(&db);
        q.sql() << QStringLiteral("SELECT * FROM rejestr.DB");
        q.open();
        QCOMPARE(q.asInteger(QStringLiteral("DATADOK")), 0);
        QCOMPARE(q.asFloat(QStringLiteral("NALEZNOSC")), 0.0);
        QCOMPARE(q.asText(QStringLiteral("NRDOK")), QString());
        QCOMPARE(q.asText(QStringLiteral("ID")), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, q.asText(QStringLiteral("NOSUCH")));
    }

    void cursorWalksLikeADataset()
    {
        TempProgramDir dir;
        addEntries(dir, 1, 3);
        Database db;
        connectTo(db, dir);
        Query q(&db);
        q.sql() << QStringLiteral("SELECT * FROM rejestr ORDER BY ID");
        q.open();
        QVERIFY(!q.eof());
        QCOMPARE(q.cursor(), 0);
        q.next();
        q.next();
        QVERIFY(!q.eof());
        QCOMPARE(q.asInteger(QStringLiteral("ID")), 3);
        q.next();
        QVERIFY(q.eof());
        QCOMPARE(q.asInteger(QStringLiteral("ID")), 3); // stays on the last row
        q.first();
        QVERIFY(!q.eof());
        QCOMPARE(q.asInteger(QStringLiteral("ID")), 1);

        Query none(&db);
        none.sql() << QStringLiteral("SELECT * FROM rejestr WHERE ID < 0");
        none.open();
        QVERIFY(none.isEmpty());
        QVERIFY(none.eof());
        QCOMPARE(none.asText(QStringLiteral("NRDOK")), QString());
    }

    // A transaction writing both table files commits through a super-journal beside the main
    // file, so a power cut never leaves one file changed and the other not.
    void writesToBothFilesCommitAsAWhole()
    {
        TempProgramDir dir;
        g_system = sqlite3_vfs_find(nullptr);
        g_recording = *g_system;
        g_recording.zName = "recording";
        g_recording.pNext = nullptr;
        g_recording.xOpen = recordingOpen;
        QCOMPARE(sqlite3_vfs_register(&g_recording, 1), SQLITE_OK);
        g_openFlags.clear();
        {
            Database db;
            db.mainFile = dir.filePath(QStringLiteral(".sesja"));
            connectTo(db, dir);
            db.exec(QStringLiteral("BEGIN IMMEDIATE"));
            db.exec(QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES (8,'Gmina')"));
            db.exec(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES (1,8)"));
            db.exec(QStringLiteral("COMMIT"));
        }
        sqlite3_vfs_unregister(&g_recording);
        QVERIFY(std::any_of(g_openFlags.cbegin(), g_openFlags.cend(),
                            [](int f) { return f & SQLITE_OPEN_SUPER_JOURNAL; }));
        QCOMPARE(
            dir.sql(QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
            QStringLiteral("1"));

        // Where the main file cannot be made, the connection still works, on memory.
        Database fallback;
        fallback.mainFile = dir.filePath(QStringLiteral("brak/.sesja"));
        connectTo(fallback, dir);
        QVERIFY(fallback.isConnected());
    }

    void cutCommitsLeaveNothingBehind_data()
    {
        QTest::addColumn<bool>("atCreation");
        QTest::addColumn<bool>("tablesBusy");
        QTest::newRow("cut as the super-journal is made") << true << false;
        QTest::newRow("cut at the commit point") << false << false;
        QTest::newRow("another copy holds a table") << true << true;
    }

    // A commit of both tables killed part-way: the next connection finds both tables as they were
    // (SQLite rolls their journals back only while the super-journal is there) and no journal of
    // that commit is left, unless another copy holds a table and may be committing itself.
    void cutCommitsLeaveNothingBehind()
    {
        QFETCH(bool, atCreation);
        QFETCH(bool, tablesBusy);
        TempProgramDir dir;
        Database db;
        db.mainFile = dir.filePath(QStringLiteral(".sesja"));
        QVERIFY(RunInChild([&] {
            g_system = sqlite3_vfs_find(nullptr);
            g_cutting = *g_system;
            g_cutting.zName = "cutting";
            g_cutting.xOpen = cuttingOpen;
            g_cutting.xDelete = cuttingDelete;
            g_cutAtCreation = atCreation;
            sqlite3_vfs_register(&g_cutting, 1);
            connectTo(db, dir);
            db.exec(QStringLiteral("BEGIN IMMEDIATE"));
            db.exec(QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES (8,'Gmina')"));
            db.exec(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES (1,8)"));
            db.exec(QStringLiteral("COMMIT"));
        }));
        QCOMPARE(leftovers(dir).filter(QStringLiteral(".sesja-mj")).size(), 1);
        if (tablesBusy) {
            sqlite3* raw = nullptr;
            sqlite3_open(
                QFile::encodeName(dir.filePath(QStringLiteral("db/rejestr.DB"))).constData(), &raw);
            SqliteConnectionPtr other(raw);
            QCOMPARE(sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
            connectTo(db, dir);
            QCOMPARE(leftovers(dir).filter(QStringLiteral(".sesja-mj")).size(), 1);
        }
        connectTo(db, dir);
        QCOMPARE(leftovers(dir), QStringList());
        QCOMPARE(dir.sql(QStringLiteral("kontrahenci.DB"),
                         QStringLiteral("SELECT count(*) FROM kontrahenci")),
                 QStringLiteral("0"));
        QCOMPARE(
            dir.sql(QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
            QStringLiteral("0"));
    }

    // A view opens with its first screen only, counts itself in one statement, and reads the
    // window holding any row asked for; a result without a first screen is read whole.
    void largeResultsAreReadOnDemand()
    {
        TempProgramDir dir;
        addEntries(dir, 1, 5000);
        Database db;
        connectTo(db, dir);
        Query q(&db);
        byIdWithFirstScreen(q);
        q.open();
        QVERIFY(q.windowed());
        QCOMPARE(q.rowCount(), 60);
        QVERIFY(!q.rowCountKnown());
        QSignalSpy counted(&q, &Query::rowCountChanged);
        QCOMPARE(q.countRows(), 5000);
        QCOMPARE(counted.count(), 1);
        q.setCursor(3000);
        QCOMPARE(q.asInteger(QStringLiteral("ID")), 3001);
        QCOMPARE(q.integerAt(4999, q.field(QStringLiteral("ID"))), 5000);
        QVERIFY(q.cacheBytes() < 200 * 1024);

        Query whole(&db);
        whole.sql() << QStringLiteral("SELECT * FROM rejestr ORDER BY ID");
        whole.open();
        QVERIFY(!whole.windowed());
        QCOMPARE(whole.rowCount(), 5000);
        QCOMPARE(whole.integerAt(4999, whole.field(QStringLiteral("ID"))), 5000);
    }

    // Rows asked for at and around the window's edges, after jumps in both directions, come
    // in the full statement's order, each exactly where it belongs, also with many equal sort
    // keys and NULLs among them, in both directions of the sort.
    void windowsMeetTheFullOrder_data()
    {
        QTest::addColumn<QString>("order");
        QTest::newRow("equal keys, descending") << "DATAWPISU DESC";
        QTest::newRow("equal keys, ascending") << "DATAWPISU ASC";
        QTest::newRow("texts with NULLs") << "NAZWISKO";
        QTest::newRow("texts with NULLs, descending") << "NAZWISKO DESC";
        QTest::newRow("computed") << "NALEZNOSC*STAWKA DESC";
    }
    void windowsMeetTheFullOrder()
    {
        QFETCH(QString, order);
        TempProgramDir dir;
        QString values;
        for (int i = 1; i <= 700; ++i)
            values += QStringLiteral("%1(%2,%3,%4,%5,%6,1)")
                          .arg(i > 1 ? "," : "")
                          .arg(i)
                          .arg(20080000 + i % 3)
                          .arg(i % 5 ? QStringLiteral("'n%1'").arg(i % 7) : QStringLiteral("NULL"))
                          .arg(i % 4 ? QString::number(i % 9) : QStringLiteral("NULL"))
                          .arg(i % 3);
        dir.sql(QStringLiteral("rejestr.DB"),
                QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,NAZWISKO,NALEZNOSC,STAWKA,"
                               "IDKONTRAHENTA) VALUES ") +
                    values);
        Database db;
        connectTo(db, dir);
        const QStringList lines{QStringLiteral("SELECT * FROM rejestr.DB WHERE 1=1"),
                                QStringLiteral("ORDER BY"), order};
        Query full(&db);
        full.sql() = lines;
        full.sql().last() += QStringLiteral(", rowid");
        full.open();
        Query view(&db);
        view.sql() = lines;
        view.setFirstScreen(64, QStringLiteral(", rowid"));
        view.open();
        QCOMPARE(view.text(), lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        QCOMPARE(view.countRows(), 700);
        const int id = view.field(QStringLiteral("ID"));
        const auto same = [&](int row) {
            return view.integerAt(row, id) == full.integerAt(row, id);
        };
        // Forward across every edge, a jump to the end and back up across the edges again,
        // then jumps into the middle from either side.
        for (int r = 0; r < 700; ++r)
            QVERIFY2(same(r), qPrintable(QString::number(r)));
        for (int r : {699, 698, 600, 520, 350, 349, 351, 0, 699, 420, 250})
            QVERIFY2(same(r), qPrintable(QString::number(r)));
        for (int r = 699; r >= 0; r -= 7)
            QVERIFY2(same(r), qPrintable(QString::number(r)));
        QVERIFY(!view.fetchRow(700));
        // Located rows, found by counting those before them.
        for (int r : {0, 1, 333, 699}) {
            const qint64 wanted = full.integerAt(r, id);
            QCOMPARE(view.locate(QStringLiteral("ID=%1").arg(wanted)), r);
            QCOMPARE(view.asInteger(QStringLiteral("ID")), wanted);
        }
        QCOMPARE(view.locate(QStringLiteral("ID=9999")), -1);
        // Located near the end, a view is counted by the same reads: the grid needs no count.
        Query fresh(&db);
        fresh.sql() = lines;
        fresh.setFirstScreen(64, QStringLiteral(", rowid"));
        fresh.open();
        QVERIFY(!fresh.rowCountKnown());
        QCOMPARE(fresh.locate(QStringLiteral("ID=%1").arg(full.integerAt(650, id))), 650);
        QVERIFY(fresh.rowCountKnown());
        QCOMPARE(fresh.rowCount(), 700);
    }

    // Between two scrolls another copy adds and deletes rows: the view goes on in order,
    // showing a row added after its window and never a deleted one twice, and its count
    // follows what the reads find at the ends.
    void anotherCopyWritesBetweenScrolls()
    {
        TempProgramDir dir;
        addEntries(dir, 1, 500);
        Database reader;
        connectTo(reader, dir);
        Query view(&reader);
        byIdWithFirstScreen(view);
        Database writer;
        connectTo(writer, dir);
        view.open();
        QCOMPARE(view.countRows(), 500);
        const int id = view.field(QStringLiteral("ID"));
        QCOMPARE(view.integerAt(499, id), 500);
        writer.exec(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES (501,1)"));
        // The end is read past: the added row follows the last one counted.
        QVERIFY(view.fetchRow(500));
        QCOMPARE(view.integerAt(500, id), 501);
        QCOMPARE(view.rowCount(), 501);
        // Rows deleted above the window: scrolling up reaches the first row sooner, and the
        // rows are numbered from it again.
        writer.exec(QStringLiteral("DELETE FROM rejestr WHERE ID <= 10"));
        for (int r = 499; r >= 0 && view.fetchRow(r); --r) {
            if (view.integerAt(r, id) == 11 && r == 0)
                break;
        }
        QCOMPARE(view.integerAt(0, id), 11);
        QCOMPARE(view.rowCount(), 491);
        QCOMPARE(view.integerAt(490, id), 501);
    }

    // An open view holds no lock between calls, whatever it read: another copy of the program
    // saves at once rather than waiting for this view to be scrolled or closed.
    void openViewsLeaveTheFilesFreeForWriters()
    {
        TempProgramDir dir;
        addEntries(dir, 1, 500);
        Database reader;
        connectTo(reader, dir);
        Query view(&reader);
        byIdWithFirstScreen(view);
        Database writer;
        connectTo(writer, dir);
        sqlite3_busy_timeout(writer.handle(), 0); // no waiting: a held lock fails at once

        view.open();
        writer.exec(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES (501,1)"));
        view.setCursor(300);
        writer.exec(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES (502,1)"));
        view.setCursor(499);
        view.locate(QStringLiteral("ID=250"));
        writer.exec(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES (503,1)"));
        view.beginStream();
        view.streamNext();
        view.endStream();
        writer.exec(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES (504,1)"));
    }

    // A window that cannot be read leaves the view as it was; a later attempt reads it.
    void failedReadKeepsTheView()
    {
        TempProgramDir dir;
        addEntries(dir, 1, 500);
        Database reader;
        connectTo(reader, dir);
        sqlite3_busy_timeout(reader.handle(), 0);
        Query view(&reader);
        byIdWithFirstScreen(view);
        view.open();
        QCOMPARE(view.countRows(), 500);
        Database writer;
        connectTo(writer, dir);
        writer.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, view.setCursor(300));
        QCOMPARE(view.cursor(), 0);
        QCOMPARE(view.asInteger(QStringLiteral("ID")), 1);
        writer.exec(QStringLiteral("ROLLBACK"));
        view.setCursor(300);
        QCOMPARE(view.asInteger(QStringLiteral("ID")), 301);
    }

    // A result that fits the first screen is counted at once.
    void smallViewsAreCountedAtOnce()
    {
        TempProgramDir dir;
        addEntries(dir, 1, 100);
        Database db;
        connectTo(db, dir);
        Query small(&db);
        small.sql() =
            QStringList{QStringLiteral("SELECT * FROM rejestr WHERE ID <= 10 ORDER BY ID")};
        small.setFirstScreen(64, QStringLiteral(", rowid"));
        small.open();
        QVERIFY(small.rowCountKnown());
        QCOMPARE(small.rowCount(), 10);
        // Exactly a screen: reading on finds the end.
        Query exact(&db);
        exact.sql() =
            QStringList{QStringLiteral("SELECT * FROM rejestr WHERE ID <= 64 ORDER BY ID")};
        exact.setFirstScreen(64, QStringLiteral(", rowid"));
        exact.open();
        QVERIFY(!exact.rowCountKnown());
        QVERIFY(!exact.fetchRow(64));
        QVERIFY(exact.rowCountKnown());
        QCOMPARE(exact.rowCount(), 64);
    }

    // A statement kept for reuse never outlives its connection, and parameters are bound afresh.
    void reusedStatementsFollowTheConnection()
    {
        TempProgramDir dir;
        addEntries(dir, 1, 3);
        Database db;
        connectTo(db, dir);
        Query q(&db);
        q.sql() << QStringLiteral("SELECT count(*) FROM rejestr WHERE ID <= :PARAM0");
        q.setParam(QStringLiteral("PARAM0"), QStringLiteral("2"));
        q.open();
        QCOMPARE(q.rawTextAt(0, 0), QStringLiteral("2"));
        q.close();
        q.setParam(QStringLiteral("PARAM0"), QStringLiteral("3"));
        q.open(); // the same text: the kept statement, with the new value
        QCOMPARE(q.rawTextAt(0, 0), QStringLiteral("3"));
        q.close();
        db.disconnect();
        dir.sql(QStringLiteral("rejestr.DB"), QStringLiteral("DELETE FROM rejestr WHERE ID = 1"));
        connectTo(db, dir);
        q.open();
        QCOMPARE(q.rawTextAt(0, 0), QStringLiteral("2"));
        q.release();
        QVERIFY(!sqlite3_next_stmt(db.handle(), nullptr)); // nothing of the query is left open
    }

    void displayHooksAndSuspendedNotifications()
    {
        TempProgramDir dir;
        addEntries(dir, 1, 3);
        Database db;
        connectTo(db, dir);
        Query q(&db);
        q.sql() << QStringLiteral("SELECT * FROM rejestr ORDER BY ID");
        q.open();
        q.setDisplayHook(QStringLiteral("id"), [](const Query& v, int row) {
            return QStringLiteral("#") + v.rawTextAt(row, v.field(QStringLiteral("ID")));
        });
        QCOMPARE(q.asText(QStringLiteral("ID")), QStringLiteral("#1"));
        QCOMPARE(q.rawTextAt(0, q.field(QStringLiteral("ID"))), QStringLiteral("1"));

        QSignalSpy moved(&q, &Query::cursorMoved);
        q.disableControls();
        q.next();
        q.next();
        QCOMPARE(moved.count(), 0);
        q.enableControls();
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.last().at(0).toInt(), 2);
    }
};

QTEST_GUILESS_MAIN(TestDbEngine)
#include "test_dbengine.moc"
