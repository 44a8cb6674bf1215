#include "support/TempProgramDir.h"

#include "data/Amounts.h"
#include "data/Clock.h"
#include "data/Regional.h"
#include "data/ViewModel.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/PolishText.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

class TestDataModule : public QObject
{
    Q_OBJECT

    QStringList m_shown;

    QString log(const TempProgramDir& dir)
    {
        QFile f(dir.filePath(QStringLiteral("debug/error.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    static void addTaxpayers(const TempProgramDir& dir)
    {
        dir.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA,SKROT) VALUES "
                               "(3,'Gmina Trzecia','G3'),(1,'Pierwszy',''),(8,'Ósmy','O8')"));
    }

    // Taxpayer 3 has entries in February, March and April 2008; taxpayer 4 one in March.
    static void addEntries(const TempProgramDir& dir)
    {
        dir.sql(QStringLiteral("rejestr.DB"),
                QStringLiteral(
                    "INSERT INTO rejestr(ID,DATAWPISU,DATADOK,NALEZNOSC,STAWKA,"
                    "DATAZAPLATY,IDKONTRAHENTA) VALUES "
                    "(1,20080301,20080210,100,2,0,3),(2,20080331,20080315,1500,2,20080402,3),"
                    "(3,20080229,20080101,50,1,0,3),(4,20080401,20080401,10,10,0,3),"
                    "(5,20080315,20080301,999,2,0,4),(6,20080310,20080320,1000.5,2.5,0,3)"));
    }

    static QList<qint64> ids(Query& q)
    {
        QList<qint64> result;
        for (q.first(); !q.eof(); q.next())
            result << q.asInteger(QStringLiteral("ID"));
        return result;
    }

    static QStringList column(Query& q, const QString& name)
    {
        QStringList result;
        for (q.first(); !q.eof(); q.next())
            result << q.asText(name);
        return result;
    }

private Q_SLOTS:
    void init()
    {
        m_shown.clear();
        SetInfoHandler([this](const QString& t, const QString& m) { m_shown << t + u'|' + m; });
        SetClock([] { return QDateTime(QDate(2008, 3, 5), QTime(14, 7, 31)); });
    }

    void cleanup()
    {
        SetInfoHandler({});
        SetClock({});
    }

    void createOpensTaxpayersAndLeavesRegisterEmpty()
    {
        TempProgramDir dir;
        addTaxpayers(dir);
        addEntries(dir);
        TmyDataBase dm;
        dm.DMCreate();
        QCOMPARE(dm.DatabaseMain.databaseName, QStringLiteral("DBREJESTR"));
        QCOMPARE(dm.DatabaseMain.params,
                 QStringList{dir.onServer()
                                 ? QStringLiteral("SERVER=") + dir.server()
                                 : QStringLiteral("PATH=") + dir.path() + QStringLiteral("/db/")});
        QVERIFY(dm.DBFKontrahenci.isOpen());
        QCOMPARE(ids(dm.DBFKontrahenci), (QList<qint64>{1, 3, 8}));
        QVERIFY(!dm.RejestrTaxpayer());
        dm.RefreshRejestr();
        QVERIFY(dm.DBFRejestr.isOpen());
        QVERIFY(dm.DBFRejestr.isEmpty());
        QVERIFY(m_shown.isEmpty());
    }

    void createFailsLoudlyWithoutTheTables()
    {
        TempProgramDir dir;
        if (dir.onServer())
            QCOMPARE(dir.sql(QStringLiteral("rejestr.DB"), QStringLiteral("DROP TABLE rejestr")),
                     QString());
        else
            QVERIFY(QDir(dir.filePath(QStringLiteral("db"))).removeRecursively());
        TmyDataBase dm;
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, dm.DMCreate());
    }

    void foreignFilesDoNotStopTheConnection_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("sizeAfter");
        QTest::newRow("Paradox table copied into db/") << "db/STARE.DB" << qint64(4096);
        QTest::newRow("damaged session file, made anew") << ".sesja" << qint64(0);
    }

    void foreignFilesDoNotStopTheConnection()
    {
        QFETCH(QString, file);
        QFETCH(qint64, sizeAfter);
        TempProgramDir dir;
        if (dir.onServer())
            QSKIP("table files only: with a server neither db/ nor .sesja is opened");
        addTaxpayers(dir);
        QFile junk(dir.filePath(file));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        TmyDataBase dm;
        dm.DMCreate();
        QCOMPARE(ids(dm.DBFKontrahenci), (QList<qint64>{1, 3, 8}));
        QCOMPARE(QFileInfo(junk).size(), sizeAfter);
        // Still on the file, not on memory: a change of both tables commits as a whole.
        QCOMPARE(QString::fromUtf8(sqlite3_db_filename(dm.DatabaseMain.handle(), "main")),
                 dir.filePath(QStringLiteral(".sesja")));
    }

    // Taxpayer 3, March 2008, "data dok." clicked twice from the start state.
    void workedExampleComposesTheSevenLines()
    {
        TempProgramDir dir;
        addTaxpayers(dir);
        addEntries(dir);
        TmyDataBase dm;
        dm.DMCreate();
        dm.SetRejestrTaxpayer(3);
        dm.SetRejestrYearMonth(2008, 3);
        dm.SortRejestrBy(QStringLiteral("DATADOK"));
        dm.SortRejestrBy(QStringLiteral("DATADOK"));
        QCOMPARE(dm.DBFRejestr.text(),
                 QStringLiteral("SELECT * FROM rejestr.DB WHERE 1=1\r\n\r\n"
                                "AND DATAWPISU > 20080300AND DATAWPISU < 20080400\r\n"
                                "AND IDKONTRAHENTA=3\r\nORDER BY\r\nDATADOK\r\nDESC\r\n"));
        QCOMPARE(ids(dm.DBFRejestr), (QList<qint64>{6, 2, 1}));

        const auto sums = dm.SumRejestr();
        QVERIFY(sums.has_value());
        QCOMPARE(dm.DBFRejestrSUMA.sql().at(3), QStringLiteral("AND IDKONTRAHENTA=3"));
        QCOMPARE(sums->count, QStringLiteral("3"));
        QCOMPARE(sums->amounts, QStringLiteral("2600,50"));
        QCOMPARE(sums->values, QStringLiteral("57,01"));
    }

    void sortStateTransitions()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        dm.SortRejestrBy(QStringLiteral("DATADOK"));
        QCOMPARE(dm.RejestrSortField(), QStringLiteral("DATADOK"));
        QVERIFY(dm.RejestrSortAscending());
        dm.SortRejestrBy(QStringLiteral("DATADOK"));
        QVERIFY(!dm.RejestrSortAscending());
        dm.SortRejestrBy(QStringLiteral("NALEZNOSC"));
        QCOMPARE(dm.DBFRejestr.sql().at(5), QStringLiteral("NALEZNOSC"));
        QCOMPARE(dm.DBFRejestr.sql().at(6), QStringLiteral("DESC"));
        // The comparison is exact: another spelling counts as another column.
        dm.SortRejestrBy(QStringLiteral("naleznosc"));
        QVERIFY(!dm.RejestrSortAscending());

        dm.SortKontrahenciBy(QStringLiteral("ID"));
        QVERIFY(!dm.KontrahenciSortAscending());
        QCOMPARE(dm.DBFKontrahenci.sql().at(6), QStringLiteral("DESC"));
    }

    void sortByTaxValueFollowsTheShownValue()
    {
        TempProgramDir dir;
        addEntries(dir);
        TmyDataBase dm;
        dm.DMCreate();
        dm.SetRejestrTaxpayer(3);
        dm.SortRejestrBy(QStringLiteral("WARTOSC"));
        QCOMPARE(dm.RejestrSortField(), QStringLiteral("WARTOSC"));
        // values: 1 -> 2.00, 2 -> 30.00, 3 -> 0.50, 4 -> 1.00, 6 -> 25.0125
        QCOMPARE(ids(dm.DBFRejestr), (QList<qint64>{3, 4, 1, 6, 2}));
        dm.SortRejestrBy(QStringLiteral("WARTOSC"));
        QCOMPARE(ids(dm.DBFRejestr), (QList<qint64>{2, 6, 1, 4, 3}));
    }

    void displayRulesOfTheRegister()
    {
        TempProgramDir dir;
        addEntries(dir);
        TmyDataBase dm;
        dm.DMCreate();
        dm.SetRejestrTaxpayer(3);
        dm.RefreshRejestr();
        dm.LocateRejestr(2, 3);
        Query& q = dm.DBFRejestr;
        QCOMPARE(q.asText(QStringLiteral("NALEZNOSC")), QStringLiteral("1500,00"));
        QCOMPARE(q.asText(QStringLiteral("STAWKA")), QStringLiteral("2,00 %"));
        QCOMPARE(q.asText(QStringLiteral("WARTOSC")), QStringLiteral("30,00"));
        QCOMPARE(q.asText(QStringLiteral("DATAWPISU")), QStringLiteral("31-03-2008"));
        QCOMPARE(q.asText(QStringLiteral("DATAZAPLATY")), QStringLiteral("02-04-2008"));
        QCOMPARE(q.asInteger(QStringLiteral("DATAWPISU")), 20080331);
        dm.LocateRejestr(1, 3);
        QCOMPARE(q.asText(QStringLiteral("DATAZAPLATY")), QString()); // 0 shows nothing
        dm.LocateRejestr(6, 3);
        QCOMPARE(q.asText(QStringLiteral("WARTOSC")), QStringLiteral("25,01"));
        QCOMPARE(q.asText(QStringLiteral("STAWKA")), QStringLiteral("2,50 %"));
    }

    void locate()
    {
        TempProgramDir dir;
        addTaxpayers(dir);
        addEntries(dir);
        TmyDataBase dm;
        dm.DMCreate();
        dm.LocateKontrahent(3);
        QCOMPARE(dm.DBFKontrahenci.asText(QStringLiteral("SKROT")), QStringLiteral("G3"));
        dm.LocateKontrahent(99);
        QCOMPARE(dm.DBFKontrahenci.asInteger(QStringLiteral("ID")), 8); // ends on the last row

        dm.SetRejestrTaxpayer(3);
        dm.RefreshRejestr();
        dm.LocateRejestr(4, 3);
        QCOMPARE(dm.DBFRejestr.asInteger(QStringLiteral("ID")), 4);
        dm.LocateRejestr(5, 3); // entry 5 belongs to taxpayer 4
        QCOMPARE(dm.DBFRejestr.asInteger(QStringLiteral("ID")), 6);
        QVERIFY(m_shown.isEmpty());

        dm.DBFRejestr.close();
        dm.LocateRejestr(1, 3);
        QCOMPARE(m_shown.size(), 1);
        QVERIFY(log(dir).contains(QLatin1String("[0000101717]")));
    }

    void numbersAndExistence()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        QCOMPARE(dm.MaxID(QStringLiteral("kontrahenci"), QStringLiteral("ID")), 0);
        QCOMPARE(dm.MaxRejestrID(3), 0);
        addTaxpayers(dir);
        addEntries(dir);
        QCOMPARE(dm.MaxID(QStringLiteral("kontrahenci"), QStringLiteral("ID")), 8);
        QCOMPARE(dm.MaxRejestrID(3), 6);
        QCOMPARE(dm.MaxRejestrID(4), 5);
        QCOMPARE(dm.MaxRejestrID(9), 0);
        QVERIFY(dm.RejestrIDExists(5, 4));
        QVERIFY(!dm.RejestrIDExists(5, 3));
        QVERIFY(dm.RecordExists(8, QStringLiteral("kontrahenci"), QStringLiteral("ID")));
        QVERIFY(!dm.RecordExists(7, QStringLiteral("kontrahenci"), QStringLiteral("ID")));
        QVERIFY(m_shown.isEmpty());
    }

    void failuresReportTheirCodes()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        dm.DatabaseMain.disconnect();
        QVERIFY(dm.RejestrIDExists(1, 1)); // a doubt refuses the save
        QVERIFY(dm.RecordExists(1, QStringLiteral("kontrahenci"), QStringLiteral("ID")));
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(dm.MaxRejestrID(1), -1);
        QCOMPARE(dm.MaxID(QStringLiteral("kontrahenci"), QStringLiteral("ID")), -1);
        QVERIFY(!dm.SumRejestr().has_value());
        QVERIFY(!dm.CountKontrahenci().has_value());
        dm.RefreshRejestr();
        dm.RefreshKontrahenci();
        QCOMPARE(m_shown.size(), 6);
        for (const char* code : {"[0000101347]", "[0000000801]", "[0000102210]", "[0000112210]",
                                 "[0000101719]", "[0000101349]"})
            QVERIFY2(log(dir).contains(QLatin1String(code)), code);
    }

    void aTableWithoutTheShownColumnsIsReported()
    {
        TempProgramDir dir;
        QCOMPARE(dir.sql(QStringLiteral("rejestr.DB"), QStringLiteral("DROP TABLE rejestr")),
                 QString());
        QCOMPARE(dir.sql(QStringLiteral("rejestr.DB"),
                         QStringLiteral("CREATE TABLE rejestr(ID INTEGER, IDKONTRAHENTA INTEGER)")),
                 QString());
        TmyDataBase dm;
        dm.DMCreate();
        dm.RefreshRejestr();
        QCOMPARE(m_shown.size(), 1);
        QVERIFY(log(dir).contains(QLatin1String("[0000101719]")));
    }

    void sumsAndCounts()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        auto sums = dm.SumRejestr();
        QVERIFY(sums.has_value());
        QCOMPARE(sums->count, QStringLiteral("0"));
        QCOMPARE(sums->amounts, QStringLiteral("0,00"));
        QCOMPARE(sums->values, QStringLiteral("0,00"));
        QCOMPARE(dm.CountKontrahenci().value(), QStringLiteral("0"));
        addTaxpayers(dir);
        addEntries(dir);
        QCOMPARE(dm.CountKontrahenci().value(), QStringLiteral("3"));
        dm.SetRejestrTaxpayer(3);
        dm.SetRejestrYearMonth(2008, 0);
        sums = dm.SumRejestr();
        QCOMPARE(sums->count, QStringLiteral("5"));
        QCOMPARE(sums->amounts, QStringLiteral("2660,50"));
    }

    // The totals are added by the engine and the rows are shown by the program: both must
    // round every figure alike, half grosze and binary neighbours of them included.
    void engineAndProgramRoundAlike()
    {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
        const QByteArray sql =
            (QStringLiteral("SELECT ") + AmountHundredthsSql(QStringLiteral("?1")) + u',' +
             TaxValueGroszeSql(QStringLiteral("?1"), QStringLiteral("?2")))
                .toUtf8();
        sqlite3_stmt* st = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), SQLITE_OK);
        const double rates[] = {2, 1, 0.5, 0.1, 2.5, 0.25, -2, 100, 0.01};
        int halves = 0;
        for (qint64 units = -200000; units <= 2000000; units += 31) {
            for (const double base : {units / 100.0, units / 1000.0}) {
                for (const double rate : rates) {
                    sqlite3_bind_double(st, 1, base);
                    sqlite3_bind_double(st, 2, rate);
                    QCOMPARE(sqlite3_step(st), SQLITE_ROW);
                    QCOMPARE(qint64(sqlite3_column_double(st, 0)), AmountHundredths(base).value());
                    const qint64 tax = TaxValueGrosze(base, rate).value();
                    QCOMPARE(qint64(sqlite3_column_double(st, 1)), tax);
                    sqlite3_reset(st);
                    // In thousandths of a grosz; a product ending in exactly half a grosz
                    // rounds away from zero.
                    const qint64 exact = std::llround(base * 1000) * std::llround(rate * 100);
                    const qint64 sign = exact < 0 ? -1 : 1;
                    if (exact % 100000 == 50000 * sign) {
                        ++halves;
                        QCOMPARE(tax, exact / 100000 + sign);
                    }
                }
            }
        }
        QVERIFY(halves > 1000);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }

    void engineVersion()
    {
        TmyDataBase dm;
        QCOMPARE(dm.BDEVersion(), QString::number(sqlite3_libversion_number()));
    }

    // The insert template of a register entry, filled as the save of entry 12 fills it.
    void insertTemplateStoresTheWorkedExample()
    {
        TempProgramDir dir;
        TmyDataBase dm;
        dm.DMCreate();
        Query& ins = dm.DBFInsertRejestr;
        QCOMPARE(ins.sql().size(), 20);
        const QStringList texts{QStringLiteral("FV/1'2\"3"),      QStringLiteral("Jan"),
                                QStringLiteral("Kowalski; Żółć"), QStringLiteral("123-456-78-90"),
                                QStringLiteral("ul. Długa 5"),    QStringLiteral("00-950"),
                                QStringLiteral("Łódź"),           QStringLiteral("uwagi 'x'")};
        for (int i = 0; i < 8; ++i)
            ins.setParam(QStringLiteral("PARAM%1").arg(i), texts[i]);
        ins.setLine(5, QStringLiteral("12"));
        ins.setLine(7, QString::number(DateTextToInt(QStringLiteral("05-03-2008"))));
        ins.setLine(9, QString::number(DateTextToInt(QStringLiteral("04-03-2008"))));
        ins.setLine(11, ReplaceChar(QStringLiteral("1500,00"), u',', u'.'));
        ins.setLine(13, ReplaceChar(QStringLiteral("2,00"), u',', u'.'));
        ins.setLine(15, QString::number(DateTextToInt(EmptyDateText)));
        ins.setLine(18, QStringLiteral("3"));
        ins.execute();
        QCOMPARE(
            dir.sql(QStringLiteral("rejestr.DB"),
                    QStringLiteral("SELECT ID||'|'||DATAWPISU||'|'||DATADOK||'|'||NALEZNOSC||'|'||"
                                   "STAWKA||'|'||DATAZAPLATY||'|'||IDKONTRAHENTA||'|'||"
                                   "typeof(WARTOSC) FROM rejestr")),
            QStringLiteral("12|20080305|20080304|1500.0|2.0|0|3|null"));
        QCOMPARE(
            dir.sql(QStringLiteral("rejestr.DB"),
                    QStringLiteral("SELECT NRDOK||'#'||IMIE||'#'||NAZWISKO||'#'||NIP||'#'||ADRES||"
                                   "'#'||KODPOCZT||'#'||MIEJSCOWOSC||'#'||UWAGI FROM rejestr")),
            texts.join(u'#'));
    }

    void gridModelReadsLazilyAndFollowsRefreshes()
    {
        TempProgramDir dir;
        QString values;
        for (int i = 1; i <= 3000; ++i)
            values += QStringLiteral("%1(%2,20080101,%2.5,2,7)").arg(i > 1 ? "," : "").arg(i);
        dir.sql(QStringLiteral("rejestr.DB"),
                QStringLiteral(
                    "INSERT INTO rejestr(ID,DATAWPISU,NALEZNOSC,STAWKA,IDKONTRAHENTA) VALUES ") +
                    values);
        TmyDataBase dm;
        dm.DMCreate();
        ViewModel model(&dm.DBFRejestr, RejestrColumns());
        QCOMPARE(model.rowCount(), 0);
        dm.SetRejestrTaxpayer(7);
        dm.RefreshRejestr();
        QVERIFY(model.rowCount() > 0);
        QVERIFY(model.rowCount() < 3000);
        QVERIFY(model.canFetchMore({}));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("id"));
        QCOMPARE(model.headerData(10, Qt::Horizontal).toString(), QStringLiteral("należność"));
        QCOMPARE(model.index(0, 10).data().toString(), QStringLiteral("1,50"));
        QCOMPARE(model.index(0, 12).data().toString(), QStringLiteral("0,03"));
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("01-01-2008"));
        model.fetchMore({}); // the count, once the first screen is shown
        QCOMPARE(model.rowCount(), 3000);
        QVERIFY(!model.canFetchMore({}));
        QCOMPARE(model.index(2999, 0).data().toString(), QStringLiteral("3000"));
        dm.LocateRejestr(2999, 7);
        QCOMPARE(dm.DBFRejestr.cursor(), 2998);
        QCOMPARE(dm.DBFRejestr.asInteger(QStringLiteral("ID")), 2999);
        dm.LocateRejestr(5000, 7); // no such entry: the last row
        QCOMPARE(dm.DBFRejestr.cursor(), 2999);
        dm.SortRejestrBy(QStringLiteral("ID"));
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("3000"));
        QVERIFY(model.rowCount() < 3000);

        // Qt's own checks over refreshes, lazy reads and locates (the checker reads everything).
        ViewModel checked(&dm.DBFRejestr, RejestrColumns());
        QAbstractItemModelTester tester(&checked,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        dm.RefreshRejestr();
        dm.LocateRejestr(1500, 7);
        QCoreApplication::processEvents();
        dm.SortRejestrBy(QStringLiteral("WARTOSC"));
        checked.fetchMore({});
        QCOMPARE(checked.index(0, 0).data().toString(),
                 QStringLiteral("3000")); // the highest value
        dm.DBFRejestr.close();
        QCOMPARE(checked.rowCount(), 0);
    }

    // Polish alphabetical order of the grids and the taxpayer search.
    void textColumnsSortInPolishOrder_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("ordered");
        QTest::newRow("surnames") << "rejestr"
                                  << "NAZWISKO"
                                  << QStringList{"Adam",   "adam",    "Bogdan", "Cezary", "ćma",
                                                 "Łukasz", "Ślusarz", "Zenon",  "Żabka"};
        QTest::newRow("first names") << "rejestr"
                                     << "IMIE" << QStringList{"Anna", "Józef", "Łukasz", "Marek"};
        QTest::newRow("letters inside words")
            << "kontrahenci"
            << "NAZWA"
            << QStringList{"kon", "koń", "kot", "Laska", "Lis", "Łabędź", "łania", "Mazur"};
        QTest::newRow("abbreviations")
            << "kontrahenci"
            << "SKROT"
            << QStringList{"KN Abc", "KN Łoś", "KN Mazur", "KN Zenon", "KN Źródło", "KN Żak"};
        QTest::newRow("case alone: binary order")
            << "kontrahenci"
            << "MIEJSCOWOSC" << QStringList{"", "1 Maja", "Ełk", "EWA", "Ewa", "ewa"};
        QTest::newRow("foreign accents with their letter")
            << "rejestr"
            << "UWAGI" << QStringList{"Cafe", "Café", "Émile", "Ewa", "Mueller", "Müller"};
        // Far more rows than a window holds: every window's edge keeps the order.
        QStringList many;
        for (const char* word :
             {"Adam", "adam", "ćma", "Cezary", "Łukasz", "łania", "Zenon", "Żabka", "żaba"})
            for (int k = 0; k < 100; ++k)
                many << QString::fromUtf8(word) +
                            QStringLiteral(" %1").arg(k % 50, 2, 10, QLatin1Char('0'));
        std::sort(many.begin(), many.end(), [](const QString& a, const QString& b) {
            return ComparePolish(a.toStdString(), b.toStdString()) < 0;
        });
        QTest::newRow("across windows") << "rejestr"
                                        << "NAZWISKO" << many;
    }

    void textColumnsSortInPolishOrder()
    {
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(QStringList, ordered);
        TempProgramDir dir;
        QStringList shuffled = ordered;
        std::shuffle(shuffled.begin(), shuffled.end(), *QRandomGenerator::global());
        const bool onRegister = table == QLatin1String("rejestr");
        QStringList values;
        for (int i = 0; i < shuffled.size(); ++i)
            values << QStringLiteral("(%1%2,'%3')")
                          .arg(onRegister ? QStringLiteral("1,") : QString(),
                               QString::number(i + 1), shuffled[i]);
        dir.sql(
            table + QStringLiteral(".DB"),
            QStringLiteral("INSERT INTO %1(%2%3) VALUES ")
                    .arg(table, onRegister ? QStringLiteral("IDKONTRAHENTA,ID,") : "ID,", field) +
                values.join(u','));
        TmyDataBase dm;
        dm.DMCreate();
        dm.SetRejestrTaxpayer(1);
        Query& view = onRegister ? dm.DBFRejestr : dm.DBFKontrahenci;
        for (int click = 0; click < 2; ++click) {
            if (onRegister)
                dm.SortRejestrBy(field);
            else
                dm.SortKontrahenciBy(field);
            QCOMPARE(column(view, field), ordered);
            std::reverse(ordered.begin(), ordered.end());
        }
        // The files name no collation of the program's: any SQLite tool can still use them.
        if (!dir.onServer())
            QCOMPARE(dir.sql(table + QStringLiteral(".DB"),
                             QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE sql LIKE "
                                            "'%COLLATE%'")),
                     QStringLiteral("0"));
    }

    void searchNarrowsTheTaxpayers_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("nothing typed") << "" << QStringList{"1", "2", "3"};
        QTest::newRow("town without diacritics") << "lodz" << QStringList{"1"};
        QTest::newRow("capitals with diacritics") << "ŁÓDŹ" << QStringList{"1"};
        QTest::newRow("abbreviation without diacritics") << "zolw" << QStringList{"2"};
        QTest::newRow("name in another case") << "kowalski" << QStringList{"3"};
        QTest::newRow("NIP typed without dashes") << "1234567890" << QStringList{"1"};
        QTest::newRow("NIP stored without dashes") << "526-104" << QStringList{"2"};
        QTest::newRow("blanks around") << "  krakow " << QStringList{"2"};
        QTest::newRow("the address is not searched") << "lodzka" << QStringList{};
        QTest::newRow("a quote is only text") << "x' OR 1=1 --" << QStringList{};
    }

    void searchNarrowsTheTaxpayers()
    {
        QFETCH(QString, needle);
        QFETCH(QStringList, found);
        TempProgramDir dir;
        dir.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral("INSERT INTO kontrahenci(ID,SKROT,NAZWA,NIP,ADRES,MIEJSCOWOSC) "
                               "VALUES (1,'KN','Kancelaria','123-456-78-90','Rynek 1','Łódź'),"
                               "(2,'Żółw Sp.','Żółw i Syn','5261040828','Rynek 2','Kraków'),"
                               "(3,'Adam','ADAM KOWALSKI','','ul. Łódzka 5','Gdańsk')"));
        TmyDataBase dm;
        dm.DMCreate();
        dm.SetKontrahenciSearch(needle);
        dm.SortKontrahenciBy(QStringLiteral("NAZWA"));
        dm.SortKontrahenciBy(QStringLiteral("ID"));
        QCOMPARE(column(dm.DBFKontrahenci, QStringLiteral("ID")), found);
        // The taxpayer tab's sums count what the list shows.
        QCOMPARE(dm.CountKontrahenci().value_or(QString()), QString::number(found.size()));
    }

    void searchFindsOneAmongTenThousand()
    {
        TempProgramDir dir;
        QStringList rows;
        for (int i = 1; i <= 10000; ++i)
            rows << QStringLiteral("(%1,'%2-%3-%4-%5','%6')")
                        .arg(i)
                        .arg(i % 1000, 3, 10, QLatin1Char('0'))
                        .arg(i / 10, 3, 10, QLatin1Char('0'))
                        .arg(i % 100, 2, 10, QLatin1Char('0'))
                        .arg(i % 97, 2, 10, QLatin1Char('0'))
                        .arg(i == 9999 ? QStringLiteral("Żółkiewka") : QStringLiteral("Warszawa"));
        dir.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral("INSERT INTO kontrahenci(ID,NIP,MIEJSCOWOSC) VALUES ") +
                    rows.join(u','));
        TmyDataBase dm;
        dm.DMCreate();
        for (const char* needle : {"zolkiew", "99999999"}) {
            dm.SetKontrahenciSearch(QLatin1String(needle));
            dm.RefreshKontrahenci();
            QCOMPARE(column(dm.DBFKontrahenci, QStringLiteral("ID")), QStringList{"9999"});
        }
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "test_datamodule.moc"
