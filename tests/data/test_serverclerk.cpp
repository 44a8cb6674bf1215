// An office's server as the README sets it up: the tables made by their owner (no superuser),
// each clerk a role in a group holding only SELECT, INSERT, UPDATE and DELETE on the two tables
// and CONNECT on the database. The data module, signed in as such a clerk with a password it asks
// for, does all a clerk does. No right on the row-number sequences is given: an insert must not
// need one.
#include "support/PgCluster.h"
#include "support/TempProgramDir.h"

#include "archive/uArchiveStore.h"
#include "data/IniFile.h"
#include "data/ServerSchema.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/PgConnection.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kOwner = "rejestr_wlasciciel";
const QByteArray kClerks = "rejestr_urzednicy";
const QString kPassword = QStringLiteral("Hasło-urzędnika-1");

RejestrEntryTexts entry(const QString& id, const QString& name)
{
    RejestrEntryTexts e;
    e.ID = id;
    e.DATAWPISU = QStringLiteral("05-03-2024");
    e.DATADOK = QStringLiteral("04-03-2024");
    e.NRDOK = QStringLiteral("Rep. A nr 1/2024");
    e.NAZWISKO = name;
    e.MIEJSCOWOSC = QStringLiteral("Łódź");
    e.NALEZNOSC = QStringLiteral("1000,00");
    e.STAWKA = QStringLiteral("2,00");
    e.DATAZAPLATY = QStringLiteral("  -  -    ");
    return e;
}

KontrahentTexts taxpayer(const QString& id)
{
    return {id,
            QStringLiteral("KN"),
            QStringLiteral("Kancelaria Notarialna w Łodzi"),
            QStringLiteral("725-000-00-00"),
            QStringLiteral("ul. Piotrkowska 1"),
            QStringLiteral("90-001"),
            QStringLiteral("Łódź"),
            QString(),
            QString()};
}

} // namespace

class TestServerClerk : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<TmyDataBase> m_dm;
    PgConnection m_owner;
    QString m_database;
    QStringList m_shown;
    int m_prompts = 0;

    qint64 count(const QByteArray& where)
    {
        return m_owner.exec("SELECT count(*) FROM " + where).value(0, 0).toLongLong();
    }

    // A statement of the clerk's own, outside the program: the server's answer.
    EDBEngineError asClerk(const QByteArray& sql)
    {
        PgConnection clerk;
        clerk.open(PgCluster::shared().conninfo(m_database, PgCluster::passwordUser()),
                   [](const QString&, bool) { return std::optional<QString>(kPassword); });
        try {
            clerk.execScript(sql);
        } catch (const EDBEngineError& e) {
            return e;
        }
        return EDBEngineError(QStringLiteral("allowed"), -1);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        PgCluster& cluster = PgCluster::shared();
        QVERIFY2(cluster.start(&error), qPrintable(error));
        m_database = QStringLiteral("biuro_%1").arg(QCoreApplication::applicationPid());
        const QByteArray db = m_database.toUtf8();
        {
            // The server's administrator: the owner, the database, the clerks' group, a clerk.
            PgConnection admin;
            admin.open(cluster.conninfo(QStringLiteral("postgres")));
            admin.execScript("CREATE ROLE " + kOwner + " LOGIN; CREATE ROLE " + kClerks +
                             " NOLOGIN; CREATE ROLE " + PgCluster::passwordUser().toUtf8() +
                             " LOGIN PASSWORD '" + kPassword.toUtf8() + "' IN ROLE " + kClerks);
            admin.execScript("CREATE DATABASE " + db + " OWNER " + kOwner);
        }
        // The owner makes the tables (rejestr-install --server) and gives the clerks their rights.
        m_owner.open(cluster.conninfo(m_database, QString::fromUtf8(kOwner)));
        QStringList warnings;
        QVERIFY2(InstallServerSchema(m_owner, &warnings, &error), qPrintable(error));
        m_owner.execScript("REVOKE ALL ON DATABASE " + db +
                           " FROM PUBLIC; GRANT CONNECT ON DATABASE " + db + " TO " + kClerks +
                           "; GRANT SELECT, INSERT, UPDATE, DELETE ON kontrahenci, rejestr TO " +
                           kClerks);
        QCOMPARE(m_owner.exec("SELECT tableowner FROM pg_tables WHERE tablename = 'rejestr'")
                     .value(0, 0),
                 kOwner);

        // The clerk's program: rejestr.ini names the server and the clerk, never the password.
        m_dir = std::make_unique<TempProgramDir>();
        QVERIFY(m_dir->isValid());
        IniFile ini(m_dir->filePath(kSettingsFile));
        QVERIFY(ini.load());
        ini.setValue(kServerSection, kServerKey,
                     cluster.conninfo(m_database, PgCluster::passwordUser()).toUtf8());
        QVERIFY(ini.save());
        SetInfoHandler([this](const QString& t, const QString& m) { m_shown << t + u'|' + m; });
        m_dm = std::make_unique<TmyDataBase>();
        m_dm->DatabaseMain.passwordPrompt = [this](const QString&, bool) {
            ++m_prompts;
            return std::optional<QString>(kPassword);
        };
        m_dm->DMCreate();
        QCOMPARE(m_dm->DatabaseMain.store(), Database::Store::Server);
        QCOMPARE(m_prompts, 1);
    }

    void cleanupTestCase()
    {
        m_dm.reset();
        SetInfoHandler({});
    }

    void init() { m_shown.clear(); }
    void cleanup() { QVERIFY2(m_shown.isEmpty(), qPrintable(m_shown.join(u'\n'))); }

    void addsEditsAndDeletes()
    {
        TmyDataBase& dm = *m_dm;
        QVERIFY(dm.InsertKontrahent(taxpayer(QStringLiteral("1"))));
        QVERIFY(dm.InsertRejestr(1, entry(QStringLiteral("1"), QStringLiteral("Żak"))));
        QVERIFY(dm.InsertRejestr(1, entry(QStringLiteral("2"), QStringLiteral("Ćwik"))));
        QVERIFY(dm.InsertRejestr(1, entry(QStringLiteral("3"), QStringLiteral("Adamska"))));
        QCOMPARE(count("rejestr WHERE IDKONTRAHENTA = 1"), 3);

        dm.SetRejestrTaxpayer(1);
        dm.SetRejestrYearMonth(2024, 0);
        dm.RefreshRejestr();
        dm.LocateRejestr(2, 1);
        RejestrEntryTexts edited = dm.CurrentRejestr();
        edited.NALEZNOSC = QStringLiteral("2000,00");
        QVERIFY(dm.UpdateRejestr(2, 1, edited, dm.CurrentRejestrStamp()));
        QCOMPARE(count("rejestr WHERE ID = 2 AND NALEZNOSC = 2000"), 1);

        QVERIFY(dm.DeleteRejestr(3, 1));
        QCOMPARE(count("rejestr WHERE IDKONTRAHENTA = 1"), 2);
        QCOMPARE(dm.MaxRejestrID(1), 2);
    }

    void readsAsTheWindowsDo()
    {
        TmyDataBase& dm = *m_dm;
        // Polish order (the collation) and the search (the search function).
        dm.SetRejestrSort(QStringLiteral("NAZWISKO"), true);
        dm.RefreshRejestr();
        QCOMPARE(dm.DBFRejestr.asText(QStringLiteral("NAZWISKO")), QStringLiteral("Ćwik"));
        dm.SetRejestrSort(QStringLiteral("ID"), true);
        dm.SetKontrahenciSearch(QStringLiteral("lodz"));
        dm.RefreshKontrahenci();
        QCOMPARE(dm.DBFKontrahenci.countRows(), 1);
        dm.SetKontrahenciSearch(QString());
        dm.RefreshKontrahenci();
        const auto sums = dm.SumRejestr();
        QVERIFY(sums);
        QCOMPARE(sums->count, QStringLiteral("2"));
        QCOMPARE(dm.CountKontrahenci().value_or(QString()), QStringLiteral("1"));
    }

    void renumbersATaxpayerWithItsEntries()
    {
        TmyDataBase& dm = *m_dm;
        dm.RefreshKontrahenci();
        dm.LocateKontrahent(1);
        KontrahentTexts k = dm.CurrentKontrahent();
        k.ID = QStringLiteral("7");
        QVERIFY(dm.UpdateKontrahent(1, k, dm.CurrentKontrahentStamp()));
        QCOMPARE(count("rejestr WHERE IDKONTRAHENTA = 7"), 2);
        QCOMPARE(count("kontrahenci WHERE ID = 7"), 1);
    }

    void archivesAndRestores()
    {
        TmyDataBase& dm = *m_dm;
        QTemporaryDir place;
        QVERIFY(place.isValid());
        QString why;
        QCOMPARE(CreateArchiveFromServer(dm.DatabaseMain.serverConnection(), place.path(),
                                         {QStringLiteral("biuro"), EmptyDateText}, &why),
                 CreateOutcome::Created);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        // A taxpayer emptied and deleted, then the archive puts both back.
        QVERIFY(dm.DeleteRejestr(1, 7));
        QVERIFY(dm.DeleteRejestr(2, 7));
        QVERIFY(dm.DeleteKontrahent(7));
        QCOMPARE(count("kontrahenci"), 0);
        QCOMPARE(RestoreArchive(&dm, place.path(), &why), RestoreOutcome::Restored);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QCOMPARE(count("kontrahenci WHERE ID = 7"), 1);
        QCOMPARE(count("rejestr WHERE IDKONTRAHENTA = 7"), 2);
        // Rows the restore wrote take new row numbers from the table's own sequence.
        QVERIFY(dm.InsertRejestr(7, entry(QStringLiteral("3"), QStringLiteral("Nowak"))));
        QCOMPARE(count("rejestr"), 3);
    }

    // Rights on the two tables' rows only: nothing else of the database is the clerk's.
    void clerkCannotChangeTheSchema_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::newRow("drop a table") << QByteArray("DROP TABLE rejestr");
        QTest::newRow("empty a table at once") << QByteArray("TRUNCATE kontrahenci");
        QTest::newRow("alter a table") << QByteArray("ALTER TABLE rejestr ADD COLUMN x int");
        QTest::newRow("drop an index") << QByteArray("DROP INDEX rejestr_kontrahent_id");
        QTest::newRow("make a table") << QByteArray("CREATE TABLE inna (x int)");
        QTest::newRow("drop the trigger") << QByteArray("DROP TRIGGER rejestr_zmiana ON rejestr");
        QTest::newRow("change the search function")
            << QByteArray("CREATE OR REPLACE FUNCTION rejestr_fold(t text) RETURNS text "
                          "LANGUAGE sql AS $$ SELECT t $$");
    }
    void clerkCannotChangeTheSchema()
    {
        QFETCH(QByteArray, sql);
        const EDBEngineError e = asClerk(sql);
        QVERIFY2(e.message().contains(QLatin1String("permission denied")) ||
                     e.message().contains(QLatin1String("must be owner")) ||
                     e.message().contains(QLatin1String("odmowa")),
                 qPrintable(e.message()));
    }
};

QTEST_GUILESS_MAIN(TestServerClerk)
#include "test_serverclerk.moc"
