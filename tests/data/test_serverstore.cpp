// The register kept on a PostgreSQL server: what only a server does (a connection that breaks,
// other clerks' saves announced, rows moved between the server and table files in one piece,
// the Polish order the server sorts by).
#include "support/PgCluster.h"
#include "support/TempProgramDir.h"

#include "data/IniFile.h"
#include "data/ServerSchema.h"
#include "data/ServerTables.h"
#include "data/TableFiles.h"
#include "data/TableSchema.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/PgConnection.h"
#include "dbengine/PolishText.h"
#include "dbengine/SqliteFile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <algorithm>

class TestServerStore : public QObject
{
    Q_OBJECT

    QStringList m_shown;

    // A database of its own with the program's tables, named in the program dir's settings;
    // `other` is a second clerk's (or an administrator's) connection to it.
    QString serve(const TempProgramDir& dir, PgConnection& other)
    {
        QString why;
        const QString conninfo = PgCluster::shared().createDatabase(&why);
        if (conninfo.isEmpty()) {
            qWarning("no server: %s", qPrintable(why));
            return {};
        }
        other.open(conninfo);
        QStringList warnings;
        if (!InstallServerSchema(other, &warnings, &why)) {
            qWarning("no schema: %s", qPrintable(why));
            return {};
        }
        IniFile ini(dir.filePath(kSettingsFile));
        ini.load();
        ini.setValue(kServerSection, kServerKey, conninfo.toUtf8());
        return ini.save() ? conninfo : QString();
    }

    static void addTaxpayers(PgConnection& c)
    {
        c.exec("INSERT INTO kontrahenci(ID,NAZWA,SKROT) VALUES (1,'Pierwszy','P'),"
               "(3,'Gmina Trzecia','G3'),(8,'Ósmy','O8')");
        c.exec("INSERT INTO rejestr(ID,DATAWPISU,NALEZNOSC,STAWKA,IDKONTRAHENTA) VALUES "
               "(1,20080301,100,2,3),(2,20080302,50,2,3),(3,20080303,10,2,3)");
    }

    static QList<qint64> ids(Query& q)
    {
        QList<qint64> result;
        for (q.first(); !q.eof(); q.next())
            result << q.asInteger(QStringLiteral("ID"));
        return result;
    }

    static bool noticedWithin(TmyDataBase& dm, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (dm.OthersChanged())
                return true;
            QTest::qWait(20);
        }
        return false;
    }

private Q_SLOTS:
    void init()
    {
        m_shown.clear();
        SetInfoHandler([this](const QString& t, const QString& m) { m_shown << t + u'|' + m; });
    }

    void cleanup() { SetInfoHandler({}); }

    void aBrokenConnectionIsAMessageAndTheNextOperationReconnects()
    {
        TempProgramDir dir;
        PgConnection admin;
        QVERIFY(!serve(dir, admin).isEmpty());
        addTaxpayers(admin);
        TmyDataBase dm;
        dm.DMCreate();
        QCOMPARE(dm.DatabaseMain.store(), Database::Store::Server);
        QCOMPARE(ids(dm.DBFKontrahenci), (QList<qint64>{1, 3, 8}));

        const auto cut = [&] {
            admin.exec("SELECT pg_terminate_backend(" +
                       QByteArray::number(dm.DatabaseMain.serverConnection().backendPid()) +
                       ", 5000)");
        };
        cut();
        dm.RefreshKontrahenci();
        QCOMPARE(m_shown.size(), 1);
        QVERIFY2(m_shown[0].contains(QStringLiteral("Utracono połączenie")),
                 qPrintable(m_shown[0]));
        dm.RefreshKontrahenci();
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(ids(dm.DBFKontrahenci), (QList<qint64>{1, 3, 8}));

        // A save cut off writes nothing and says so; the next one goes through.
        cut();
        KontrahentTexts t;
        t.ID = QStringLiteral("5");
        t.NAZWA = QStringLiteral("Piąty");
        QCOMPARE(dm.InsertKontrahent(t).outcome, SaveResult::Failed);
        QCOMPARE(m_shown.size(), 2);
        QCOMPARE(admin.exec("SELECT COUNT(*) FROM kontrahenci WHERE ID=5").value(0, 0),
                 QByteArray("0"));
        QCOMPARE(dm.InsertKontrahent(t).outcome, SaveResult::Saved);
        QCOMPARE(admin.exec("SELECT NAZWA FROM kontrahenci WHERE ID=5").value(0, 0),
                 QStringLiteral("Piąty").toUtf8());
    }

    void othersSavesAreAnnouncedOwnAreNot()
    {
        TempProgramDir dir;
        PgConnection other;
        QVERIFY(!serve(dir, other).isEmpty());
        addTaxpayers(other);
        TmyDataBase dm;
        dm.DMCreate();
        QVERIFY(!dm.OthersChanged());

        other.exec("UPDATE rejestr SET NALEZNOSC=7 WHERE ID=2");
        QVERIFY(noticedWithin(dm, 1000));
        QVERIFY(!dm.OthersChanged()); // told once

        KontrahentTexts t;
        t.ID = QStringLiteral("9");
        QCOMPARE(dm.InsertKontrahent(t).outcome, SaveResult::Saved);
        QVERIFY(!noticedWithin(dm, 300));

        // Still announced after the connection had to be made anew.
        other.exec("SELECT pg_terminate_backend(" +
                   QByteArray::number(dm.DatabaseMain.serverConnection().backendPid()) + ", 5000)");
        dm.RefreshKontrahenci();
        dm.RefreshKontrahenci();
        other.exec("DELETE FROM kontrahenci WHERE ID=9");
        QVERIFY(noticedWithin(dm, 1000));
    }

    void aRefreshKeepsEachCursorOnItsRecord()
    {
        TempProgramDir dir;
        PgConnection other;
        QVERIFY(!serve(dir, other).isEmpty());
        addTaxpayers(other);
        TmyDataBase dm;
        dm.DMCreate();
        dm.LocateKontrahent(3);
        dm.SetRejestrTaxpayer(3);
        dm.RefreshRejestr();
        dm.LocateRejestr(2, 3);
        // Another clerk adds rows before both, and removes the entry after the current one.
        other.exec("INSERT INTO kontrahenci(ID,NAZWA) VALUES (2,'Drugi')");
        other.exec("INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES (0,20080101,3)");
        other.exec("DELETE FROM rejestr WHERE ID=3");
        dm.RefreshKeepingRows();
        QCOMPARE(ids(dm.DBFKontrahenci), (QList<qint64>{1, 2, 3, 8}));
        QCOMPARE(ids(dm.DBFRejestr), (QList<qint64>{0, 1, 2}));
        dm.LocateKontrahent(3);
        dm.LocateRejestr(2, 3);
        dm.RefreshKeepingRows();
        QCOMPARE(dm.DBFKontrahenci.asInteger(QStringLiteral("ID")), 3);
        QCOMPARE(dm.DBFRejestr.asInteger(QStringLiteral("ID")), 2);
        QCOMPARE(dm.DBFKontrahenci.cursor(), 2);
        QCOMPARE(dm.DBFRejestr.cursor(), 2);
        QVERIFY(m_shown.isEmpty());
    }

    void rowsGoToFilesAndBackExactly()
    {
        TempProgramDir dir;
        PgConnection server;
        QVERIFY(!serve(dir, server).isEmpty());
        // Texts with quotes, tabs, backslashes and Polish letters; an amount no decimal text
        // shorter than 17 digits gives back; NULLs.
        server.exec("INSERT INTO kontrahenci(ID,NAZWA,UWAGI) VALUES "
                    "(2,'Zażółć gęślą jaźń','a\tb\\\\c''d\nnowa'),(1,NULL,'')");
        server.exec("INSERT INTO rejestr(ID,NALEZNOSC,STAWKA,IDKONTRAHENTA,NRDOK) VALUES "
                    "(1,0.1::float8+0.2::float8,2.5,2,'x'),(2,NULL,NULL,2,NULL),(3,-1e-300,1e300,1,"
                    "'\\\\N')");
        const QHash<QString, QString> files{
            {QStringLiteral("kontrahenci"), dir.filePath(QStringLiteral("k.DB"))},
            {QStringLiteral("rejestr"), dir.filePath(QStringLiteral("r.DB"))}};
        QString why;
        QVERIFY2(SnapshotServerTables(server, files, {}, &why), qPrintable(why));
        // Table files as the program makes them: a restore would take them.
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            QVERIFY2(VerifyTableFile(it.value(), it.key() + QStringLiteral(".DB"), &why, false),
                     qPrintable(why));

        PgConnection copy;
        TempProgramDir second;
        QVERIFY(!serve(second, copy).isEmpty());
        copy.exec("INSERT INTO kontrahenci(ID) VALUES (77)"); // replaced, not added to
        QVERIFY2(ReplaceServerTables(copy, files, {}, &why), qPrintable(why));
        const QByteArray all = "SELECT string_agg(concat_ws('|', %1), ';' ORDER BY rowid) FROM %2";
        for (const TableSchema& t : TableSchemas()) {
            QByteArray columns;
            for (const TableColumn& c : t.columns)
                columns += QByteArray(columns.isEmpty() ? "" : ",") + "coalesce(" + c.name +
                           "::text,'NULL')";
            const QByteArray sql = QByteArray(all).replace("%1", columns).replace("%2", t.stem);
            QCOMPARE(copy.exec(sql).value(0, 0), server.exec(sql).value(0, 0));
        }
        QCOMPARE(copy.exec("SELECT NALEZNOSC = 0.1::float8 + 0.2::float8 FROM rejestr WHERE ID=1")
                     .value(0, 0),
                 QByteArray("t"));
    }

    void aReplacementThatFailsLeavesTheServerAsItWas()
    {
        TempProgramDir dir;
        PgConnection server;
        QVERIFY(!serve(dir, server).isEmpty());
        addTaxpayers(server);
        // Table files whose register repeats a number: the server's unique index refuses it
        // after the taxpayers were already replaced in the same transaction.
        const QString k = dir.filePath(QStringLiteral("k.DB"));
        const QString r = dir.filePath(QStringLiteral("r.DB"));
        for (const auto& [path, schema] : {std::pair{k, SchemaOf(QStringLiteral("kontrahenci"))},
                                           std::pair{r, SchemaOf(QStringLiteral("rejestr"))}}) {
            SqliteFile f;
            QVERIFY(f.open(path, SqliteFile::Mode::Create));
            QVERIFY(f.exec(TableOnlySql(*schema)));
        }
        SqliteFile kf;
        QVERIFY(kf.open(k, SqliteFile::Mode::ReadWrite));
        QVERIFY(kf.exec("INSERT INTO kontrahenci(ID) VALUES (50)"));
        SqliteFile rf;
        QVERIFY(rf.open(r, SqliteFile::Mode::ReadWrite));
        QVERIFY(rf.exec("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES (1,50),(1,50)"));
        QString why;
        QVERIFY(!ReplaceServerTables(
            server, {{QStringLiteral("kontrahenci"), k}, {QStringLiteral("rejestr"), r}}, {},
            &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(server.exec("SELECT string_agg(ID::text, ',' ORDER BY ID) FROM kontrahenci")
                     .value(0, 0),
                 QByteArray("1,3,8"));
        QCOMPARE(server.exec("SELECT COUNT(*) FROM rejestr").value(0, 0), QByteArray("3"));
        QVERIFY(!server.inTransaction());
    }

    void namesSortInPolishOrderOnTheServer()
    {
        TempProgramDir dir;
        PgConnection server;
        QVERIFY(!serve(dir, server).isEmpty());
        const QStringList names{"Żak",     "Zenon",  "Łukasz", "Lucyna", "łosoś", "Ćma",
                                "Cyryl",   "cebula", "Ąb",     "Ab",     "Ósmy",  "Oskar",
                                "Śmiałek", "Szymon", "Źdźbło", "Ewa",    "Ęka",   "Nowak"};
        int id = 0;
        for (const QString& n : names)
            server.exec("INSERT INTO kontrahenci(ID,NAZWA) VALUES ($1,$2)",
                        {QByteArray::number(++id), n.toUtf8()});
        TmyDataBase dm;
        dm.DMCreate();
        dm.SortKontrahenciBy(QStringLiteral("NAZWA"));
        QStringList shown;
        Query& q = dm.DBFKontrahenci;
        for (q.first(); !q.eof(); q.next())
            shown << q.asText(QStringLiteral("NAZWA"));
        QStringList expected = names;
        std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
            return ComparePolish(a.toStdString(), b.toStdString()) < 0;
        });
        QCOMPARE(shown, expected);
    }
};

QTEST_GUILESS_MAIN(TestServerStore)
#include "test_serverstore.moc"
