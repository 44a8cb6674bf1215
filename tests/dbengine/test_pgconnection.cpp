#include "support/PgCluster.h"

#include "dbengine/EDBEngineError.h"
#include "dbengine/PgConnection.h"

#include <QDeadlineTimer>
#include <QTest>

#include <poll.h>

Q_DECLARE_METATYPE(PgKind)
Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

const QString kPassword = QStringLiteral("Tajne-Hasło-1");

// The error `work` raised; code -1 when it raised none.
EDBEngineError raised(const std::function<void()>& work)
{
    try {
        work();
    } catch (const EDBEngineError& e) {
        return e;
    }
    return EDBEngineError(QStringLiteral("nothing raised"), -1);
}

QByteArray scalar(PgConnection& c, const QByteArray& sql)
{
    return c.exec(sql).value(0, 0);
}

// Waits on the connection's socket, as the program's event loop would, until `count` channels
// were notified or five seconds passed.
QStringList awaitNotifications(PgConnection& c, int count)
{
    QStringList seen;
    const QDeadlineTimer deadline(5000);
    while (seen.size() < count && !deadline.hasExpired()) {
        pollfd fd{c.socket(), POLLIN, 0};
        ::poll(&fd, 1, int(deadline.remainingTime()));
        for (const QString& channel : c.takeNotifications())
            if (!seen.contains(channel))
                seen << channel;
    }
    return seen;
}

} // namespace

class TestPgConnection : public QObject
{
    Q_OBJECT

    QString m_db; // a database with ISO dates not being its default
    PgConnection m_admin;

    void terminate(PgConnection& c)
    {
        QCOMPARE(scalar(m_admin, "SELECT pg_terminate_backend(" +
                                     QByteArray::number(c.backendPid()) + ", 5000)"),
                 QByteArray("t"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(PgCluster::shared().start(&error), qPrintable(error));
        m_db = PgCluster::shared().createDatabase(&error);
        QVERIFY2(!m_db.isEmpty(), qPrintable(error));
        m_admin.open(m_db);
        m_admin.execScript("ALTER DATABASE " + scalar(m_admin, "SELECT current_database()") +
                           " SET DateStyle TO 'SQL, DMY';"
                           "CREATE ROLE " +
                           PgCluster::passwordUser().toUtf8() + " LOGIN PASSWORD '" +
                           kPassword.toUtf8() + "'");
    }

    void columnsAreReadByTheirType_data()
    {
        QTest::addColumn<QByteArray>("expression");
        QTest::addColumn<PgKind>("kind");
        QTest::addColumn<bool>("null");
        QTest::addColumn<QByteArray>("text");
        // Past the 53 bits of a double: the text is read, never a float.
        QTest::newRow("int8") << QByteArray("9007199254740993::bigint") << PgKind::Integer << false
                              << QByteArray("9007199254740993");
        QTest::newRow("int4") << QByteArray("-42") << PgKind::Integer << false << QByteArray("-42");
        QTest::newRow("int2") << QByteArray("7::smallint") << PgKind::Integer << false
                              << QByteArray("7");
        QTest::newRow("float8") << QByteArray("0.1::float8") << PgKind::Float << false
                                << QByteArray("0.1");
        QTest::newRow("numeric") << QByteArray("12.50::numeric(10,2)") << PgKind::Float << false
                                 << QByteArray("12.50");
        QTest::newRow("text") << QByteArray("'Łódź'::text") << PgKind::Text << false
                              << QByteArray("Łódź");
        QTest::newRow("null int8")
            << QByteArray("NULL::bigint") << PgKind::Integer << true << QByteArray();
        QTest::newRow("empty text")
            << QByteArray("''::text") << PgKind::Text << false << QByteArray();
        // The database's default is 'SQL, DMY': the session asks for ISO.
        QTest::newRow("date") << QByteArray("DATE '2024-03-05'") << PgKind::Text << false
                              << QByteArray("2024-03-05");
    }

    void columnsAreReadByTheirType()
    {
        QFETCH(QByteArray, expression);
        QFETCH(PgKind, kind);
        QFETCH(bool, null);
        QFETCH(QByteArray, text);
        PgConnection c;
        c.open(m_db);
        const PgResult r = c.exec("SELECT " + expression + " AS Wartosc");
        QCOMPARE(r.rows(), 1);
        QCOMPARE(r.columnName(0), QStringLiteral("wartosc"));
        QCOMPARE(r.kind(0), kind);
        QCOMPARE(r.isNull(0, 0), null);
        QCOMPARE(r.value(0, 0), text);
        QCOMPARE(QByteArray(r.rawValue(0, 0), r.rawLength(0, 0)), text);
    }

    void parametersTravelAsText_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("param");
        QTest::newRow("Polish letters") << std::optional(QByteArray("Zażółć gęślą jaźń ŁÓDŹ"));
        QTest::newRow("NULL") << std::optional<QByteArray>();
        QTest::newRow("empty, not NULL") << std::optional(QByteArray(""));
        QTest::newRow("quotes never become SQL")
            << std::optional(QByteArray("O'Brien\\'); DROP TABLE x; --"));
    }

    void parametersTravelAsText()
    {
        QFETCH(std::optional<QByteArray>, param);
        PgConnection c;
        c.open(m_db);
        const PgResult r = c.exec("SELECT $1::text, $2::bigint * 2", {param, QByteArray("21")});
        QCOMPARE(r.isNull(0, 0), !param.has_value());
        QCOMPARE(r.value(0, 0), param.value_or(QByteArray()));
        QCOMPARE(r.value(0, 1), QByteArray("42"));
    }

    void serverErrorsCarryTheirTextAndCode_data()
    {
        QTest::addColumn<QByteArray>("ownSetup");
        QTest::addColumn<QByteArray>("otherSetup"); // on a second connection kept open
        QTest::addColumn<QByteArray>("statement");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("unique, with the detail")
            << QByteArray() << QByteArray() << QByteArray("INSERT INTO k VALUES (1, 'b')")
            << PgCode::Constraint << QStringLiteral("Key (id)=(1) already exists.");
        QTest::newRow("not null") << QByteArray() << QByteArray()
                                  << QByteArray("INSERT INTO k VALUES (2, NULL)")
                                  << PgCode::Constraint << QStringLiteral("null value");
        QTest::newRow("lock held by another") << QByteArray() << QByteArray("BEGIN; LOCK TABLE k")
                                              << QByteArray("UPDATE k SET nazwa = 'c'")
                                              << PgCode::Busy << QStringLiteral("lock timeout");
        QTest::newRow("statement timeout") << QByteArray("SET statement_timeout TO 100")
                                           << QByteArray() << QByteArray("SELECT pg_sleep(5)")
                                           << PgCode::Busy << QStringLiteral("statement timeout");
        QTest::newRow("serialization")
            << QByteArray("BEGIN ISOLATION LEVEL REPEATABLE READ; SELECT * FROM k")
            << QByteArray("UPDATE k SET nazwa = 'd'") << QByteArray("UPDATE k SET nazwa = 'e'")
            << PgCode::Busy << QStringLiteral("could not serialize");
        QTest::newRow("syntax") << QByteArray() << QByteArray() << QByteArray("SELEC 1") << 1
                                << QStringLiteral("syntax error");
    }

    void serverErrorsCarryTheirTextAndCode()
    {
        QFETCH(QByteArray, ownSetup);
        QFETCH(QByteArray, otherSetup);
        QFETCH(QByteArray, statement);
        QFETCH(int, code);
        QFETCH(QString, text);
        m_admin.execScript("DROP TABLE IF EXISTS k;"
                           "CREATE TABLE k (id bigint PRIMARY KEY, nazwa text NOT NULL);"
                           "INSERT INTO k VALUES (1, 'a')");
        PgConnection c;
        c.open(m_db);
        c.setLockTimeout(200);
        if (!ownSetup.isEmpty())
            c.execScript(ownSetup);
        PgConnection other;
        other.open(m_db);
        if (!otherSetup.isEmpty())
            other.execScript(otherSetup);
        const EDBEngineError e = raised([&] { c.exec(statement); });
        QVERIFY2(e.message().contains(text), qPrintable(e.message()));
        QCOMPARE(e.code(), code);
        c.execScript("ROLLBACK");
        QCOMPARE(scalar(c, "SELECT 1"), QByteArray("1"));
    }

    void copyRoundTripsValuesNeedingEscapes_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("value");
        QTest::newRow("tab") << std::optional(QByteArray("a\tb"));
        QTest::newRow("newline and CR") << std::optional(QByteArray("wiersz\r\ndrugi\n"));
        QTest::newRow("backslash") << std::optional(QByteArray("C:\\dane\\"));
        QTest::newRow("looks like NULL") << std::optional(QByteArray("\\N"));
        QTest::newRow("looks like the end") << std::optional(QByteArray("\\."));
        QTest::newRow("NULL") << std::optional<QByteArray>();
        QTest::newRow("empty") << std::optional(QByteArray(""));
        QTest::newRow("Polish") << std::optional(QByteArray("Źdźbło; \"cytat\""));
    }

    void copyRoundTripsValuesNeedingEscapes()
    {
        QFETCH(std::optional<QByteArray>, value);
        m_admin.execScript("DROP TABLE IF EXISTS c; CREATE TABLE c (id bigint, v text)");
        QByteArray lines;
        for (int id : {1, 2}) {
            lines += QByteArray::number(id) + '\t';
            PgConnection::appendCopyValue(lines, value);
            lines += '\n';
        }
        // Chunks need not end at a row: cut one inside the first value.
        QList<QByteArray> chunks{lines.left(3), lines.mid(3)};
        PgConnection c;
        c.open(m_db);
        c.copyIn("COPY c (id, v) FROM STDIN", [&](QByteArray& chunk) {
            chunk = chunks.takeFirst();
            return !chunks.isEmpty();
        });
        QCOMPARE(c.exec("UPDATE c SET id = id").affectedRows(), 2);
        const PgResult r = c.exec("SELECT v FROM c ORDER BY id");
        QCOMPARE(r.rows(), 2);
        for (int row = 0; row < 2; ++row) {
            QCOMPARE(r.isNull(row, 0), !value.has_value());
            QCOMPARE(r.value(row, 0), value.value_or(QByteArray()));
        }
    }

    void failedCopyLeavesNothingBehind_data()
    {
        QTest::addColumn<bool>("callerThrows");
        QTest::addColumn<bool>("inTransaction");
        QTest::newRow("caller gives up") << true << false;
        QTest::newRow("bad row") << false << false;
        QTest::newRow("bad row in a transaction") << false << true;
    }

    void failedCopyLeavesNothingBehind()
    {
        QFETCH(bool, callerThrows);
        QFETCH(bool, inTransaction);
        m_admin.execScript("DROP TABLE IF EXISTS c; CREATE TABLE c (id bigint, v text)");
        PgConnection c;
        c.open(m_db);
        if (inTransaction)
            c.execScript("BEGIN");
        int calls = 0;
        auto rows = [&](QByteArray& chunk) {
            chunk = ++calls == 1 ? QByteArray("1\tdobry\n") : QByteArray("zły\tnumer\n");
            if (calls == 2 && callerThrows)
                throw std::runtime_error("przerwane");
            return calls < 3;
        };
        bool failed = false;
        try {
            c.copyIn("COPY c (id, v) FROM STDIN", rows);
        } catch (const EDBEngineError& e) {
            failed = !callerThrows && e.message().contains(QStringLiteral("bigint"));
        } catch (const std::runtime_error&) {
            failed = callerThrows;
        }
        QVERIFY(failed);
        QCOMPARE(c.inTransaction(), inTransaction);
        if (inTransaction)
            c.execScript("ROLLBACK");
        QCOMPARE(scalar(c, "SELECT count(*) FROM c"), QByteArray("0"));
    }

    void notificationsOfOthersArriveOwnAreLeftOut()
    {
        PgConnection c;
        c.open(m_db);
        c.listen(QStringLiteral("zmiany"));
        c.listen(QStringLiteral("inny kanał"));
        c.execScript("NOTIFY zmiany");
        PgConnection other;
        other.open(m_db);
        other.execScript("NOTIFY \"inny kanał\"");
        QCOMPARE(awaitNotifications(c, 1), QStringList{QStringLiteral("inny kanał")});
    }

    void brokenConnectionIsReportedOnceThenRenewed_data()
    {
        QTest::addColumn<bool>("inTransaction");
        QTest::addColumn<bool>("noticedWhileIdle"); // by takeNotifications, before a statement
        QTest::newRow("idle") << false << false;
        QTest::newRow("inside a transaction") << true << false;
        QTest::newRow("noticed by takeNotifications") << false << true;
    }

    void brokenConnectionIsReportedOnceThenRenewed()
    {
        QFETCH(bool, inTransaction);
        QFETCH(bool, noticedWhileIdle);
        m_admin.execScript("DROP TABLE IF EXISTS t; CREATE TABLE t (id bigint)");
        PgConnection c;
        c.open(m_db);
        c.listen(QStringLiteral("zmiany"));
        c.setLockTimeout(250);
        if (inTransaction)
            c.execScript("BEGIN; INSERT INTO t VALUES (1)");
        const int before = c.backendPid();
        terminate(c);
        if (noticedWhileIdle) {
            QCOMPARE(c.takeNotifications(), QStringList());
            QCOMPARE(c.socket(), -1);
        }

        const EDBEngineError lost = raised([&] { c.exec("SELECT 1"); });
        QCOMPARE(lost.code(), PgCode::ConnectionLost);
        QVERIFY2(lost.message().startsWith(QStringLiteral("Utracono połączenie")),
                 qPrintable(lost.message()));
        QVERIFY(!c.inTransaction());

        QCOMPARE(scalar(c, "SELECT count(*) FROM t"), QByteArray("0"));
        QVERIFY(c.backendPid() != before);
        QCOMPARE(scalar(c, "SHOW lock_timeout"), QByteArray("250ms"));
        m_admin.execScript("NOTIFY zmiany");
        QCOMPARE(awaitNotifications(c, 1), QStringList{QStringLiteral("zmiany")});
    }

    void failedReconnectIsTriedAgain()
    {
        QString error;
        const QString info = PgCluster::shared().createDatabase(&error);
        QVERIFY2(!info.isEmpty(), qPrintable(error));
        PgConnection c;
        c.open(info);
        const QByteArray name = scalar(c, "SELECT current_database()");
        terminate(c);
        m_admin.execScript("DROP DATABASE " + name);
        QCOMPARE(raised([&] { c.exec("SELECT 1"); }).code(), PgCode::ConnectionLost);
        QCOMPARE(raised([&] { c.exec("SELECT 1"); }).code(), PgCode::CannotConnect);
        m_admin.execScript("CREATE DATABASE " + name);
        QCOMPARE(scalar(c, "SELECT 1"), QByteArray("1"));
    }

    void passwordIsAskedFor_data()
    {
        QTest::addColumn<QStringList>("answers"); // "-" gives up
        QTest::addColumn<int>("code");            // 0: connects
        QTest::addColumn<QList<bool>>("retries");
        QTest::newRow("right") << QStringList{kPassword} << 0 << QList<bool>{false};
        QTest::newRow("wrong, then right") << QStringList{QStringLiteral("zle-haslo-1"), kPassword}
                                           << 0 << QList<bool>{false, true};
        QTest::newRow("gives up") << QStringList{QStringLiteral("-")} << PgCode::PasswordRefused
                                  << QList<bool>{false};
        QTest::newRow("wrong, then gives up")
            << QStringList{QStringLiteral("zle-haslo-1"), QStringLiteral("-")}
            << PgCode::PasswordRefused << QList<bool>{false, true};
        QTest::newRow("wrong three times")
            << QStringList{QStringLiteral("zle-haslo-1"), QStringLiteral("zle-haslo-2"),
                           QStringLiteral("zle-haslo-3"), kPassword}
            << PgCode::CannotConnect << QList<bool>{false, true, true};
        QTest::newRow("nobody to ask") << QStringList() << PgCode::CannotConnect << QList<bool>();
    }

    void passwordIsAskedFor()
    {
        QFETCH(QStringList, answers);
        QFETCH(int, code);
        QFETCH(QList<bool>, retries);
        const QString info = m_db + QStringLiteral(" user=") + PgCluster::passwordUser();
        QList<bool> asked;
        QStringList whys;
        PgConnection::PasswordPrompt prompt;
        if (!answers.isEmpty())
            prompt = [&](const QString& why, bool retry) -> std::optional<QString> {
                asked << retry;
                whys << why;
                const QString answer = answers.value(asked.size() - 1);
                if (answer == QStringLiteral("-"))
                    return std::nullopt;
                return answer;
            };
        PgConnection c;
        const EDBEngineError e = raised([&] { c.open(info, prompt); });
        QCOMPARE(asked, retries);
        for (const QString& why : std::as_const(whys))
            QVERIFY2(why.contains(PgCluster::passwordUser()) &&
                         why.contains(QStringLiteral("localhost")),
                     qPrintable(why));
        if (code != 0) {
            QCOMPARE(e.code(), code);
            QVERIFY(!c.isOpen());
            for (const QString& answer : std::as_const(answers))
                QVERIFY2(answer == QStringLiteral("-") || !e.message().contains(answer),
                         qPrintable(e.message()));
            return;
        }
        QCOMPARE(e.code(), -1);
        QCOMPARE(c.conninfo(), info);
        QCOMPARE(scalar(c, "SELECT current_user"), PgCluster::passwordUser().toUtf8());
        // The kept password reconnects without asking again.
        terminate(c);
        const EDBEngineError lost = raised([&] { c.exec("SELECT 1"); });
        QCOMPARE(lost.code(), PgCode::ConnectionLost);
        QVERIFY(!lost.message().contains(kPassword));
        QCOMPARE(scalar(c, "SELECT 1"), QByteArray("1"));
        QCOMPARE(asked, retries);
    }
};

QTEST_GUILESS_MAIN(TestPgConnection)
#include "test_pgconnection.moc"
