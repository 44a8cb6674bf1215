#include "support/TempProgramDir.h"

#include "data/uDM.h"
#include "data/uDefinicje.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

// Polish alphabetical order of the grids and the taxpayer search, through the data module.
class TestPolishOrder : public QObject
{
    Q_OBJECT

    static QStringList column(Query& q, const QString& name)
    {
        QStringList result;
        q.fetchAll();
        for (q.first(); !q.eof(); q.next())
            result << q.asText(name);
        return result;
    }

    static QList<qint64> ids(Query& q)
    {
        QList<qint64> result;
        q.fetchAll();
        for (q.first(); !q.eof(); q.next())
            result << q.asInteger(QStringLiteral("ID"));
        return result;
    }

private Q_SLOTS:
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
    }

    void textColumnsSortInPolishOrder()
    {
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(QStringList, ordered);
        TempProgramDir dir;
        QStringList shuffled = ordered;
        std::reverse(shuffled.begin(), shuffled.end());
        std::shuffle(shuffled.begin(), shuffled.end(), *QRandomGenerator::global());
        const bool onRegister = table == QLatin1String("rejestr");
        for (int i = 0; i < shuffled.size(); ++i) {
            QString text = shuffled[i];
            text.replace(u'\'', QStringLiteral("''"));
            const QString columns = onRegister ? QStringLiteral("IDKONTRAHENTA,ID,") + field
                                               : QStringLiteral("ID,") + field;
            dir.sql(table + QStringLiteral(".DB"),
                    QStringLiteral("INSERT INTO %1(%2) VALUES (%3%4,'%5')")
                        .arg(table, columns, onRegister ? QStringLiteral("1,") : QString(),
                             QString::number(i + 1), text));
        }
        TmyDataBase dm;
        dm.DMCreate();
        dm.rejestrTaxpayerFilter = QStringLiteral("AND IDKONTRAHENTA=1");
        Query& view = onRegister ? dm.DBFRejestr : dm.DBFKontrahenci;
        const auto sortBy = [&] {
            if (onRegister)
                dm.SortRejestrBy(field);
            else
                dm.SortKontrahenciBy(field);
        };
        sortBy();
        QCOMPARE(column(view, field), ordered);
        sortBy();
        std::reverse(ordered.begin(), ordered.end());
        QCOMPARE(column(view, field), ordered);
        // The files name no collation of the program's: any SQLite tool can still use them.
        QCOMPARE(dir.sql(table + QStringLiteral(".DB"),
                         QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE sql LIKE "
                                        "'%COLLATE%'")),
                 QStringLiteral("0"));
    }

    void searchNarrowsTheTaxpayers_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QList<qint64>>("found");
        QTest::newRow("nothing typed") << "" << QList<qint64>{1, 2, 3};
        QTest::newRow("town without diacritics") << "lodz" << QList<qint64>{1};
        QTest::newRow("capitals with diacritics") << "ŁÓDŹ" << QList<qint64>{1};
        QTest::newRow("abbreviation without diacritics") << "zolw" << QList<qint64>{2};
        QTest::newRow("name in another case") << "kowalski" << QList<qint64>{3};
        QTest::newRow("NIP typed without dashes") << "1234567890" << QList<qint64>{1};
        QTest::newRow("NIP stored without dashes") << "526-104" << QList<qint64>{2};
        QTest::newRow("part of a NIP with dashes") << "456-78" << QList<qint64>{1};
        QTest::newRow("blanks around") << "  krakow " << QList<qint64>{2};
        QTest::newRow("the address is not searched") << "lodzka" << QList<qint64>{};
        QTest::newRow("a quote is only text") << "x' OR 1=1 --" << QList<qint64>{};
    }

    void searchNarrowsTheTaxpayers()
    {
        QFETCH(QString, needle);
        QFETCH(QList<qint64>, found);
        TempProgramDir dir;
        dir.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral(
                    "INSERT INTO kontrahenci(ID,SKROT,NAZWA,NIP,ADRES,MIEJSCOWOSC) VALUES "
                    "(1,'KN Centrum','Kancelaria Notarialna','123-456-78-90','Piotrkowska 1',"
                    "'Łódź'),"
                    "(2,'Żółw Sp.','Żółw i Syn','5261040828','Rynek 2','Kraków'),"
                    "(3,'Adam','ADAM KOWALSKI','','ul. Łódzka 5','Gdańsk')"));
        TmyDataBase dm;
        dm.DMCreate();
        dm.kontrahenciSearch = needle;
        dm.RefreshKontrahenci();
        QCOMPARE(ids(dm.DBFKontrahenci), found);
        // The taxpayer tab's sums count what the list shows.
        QCOMPARE(dm.CountKontrahenci().value_or(QString()), QString::number(found.size()));
        // Another order keeps the narrowing.
        dm.SortKontrahenciBy(QStringLiteral("NAZWA"));
        QCOMPARE(ids(dm.DBFKontrahenci).size(), found.size());
    }

    void searchFindsOneAmongTenThousand()
    {
        TempProgramDir dir;
        dir.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                               "WHERE i<10000) INSERT INTO kontrahenci(ID,SKROT,NAZWA,NIP,"
                               "MIEJSCOWOSC) SELECT i,'KN '||i,'Kancelaria '||i,"
                               "CASE WHEN i=9999 THEN '771-000-12-34' ELSE "
                               "printf('%03d-%03d-%02d-%02d',i%1000,i/10,i%100,i%97) END,"
                               "CASE WHEN i=9999 THEN 'Żółkiewka' ELSE 'Warszawa' END FROM n"));
        TmyDataBase dm;
        dm.DMCreate();
        for (const QString& needle : {QStringLiteral("zolkiew"), QStringLiteral("7710001234")}) {
            dm.kontrahenciSearch = needle;
            dm.RefreshKontrahenci();
            QCOMPARE(ids(dm.DBFKontrahenci), QList<qint64>{9999});
        }
        dm.kontrahenciSearch = QStringLiteral("warszawa");
        dm.RefreshKontrahenci();
        QCOMPARE(dm.CountKontrahenci().value_or(QString()), QStringLiteral("9999"));
    }
};

QTEST_GUILESS_MAIN(TestPolishOrder)
#include "test_polishorder.moc"
