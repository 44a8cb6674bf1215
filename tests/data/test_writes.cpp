#include "support/TempProgramDir.h"

#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/PgConnection.h"
#include "dbengine/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

RejestrEntryTexts entry(const QString& id)
{
    RejestrEntryTexts e;
    e.ID = id;
    e.DATAWPISU = QStringLiteral("05-03-2008");
    e.DATADOK = QStringLiteral("04-03-2008");
    e.NRDOK = QStringLiteral("FV 1/'03'");
    e.IMIE = QStringLiteral("Zażółć");
    e.NAZWISKO = QStringLiteral("\"Gęślą\"; jaźń");
    e.NIP = QStringLiteral("123-456-78-90");
    e.ADRES = QStringLiteral("ul. Długa 5; m. 7");
    e.KODPOCZT = QStringLiteral("00-950");
    e.MIEJSCOWOSC = QStringLiteral("Łódź");
    e.NALEZNOSC = QStringLiteral("1500,50");
    e.STAWKA = QStringLiteral("2,00");
    e.DATAZAPLATY = QStringLiteral("  -  -    ");
    e.UWAGI = QStringLiteral("it's \"fine\"");
    return e;
}

KontrahentTexts taxpayer(const QString& id, const QString& name)
{
    return {id,
            QStringLiteral("skrót"),
            name,
            QStringLiteral("NIP"),
            QStringLiteral("Adres 1"),
            QStringLiteral("00-001"),
            QStringLiteral("Kraków"),
            QStringLiteral("12 34"),
            QStringLiteral("O'Reilly \"x\"; y")};
}

// The stamp of a record as its view shows it, as an edit window takes it.
RecordStamp viewedEntry(TmyDataBase& dm, qint64 id, qint64 taxpayer)
{
    dm.SetRejestrTaxpayer(taxpayer);
    dm.RefreshRejestr();
    dm.LocateRejestr(id, taxpayer);
    return dm.CurrentRejestrStamp();
}

RecordStamp viewedTaxpayer(TmyDataBase& dm, qint64 id)
{
    dm.RefreshKontrahenci();
    dm.LocateKontrahent(id);
    return dm.CurrentKontrahentStamp();
}

// What the first copy of the program does before the second saves what it read earlier.
enum class Race
{
    EditsTheEntry,
    EditsTheTaxpayer,
    RenumbersTheTaxpayer,
    DeletesTheEntry,
    DeletesAnEmptyTaxpayer,
    AddsTheSameNumber,
    AddsAnEntryToTheEmptyTaxpayer,
};

// What the second copy then saves, from what it read before.
enum class Save
{
    StaleEntry,
    StaleTaxpayer,
    NewEntry,
    EntryUnderTheEmptyTaxpayer,
    DeleteTheEmptyTaxpayer,
};

// A trigger on the server that answers `event` on the table with the server's error `raise`
// ("EXCEPTION 'text' USING ERRCODE = ...").
void RefuseOnServer(const TempProgramDir& dir, const QString& table, const QString& event,
                    const QString& raise)
{
    QCOMPARE(dir.sql(table + QStringLiteral(".DB"),
                     QStringLiteral("CREATE FUNCTION odmowa() RETURNS trigger LANGUAGE plpgsql "
                                    "AS $$ BEGIN RAISE %1; END $$")
                         .arg(raise)),
             QString());
    QCOMPARE(dir.sql(table + QStringLiteral(".DB"),
                     QStringLiteral("CREATE TRIGGER odmowa BEFORE %1 ON %2 EXECUTE FUNCTION "
                                    "odmowa()")
                         .arg(event, table)),
             QString());
}

enum class Fault
{
    DiskFull,
    DamagedPage,
    NotADatabase,
    LockedByAnother
};

} // namespace

class TestWrites : public QObject
{
    Q_OBJECT

    QStringList m_shown;

    QString row(const TempProgramDir& dir, const QString& file, const QString& sql)
    {
        return dir.sql(file, sql);
    }

    QString log(const TempProgramDir& dir)
    {
        QFile f(dir.filePath(QStringLiteral("debug/error.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private Q_SLOTS:
    void init()
    {
        m_shown.clear();
        SetInfoHandler([this](const QString& t, const QString& m) { m_shown << t + u'|' + m; });
    }

    void cleanup() { SetInfoHandler({}); }

    void engineErrorsAreToldInPolish_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("told"); // %1: the table file
        QTest::addColumn<QString>("engine");
        QTest::newRow("disk full") << Fault::DiskFull << "Brak miejsca na dysku."
                                   << "database or disk is full";
        QTest::newRow("damaged page") << Fault::DamagedPage << "Plik %1 jest uszkodzony."
                                      << "malformed";
        QTest::newRow("not a database")
            << Fault::NotADatabase << "Plik %1 jest uszkodzony: nie jest plikiem bazy danych."
            << "file is not a database";
        QTest::newRow("locked") << Fault::LockedByAnother
                                << "Pliki bazy danych są zablokowane przez inny program."
                                << "database is locked";
    }

    // Saving a taxpayer meets each fault for real: the user reads the reason in Polish first,
    // the engine's own text stays in the log.
    void engineErrorsAreToldInPolish()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, told);
        QFETCH(QString, engine);
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        const QString table = dir.filePath(QStringLiteral("db/kontrahenci.DB"));
        KontrahentTexts k = taxpayer(QStringLiteral("7"), QStringLiteral("Nowy"));
        PgConnection otherClerk;
        SqliteConnectionPtr other;
        if (dir.onServer()) {
            if (fault == Fault::DiskFull) {
                engine = QStringLiteral("No space left on device");
                RefuseOnServer(dir, QStringLiteral("kontrahenci"), QStringLiteral("INSERT"),
                               QStringLiteral("EXCEPTION 'could not extend file: %1' USING "
                                              "ERRCODE = 'disk_full'")
                                   .arg(engine));
            } else if (fault == Fault::LockedByAnother) {
                otherClerk.open(dir.server());
                otherClerk.exec("BEGIN");
                otherClerk.exec("LOCK TABLE kontrahenci");
                dm.DatabaseMain.serverConnection().setLockTimeout(1);
                engine = QStringLiteral("lock timeout");
            } else {
                QSKIP("table files only: a server has no file to damage");
            }
        } else {
            QFile file(table);
            QVERIFY(file.open(QIODevice::ReadWrite));
            sqlite3* raw = nullptr;
            sqlite3_open(QFile::encodeName(table).constData(), &raw);
            other.reset(raw);
            if (fault == Fault::DiskFull) { // not one page more; a long remark needs several
                dm.DatabaseMain.exec(
                    QStringLiteral("PRAGMA kontrahenci.max_page_count=%1").arg(file.size() / 4096));
                k.UWAGI = QString(100000, u'x');
            } else if (fault == Fault::DamagedPage) { // the table's root page, and the change
                file.seek(4096);                      // counter so the connection reads it again
                file.write(QByteArray(64, '\xff'));
                file.seek(24);
                file.write("\x7f\x7f\x7f\x7f");
            } else if (fault == Fault::NotADatabase) {
                file.write(QByteArray(100, 'x'));
            } else {
                sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
                sqlite3_busy_timeout(dm.DatabaseMain.handle(), 0);
            }
        }
        QVERIFY(!dm.InsertKontrahent(k));
        QCOMPARE(m_shown.size(), 1);
        const QString shown = m_shown[0].section(u'|', 1);
        QVERIFY2(
            shown.startsWith(told.replace(QStringLiteral("%1"), QDir::toNativeSeparators(table))),
            qPrintable(shown));
        QVERIFY2(log(dir).contains(engine), qPrintable(log(dir)));
    }

    void registerEntryRoundTrip()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        for (const char* id : {"3", "4"})
            QVERIFY(dm.InsertKontrahent(taxpayer(QLatin1String(id), QStringLiteral("Gmina"))));
        QVERIFY(dm.InsertRejestr(3, entry(QStringLiteral("12"))));
        QCOMPARE(dm.DBFInsertRejestr.sql().at(11), QStringLiteral("1500.50"));
        QCOMPARE(dm.DBFInsertRejestr.sql().at(15), QStringLiteral("0"));
        const QString rejestr = QStringLiteral("rejestr.DB");
        QCOMPARE(row(dir, rejestr,
                     QStringLiteral("SELECT ID||'|'||DATAWPISU||'|'||DATADOK||'|'||NALEZNOSC||'|'||"
                                    "STAWKA||'|'||DATAZAPLATY||'|'||IDKONTRAHENTA FROM rejestr")),
                 QStringLiteral("12|20080305|20080304|1500.5|2.0|0|3"));
        const RejestrEntryTexts e = entry(QStringLiteral("12"));
        QCOMPARE(
            row(dir, rejestr,
                QStringLiteral("SELECT NRDOK||'#'||IMIE||'#'||NAZWISKO||'#'||NIP||'#'||ADRES||'#'||"
                               "KODPOCZT||'#'||MIEJSCOWOSC||'#'||UWAGI FROM rejestr")),
            QStringList(
                {e.NRDOK, e.IMIE, e.NAZWISKO, e.NIP, e.ADRES, e.KODPOCZT, e.MIEJSCOWOSC, e.UWAGI})
                .join(u'#'));

        // Renumbering: the WHERE part names the number before editing.
        RejestrEntryTexts changed = entry(QStringLiteral("13"));
        changed.NALEZNOSC = QStringLiteral("10");
        changed.DATAZAPLATY = QStringLiteral("01-04-2008");
        QVERIFY(dm.UpdateRejestr(12, 3, changed, viewedEntry(dm, 12, 3)));
        QCOMPARE(dm.DBFUpdateRejestr.sql().at(22), QStringLiteral("12"));
        QCOMPARE(row(dir, rejestr,
                     QStringLiteral("SELECT ID||'|'||NALEZNOSC||'|'||DATAZAPLATY FROM rejestr")),
                 QStringLiteral("13|10.0|20080401"));
        // The same number of another taxpayer is untouched.
        QVERIFY(dm.InsertRejestr(4, entry(QStringLiteral("13"))));
        QVERIFY(dm.DeleteRejestr(13, 3));
        QCOMPARE(
            row(dir, rejestr, QStringLiteral("SELECT group_concat(IDKONTRAHENTA) FROM rejestr")),
            QStringLiteral("4"));
        QVERIFY(m_shown.isEmpty());
    }

    void twoCopiesNeverLoseOrBendARecord_data()
    {
        QTest::addColumn<Race>("first");
        QTest::addColumn<Save>("second");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("stored"); // taxpayers, then entries as taxpayer/number:amount
        const auto row = [](const char* name, Race r, Save s, SaveResult::Outcome o,
                            const char* stored) {
            QTest::newRow(name) << r << s << int(o) << QString::fromUtf8(stored);
        };
        row("lost update of an entry", Race::EditsTheEntry, Save::StaleEntry, SaveResult::Changed,
            "1A,3C|1/7:500.0");
        row("lost update of a taxpayer", Race::EditsTheTaxpayer, Save::StaleTaxpayer,
            SaveResult::Changed, "1Nowa,3C|1/7:1.0");
        row("edit of a renumbered entry", Race::RenumbersTheTaxpayer, Save::StaleEntry,
            SaveResult::Removed, "2A,3C|2/7:1.0");
        row("edit of a deleted entry", Race::DeletesTheEntry, Save::StaleEntry, SaveResult::Removed,
            "1A,3C|");
        row("orphan under a renumbered taxpayer", Race::RenumbersTheTaxpayer, Save::NewEntry,
            SaveResult::Removed, "2A,3C|2/7:1.0");
        row("orphan under a deleted taxpayer", Race::DeletesAnEmptyTaxpayer,
            Save::EntryUnderTheEmptyTaxpayer, SaveResult::Removed, "1A|1/7:1.0");
        row("the same number twice", Race::AddsTheSameNumber, Save::NewEntry, SaveResult::Taken,
            "1A,3C|1/7:1.0,1/8:2.0");
        row("taxpayer deleted under a new entry", Race::AddsAnEntryToTheEmptyTaxpayer,
            Save::DeleteTheEmptyTaxpayer, SaveResult::HasEntries, "1A,3C|1/7:1.0,3/1:1500.5");
    }

    // Two copies of the program on the same files, each with its own connection: the second
    // saves what it read before the first wrote. It is refused with the reason, and the files
    // keep exactly what the first stored.
    void twoCopiesNeverLoseOrBendARecord()
    {
        QFETCH(Race, first);
        QFETCH(Save, second);
        QFETCH(int, outcome);
        QFETCH(QString, stored);
        TempProgramDir dir;
        dir.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES (1,'A'),(3,'C')"));
        dir.sql(QStringLiteral("rejestr.DB"),
                QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA,NALEZNOSC) VALUES (7,1,1)"));
        TmyDataBase a;
        TmyDataBase b;
        a.DMCreate();
        b.DMCreate();
        const RecordStamp entryAsRead = viewedEntry(b, 7, 1);
        const RecordStamp taxpayerAsRead = viewedTaxpayer(b, 1);

        RejestrEntryTexts changed = b.CurrentRejestr();
        switch (first) {
        case Race::EditsTheEntry:
            changed.NALEZNOSC = QStringLiteral("500,00");
            QVERIFY(a.UpdateRejestr(7, 1, changed, viewedEntry(a, 7, 1)));
            break;
        case Race::EditsTheTaxpayer:
            QVERIFY(a.UpdateKontrahent(1, taxpayer(QStringLiteral("1"), QStringLiteral("Nowa")),
                                       viewedTaxpayer(a, 1)));
            break;
        case Race::RenumbersTheTaxpayer:
            QVERIFY(a.UpdateKontrahent(1, taxpayer(QStringLiteral("2"), QStringLiteral("A")),
                                       viewedTaxpayer(a, 1)));
            break;
        case Race::DeletesTheEntry:
            QVERIFY(a.DeleteRejestr(7, 1));
            break;
        case Race::DeletesAnEmptyTaxpayer:
            QVERIFY(a.DeleteKontrahent(3));
            break;
        case Race::AddsTheSameNumber: {
            RejestrEntryTexts e = entry(QStringLiteral("8"));
            e.NALEZNOSC = QStringLiteral("2");
            QVERIFY(a.InsertRejestr(1, e));
            break;
        }
        case Race::AddsAnEntryToTheEmptyTaxpayer:
            QVERIFY(a.InsertRejestr(3, entry(QStringLiteral("1"))));
            break;
        }

        SaveResult result;
        switch (second) {
        case Save::StaleEntry:
            changed.NALEZNOSC = QStringLiteral("1,00");
            changed.UWAGI = QStringLiteral("nieaktualne");
            result = b.UpdateRejestr(7, 1, changed, entryAsRead);
            break;
        case Save::StaleTaxpayer:
            result = b.UpdateKontrahent(1, taxpayer(QStringLiteral("1"), QStringLiteral("Stara")),
                                        taxpayerAsRead);
            break;
        case Save::NewEntry:
            result = b.InsertRejestr(1, entry(QStringLiteral("8")));
            break;
        case Save::EntryUnderTheEmptyTaxpayer:
            result = b.InsertRejestr(3, entry(QStringLiteral("1")));
            break;
        case Save::DeleteTheEmptyTaxpayer:
            result = b.DeleteKontrahent(3);
            break;
        }
        QCOMPARE(int(result.outcome), outcome);
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(row(dir, QStringLiteral("kontrahenci.DB"),
                     QStringLiteral("SELECT group_concat(ID||NAZWA) FROM (SELECT * FROM "
                                    "kontrahenci ORDER BY ID)")) +
                     u'|' +
                     row(dir, QStringLiteral("rejestr.DB"),
                         QStringLiteral("SELECT group_concat(IDKONTRAHENTA||'/'||ID||':'||"
                                        "NALEZNOSC) FROM (SELECT * FROM rejestr ORDER BY "
                                        "IDKONTRAHENTA, ID)")),
                 stored);
    }

    // Another copy deleted the record meanwhile: the edit answers so and writes nothing.
    void editOfAVanishedRecordIsReported()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        QCOMPARE(dm.UpdateRejestr(12, 3, entry(QStringLiteral("12")), {}).outcome,
                 SaveResult::Removed);
        QCOMPARE(dm.UpdateKontrahent(5, taxpayer(QStringLiteral("6"), QStringLiteral("Gmina")), {})
                     .outcome,
                 SaveResult::Removed);
        QCOMPARE(dm.DeleteRejestr(12, 3).outcome, SaveResult::Removed);
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(
            row(dir, QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
            QStringLiteral("0"));
    }

    void taxpayerRoundTrip()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        QVERIFY(dm.InsertKontrahent(taxpayer(QStringLiteral("3"), QStringLiteral("Gmina"))));
        const QString k = QStringLiteral("kontrahenci.DB");
        QCOMPARE(row(dir, k,
                     QStringLiteral("SELECT ID||'#'||NAZWA||'#'||SKROT||'#'||UWAGI||'#'||TELEFONY "
                                    "FROM kontrahenci")),
                 QStringLiteral("3#Gmina#skrót#O'Reilly \"x\"; y#12 34"));
        QVERIFY(dm.UpdateKontrahent(3, taxpayer(QStringLiteral("3"), QStringLiteral("Gmina Nowa")),
                                    viewedTaxpayer(dm, 3)));
        QCOMPARE(row(dir, k, QStringLiteral("SELECT NAZWA FROM kontrahenci WHERE ID=3")),
                 QStringLiteral("Gmina Nowa"));
        QVERIFY(dm.DeleteKontrahent(3));
        QCOMPARE(row(dir, k, QStringLiteral("SELECT count(*) FROM kontrahenci")),
                 QStringLiteral("0"));
    }

    // A taxpayer's entries move with its number, in one transaction.
    void renumberedTaxpayerKeepsItsEntries()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        QVERIFY(dm.InsertKontrahent(taxpayer(QStringLiteral("3"), QStringLiteral("Gmina"))));
        QVERIFY(dm.InsertKontrahent(taxpayer(QStringLiteral("5"), QStringLiteral("Inna"))));
        QVERIFY(dm.InsertRejestr(3, entry(QStringLiteral("1"))));
        QVERIFY(dm.InsertRejestr(3, entry(QStringLiteral("2"))));
        QVERIFY(dm.InsertRejestr(5, entry(QStringLiteral("1"))));
        QVERIFY(dm.KontrahentHasEntries(3));
        QVERIFY(!dm.KontrahentHasEntries(8));
        QVERIFY(dm.UpdateKontrahent(3, taxpayer(QStringLiteral("8"), QStringLiteral("Gmina")),
                                    viewedTaxpayer(dm, 3)));
        QCOMPARE(row(dir, QStringLiteral("rejestr.DB"),
                     QStringLiteral("SELECT group_concat(IDKONTRAHENTA||'/'||ID, ',') FROM "
                                    "(SELECT * FROM rejestr ORDER BY IDKONTRAHENTA, ID)")),
                 QStringLiteral("5/1,8/1,8/2"));
        QVERIFY(!dm.KontrahentHasEntries(3));

        // When moving the entries fails, the taxpayer keeps its old number as well.
        if (dir.onServer())
            RefuseOnServer(dir, QStringLiteral("rejestr"),
                           QStringLiteral("UPDATE OF IDKONTRAHENTA"),
                           QStringLiteral("EXCEPTION 'przeniesienie zablokowane'"));
        else
            dir.sql(
                QStringLiteral("rejestr.DB"),
                QStringLiteral("CREATE TRIGGER no_move BEFORE UPDATE OF IDKONTRAHENTA ON "
                               "rejestr BEGIN SELECT RAISE(ABORT, 'przeniesienie zablokowane'); "
                               "END"));
        dm.DatabaseMain.connect(); // see the new trigger
        QVERIFY(!dm.UpdateKontrahent(8, taxpayer(QStringLiteral("9"), QStringLiteral("Gmina")),
                                     viewedTaxpayer(dm, 8)));
        QCOMPARE(row(dir, QStringLiteral("kontrahenci.DB"),
                     QStringLiteral("SELECT group_concat(ID) FROM (SELECT ID FROM kontrahenci "
                                    "ORDER BY ID)")),
                 QStringLiteral("5,8"));
        QCOMPARE(m_shown.size(), 1);
        QVERIFY(m_shown[0].contains(QLatin1String("przeniesienie zablokowane")));
        QVERIFY(log(dir).contains(QLatin1String("[0000121826]")));
        // The connection is usable afterwards (no transaction left open).
        QVERIFY(dm.UpdateKontrahent(8, taxpayer(QStringLiteral("8"), QStringLiteral("Inna")),
                                    viewedTaxpayer(dm, 8)));
    }

    void numbersNeverBecomeSql_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("amount");
        QTest::newRow("id with SQL") << "1); DELETE FROM rejestr; --"
                                     << "1,00";
        QTest::newRow("amount with SQL") << "1"
                                         << "1, 2) --";
        QTest::newRow("empty id") << ""
                                  << "1,00";
        QTest::newRow("amount with letters") << "1"
                                             << "1e5";
    }

    void numbersNeverBecomeSql()
    {
        QFETCH(QString, id);
        QFETCH(QString, amount);
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        QVERIFY(dm.InsertKontrahent(taxpayer(QStringLiteral("3"), QStringLiteral("Gmina"))));
        QVERIFY(dm.InsertRejestr(3, entry(QStringLiteral("1"))));
        RejestrEntryTexts bad = entry(id);
        bad.NALEZNOSC = amount;
        QVERIFY(!dm.InsertRejestr(3, bad));
        QVERIFY(!dm.UpdateRejestr(1, 3, bad, viewedEntry(dm, 1, 3)));
        QCOMPARE(row(dir, QStringLiteral("rejestr.DB"),
                     QStringLiteral("SELECT count(*)||'/'||sum(NALEZNOSC) FROM rejestr")),
                 QStringLiteral("1/1500.5"));
        QVERIFY(log(dir).contains(QLatin1String("[0000101654]")));
        QVERIFY(log(dir).contains(QLatin1String("[0000101826]")));
    }

    void failuresReportTheirCodes()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        dm.DatabaseMain.disconnect();
        QVERIFY(!dm.InsertRejestr(1, entry(QStringLiteral("1"))));
        QVERIFY(!dm.UpdateRejestr(1, 1, entry(QStringLiteral("1")), {}));
        QVERIFY(!dm.DeleteRejestr(1, 1));
        QVERIFY(!dm.InsertKontrahent(taxpayer(QStringLiteral("1"), QStringLiteral("x"))));
        QVERIFY(!dm.UpdateKontrahent(1, taxpayer(QStringLiteral("1"), QStringLiteral("x")), {}));
        QVERIFY(!dm.DeleteKontrahent(1));
        QVERIFY(dm.KontrahentHasEntries(1)); // a doubt keeps the taxpayer
        QCOMPARE(m_shown.size(), 6);
        for (const char* code : {"[0000101654]", "[0000101826]", "[0000102115]", "[0000111654]",
                                 "[0000121826]", "[0000112115]"})
            QVERIFY2(log(dir).contains(QLatin1String(code)), code);
    }

    // The grid reads its view lazily; writing meanwhile must work and the re-run sees the change.
    void writesWhileAViewIsPartlyRead()
    {
        TempProgramDir dir;
        QString values;
        for (int i = 1; i <= 2000; ++i)
            values += QStringLiteral("%1(%2,3)").arg(i > 1 ? "," : "").arg(i);
        dir.sql(QStringLiteral("rejestr.DB"),
                QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES ") + values);
        dir.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES (3,'Gmina')"));
        TmyDataBase dm;
        dm.DMCreate();
        dm.SetRejestrTaxpayer(3);
        dm.RefreshRejestr();
        QVERIFY(!dm.DBFRejestr.rowCountKnown());
        QVERIFY(dm.UpdateKontrahent(3, taxpayer(QStringLiteral("4"), QStringLiteral("x")),
                                    viewedTaxpayer(dm, 3)));
        QVERIFY(dm.DeleteRejestr(2000, 4));
        dm.SetRejestrTaxpayer(4);
        dm.RefreshRejestr();
        QCOMPARE(dm.DBFRejestr.countRows(), 1999);
        QVERIFY(m_shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWrites)
#include "test_writes.moc"
