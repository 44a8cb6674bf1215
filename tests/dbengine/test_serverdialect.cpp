// The statement texts as a PostgreSQL server gets them.
#include "dbengine/SqlNormalizer.h"

#include <QTest>

class TestServerDialect : public QObject
{
    Q_OBJECT

    static QStringList columnsOf(const QString& table)
    {
        if (table == QLatin1String("kontrahenci"))
            return {QStringLiteral("ID"), QStringLiteral("NAZWA")};
        return {};
    }

private Q_SLOTS:
    void statements_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("parameters");
        const QStringList none;
        QTest::newRow("table file, star of a known table")
            << "SELECT * FROM kontrahenci.DB WHERE ID=5"
            << "SELECT ID,NAZWA FROM kontrahenci WHERE ID=5" << none;
        QTest::newRow("star of an unknown table stays") << "SELECT * FROM inna WHERE 1=1"
                                                        << "SELECT * FROM inna WHERE 1=1" << none;
        QTest::newRow("star with the window's hidden columns")
            << "SELECT *, (ID), rowid FROM kontrahenci WHERE 1=1 LIMIT :w_limit"
            << "SELECT ID,NAZWA, (ID), rowid FROM kontrahenci WHERE 1=1 LIMIT $1"
            << QStringList{"w_limit"};
        QTest::newRow("a name used twice keeps its number")
            << "UPDATE t SET A=:PARAM0, B=:PARAM1 WHERE C=:PARAM0 OR D=:param1"
            << "UPDATE t SET A=$1, B=$2 WHERE C=$1 OR D=$3"
            << QStringList{"PARAM0", "PARAM1", "param1"};
        QTest::newRow("quotes, comments and casts are no parameters")
            << "SELECT ':nie', \":ani\" -- :też nie\n FROM t WHERE a=b::text AND c=:TAK"
            << "SELECT ':nie', \":ani\" -- :też nie\n FROM t WHERE a=b::text AND c=$1"
            << QStringList{"TAK"};
        QTest::newRow("number glued to a word")
            << "SELECT COUNT(*) FROM rejestr.DB WHERE DATAWPISU>=20080300AND DATAWPISU<20080400"
            << "SELECT COUNT(*) FROM rejestr WHERE DATAWPISU>=20080300 AND DATAWPISU<20080400"
            << none;
        // The files sort NULL lowest: first going up, last going down.
        QTest::newRow("order, one term per line as the views send it")
            << "SELECT A FROM t\r\nORDER BY\r\nNAZWISKO COLLATE PL\r\nDESC\r\n"
            << "SELECT A FROM t\r\nORDER BY\r\nNAZWISKO COLLATE PL\r\nDESC NULLS LAST\r\n"
            << none;
        QTest::newRow("order of several terms, brackets and a limit")
            << "SELECT A FROM t ORDER BY (NALEZNOSC*STAWKA) DESC, rowid ASC, B LIMIT :w_limit"
            << "SELECT A FROM t ORDER BY (NALEZNOSC*STAWKA) DESC NULLS LAST, rowid ASC NULLS "
               "FIRST, B NULLS FIRST LIMIT $1"
            << QStringList{"w_limit"};
        QTest::newRow("an order already placing NULLs")
            << "SELECT A FROM t ORDER BY A NULLS LAST, B"
            << "SELECT A FROM t ORDER BY A NULLS LAST, B NULLS FIRST" << none;
        QTest::newRow("order inside a bracket ends at the bracket")
            << "SELECT A FROM (SELECT A FROM t ORDER BY A DESC LIMIT 3) AS x ORDER BY A"
            << "SELECT A FROM (SELECT A FROM t ORDER BY A DESC NULLS LAST LIMIT 3) AS x "
               "ORDER BY A NULLS FIRST"
            << none;
        QTest::newRow("a subquery in FROM is named")
            << "SELECT MAX(ID) AS ID FROM (SELECT MAX(ID) AS ID FROM kontrahenci.DB UNION ALL "
               "SELECT MAX(IDKONTRAHENTA) FROM rejestr.DB) WHERE 1=1"
            << "SELECT MAX(ID) AS ID FROM (SELECT MAX(ID) AS ID FROM kontrahenci UNION ALL "
               "SELECT MAX(IDKONTRAHENTA) FROM rejestr) AS podzapytanie WHERE 1=1"
            << none;
        QTest::newRow("a named subquery keeps its name")
            << "SELECT x.A FROM (SELECT A FROM t) x"
            << "SELECT x.A FROM (SELECT A FROM t) x" << none;
    }

    void statements()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QFETCH(QStringList, parameters);
        const ServerSql sql = NormalizeSqlForServer(in, &columnsOf);
        QCOMPARE(sql.text, out);
        QCOMPARE(sql.parameters, parameters);
    }
};

QTEST_GUILESS_MAIN(TestServerDialect)
#include "test_serverdialect.moc"
