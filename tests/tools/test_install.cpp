#include "support/PgCluster.h"

#include "access/uPasswordCipher.h"
#include "access/uVtCrypt.h"
#include "data/Cp1250.h"
#include "dbengine/PgConnection.h"
#include "dbengine/SqliteHandles.h"
#include "tools/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Column names and declared types, or index names, of one table file, as SQLite reports them.
QStringList query(const QString& file, const char* sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    SqliteConnectionPtr db(raw);
    sqlite3_stmt* st = nullptr;
    QStringList out;
    if (sqlite3_prepare_v2(raw, sql, -1, &st, nullptr) != SQLITE_OK)
        return {QStringLiteral("ERROR")};
    SqliteStatementPtr owned(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
        out << row.join(u' ');
    }
    return out;
}

bool run(const QString& file, const char* sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &raw);
    SqliteConnectionPtr db(raw);
    return sqlite3_exec(raw, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// rejestr-install --server CONNINFO; its exit code, what it said on stderr in *said.
int installOnServer(const QString& conninfo, QString* said = nullptr)
{
    QProcess tool;
    tool.start(QStringLiteral(REJESTR_INSTALL_TOOL), {QStringLiteral("--server"), conninfo});
    if (!tool.waitForFinished(60000))
        return -1;
    if (said)
        *said = QString::fromUtf8(tool.readAllStandardError());
    return tool.exitCode();
}

// The first column of every row, as the server's text.
QStringList serverRows(PgConnection& db, const QByteArray& sql, const QByteArray& table = {})
{
    const PgResult r = table.isEmpty() ? db.exec(sql) : db.exec(sql, {table});
    QStringList out;
    for (int row = 0; row < r.rows(); ++row)
        out << QString::fromUtf8(r.value(row, 0));
    return out;
}

// A table's columns with their types, then its indexes with their columns, as the server has them.
QStringList serverTable(PgConnection& db, const QByteArray& table)
{
    return serverRows(db,
                      "SELECT column_name || ' ' || data_type FROM information_schema.columns "
                      "WHERE table_name = $1 ORDER BY ordinal_position",
                      table) +
           serverRows(db,
                      "SELECT i.relname || CASE WHEN x.indisunique THEN ' unique ' ELSE ' ' END "
                      "|| string_agg(a.attname, ',' ORDER BY k.n) FROM pg_index x "
                      "JOIN pg_class i ON i.oid = x.indexrelid JOIN pg_class t ON "
                      "t.oid = x.indrelid CROSS JOIN LATERAL unnest(x.indkey) WITH ORDINALITY "
                      "AS k(attnum, n) JOIN pg_attribute a ON a.attrelid = t.oid AND "
                      "a.attnum = k.attnum WHERE t.relname = $1 GROUP BY i.relname, "
                      "x.indisunique ORDER BY i.relname",
                      table);
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void laysOutACompleteDirectory()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("nowy/rejestr"));
        const InstallReport r = InstallProgramDir(dir);
        QVERIFY2(r.ok, qPrintable(r.error));
        for (const char* sub : {"db", "debug", "tmpFile"})
            QVERIFY(QDir(dir + u'/' + QLatin1String(sub)).exists());
        QVERIFY(QFile::exists(dir + QStringLiteral("/rejestr.frf")));

        QCOMPARE(query(dir + QStringLiteral("/db/rejestr.DB"),
                       "SELECT name, type FROM pragma_table_info('rejestr')"),
                 QStringList({"ID INTEGER", "DATAWPISU INTEGER", "DATADOK INTEGER",
                              "NALEZNOSC REAL", "STAWKA REAL", "DATAZAPLATY INTEGER", "NRDOK TEXT",
                              "IMIE TEXT", "NAZWISKO TEXT", "NIP TEXT", "ADRES TEXT",
                              "KODPOCZT TEXT", "MIEJSCOWOSC TEXT", "UWAGI TEXT",
                              "IDKONTRAHENTA INTEGER", "WARTOSC REAL"}));
        QCOMPARE(query(dir + QStringLiteral("/db/kontrahenci.DB"),
                       "SELECT name, type FROM pragma_table_info('kontrahenci')"),
                 QStringList({"ID INTEGER", "NAZWA TEXT", "NIP TEXT", "ADRES TEXT", "KODPOCZT TEXT",
                              "MIEJSCOWOSC TEXT", "TELEFONY TEXT", "UWAGI TEXT", "SKROT TEXT"}));
        // The indexes the views need: per taxpayer by date and by number.
        QCOMPARE(query(dir + QStringLiteral("/db/rejestr.DB"),
                       "SELECT group_concat(name, ',') FROM (SELECT il.name AS name FROM "
                       "pragma_index_list('rejestr') il ORDER BY il.name)"),
                 QStringList{"rejestr_kontrahent_data,rejestr_kontrahent_id"});
        QCOMPARE(
            query(
                dir + QStringLiteral("/db/rejestr.DB"),
                "SELECT group_concat(name, ',') FROM pragma_index_info('rejestr_kontrahent_data')"),
            QStringList{"IDKONTRAHENTA,DATAWPISU"});
        QCOMPARE(query(dir + QStringLiteral("/db/rejestr.DB"), "PRAGMA journal_mode"),
                 QStringList{"delete"});

        QCOMPARE(readAll(dir + QStringLiteral("/rejestr.ini")),
                 QByteArray("[REGISTER]\r\nkey=") + EncryptPassword(ToCp1250(kDefaultPassword)) +
                     QByteArray("\r\n"));
    }

    void neverOverwritesData()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path();
        QVERIFY(InstallProgramDir(dir).ok);
        {
            sqlite3* raw = nullptr;
            sqlite3_open(QFile::encodeName(dir + QStringLiteral("/db/kontrahenci.DB")).constData(),
                         &raw);
            SqliteConnectionPtr db(raw);
            QCOMPARE(sqlite3_exec(raw, "INSERT INTO kontrahenci(ID,NAZWA) VALUES (1,'Zostaje')",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
        }
        QFile ini(dir + QStringLiteral("/rejestr.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[REGISTER]\r\nkey=zmienione\r\n");
        ini.close();
        QFile frf(dir + QStringLiteral("/rejestr.frf"));
        QVERIFY(frf.open(QIODevice::WriteOnly));
        frf.write("własny szablon");
        frf.close();
        QVERIFY(QDir(dir + QStringLiteral("/tmpFile")).removeRecursively());

        const InstallReport again = InstallProgramDir(dir);
        QVERIFY(again.ok);
        QCOMPARE(again.created, QStringList{dir + QStringLiteral("/tmpFile")});
        QCOMPARE(query(dir + QStringLiteral("/db/kontrahenci.DB"), "SELECT NAZWA FROM kontrahenci"),
                 QStringList{"Zostaje"});
        QCOMPARE(readAll(dir + QStringLiteral("/rejestr.ini")),
                 QByteArray("[REGISTER]\r\nkey=zmienione\r\n"));
        QCOMPARE(readAll(dir + QStringLiteral("/rejestr.frf")), QByteArray("własny szablon"));
    }

    void numbersBecomeUniqueUnlessTheyRepeat_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("rows"); // inserted into the table before the install
        QTest::addColumn<QString>("warning");
        QTest::newRow("taxpayers") << "kontrahenci"
                                   << "(ID) VALUES (1),(2)"
                                   << "";
        QTest::newRow("entries") << "rejestr"
                                 << "(IDKONTRAHENTA,ID) VALUES (1,7),(2,7)"
                                 << "";
        QTest::newRow("a repeated taxpayer") << "kontrahenci"
                                             << "(ID) VALUES (1),(2),(1)"
                                             << "numer 1 powtarza się 2 razy";
        QTest::newRow("a repeated entry") << "rejestr"
                                          << "(IDKONTRAHENTA,ID) VALUES (1,7),(1,7),(1,7),(2,7)"
                                          << "numer 7 podatnika 1 powtarza się 3 razy";
    }

    // A table made before its numbers' index was unique: the installer makes it unique, or,
    // where numbers repeat, says so and leaves the file exactly as it was.
    void numbersBecomeUniqueUnlessTheyRepeat()
    {
        QFETCH(QString, file);
        QFETCH(QString, rows);
        QFETCH(QString, warning);
        QTemporaryDir tmp;
        QVERIFY(InstallProgramDir(tmp.path()).ok);
        const QString path = tmp.filePath(QStringLiteral("db/") + file + QStringLiteral(".DB"));
        const QByteArray index = file == QLatin1String("rejestr")
                                     ? "rejestr_kontrahent_id ON rejestr(IDKONTRAHENTA, ID)"
                                     : "kontrahenci_id ON kontrahenci(ID)";
        QVERIFY(run(path, "DROP INDEX " + index.left(index.indexOf(' ')) + "; CREATE INDEX " +
                              index + "; INSERT INTO " + file.toLatin1() + rows.toLatin1()));
        const QByteArray before = readAll(path);

        const InstallReport report = InstallProgramDir(tmp.path());
        QVERIFY(report.ok);
        // The first row once more.
        const QByteArray duplicate = "INSERT INTO " + file.toLatin1() +
                                     rows.toLatin1().left(rows.indexOf(QLatin1String("),")) + 1);
        if (warning.isEmpty()) {
            QVERIFY(report.warnings.isEmpty());
            QVERIFY(!run(path, duplicate.constData())); // the engine refuses it now
        } else {
            QCOMPARE(report.warnings.size(), 1);
            QVERIFY2(report.warnings[0].contains(warning) && report.warnings[0].contains(path),
                     qPrintable(report.warnings[0]));
            QCOMPARE(readAll(path), before);
        }
    }

    // On a server, the same: numbers made unique where they do not repeat; where they do, a
    // warning and the rows as they were.
    void serverNumbersBecomeUniqueUnlessTheyRepeat_data()
    {
        numbersBecomeUniqueUnlessTheyRepeat_data();
    }
    void serverNumbersBecomeUniqueUnlessTheyRepeat()
    {
        QFETCH(QString, file);
        QFETCH(QString, rows);
        QFETCH(QString, warning);
        QString error;
        const QString conninfo = PgCluster::shared().createDatabase(&error);
        QVERIFY2(!conninfo.isEmpty(), qPrintable(error));
        QCOMPARE(installOnServer(conninfo), 0);
        PgConnection db;
        db.open(conninfo);
        const QByteArray table = file.toLatin1();
        const QByteArray index = table == "rejestr" ? "rejestr_kontrahent_id" : "kontrahenci_id";
        db.exec("DROP INDEX " + index);
        db.exec("INSERT INTO " + table + rows.toLatin1());
        const QByteArray everyRow = "SELECT " + table + "::text FROM " + table + " ORDER BY rowid";
        const QStringList before = serverRows(db, everyRow);

        QString said;
        QCOMPARE(installOnServer(conninfo, &said), 0);
        QCOMPARE(serverRows(db, everyRow), before);
        const QStringList indexes = serverTable(db, table).filter(QLatin1String(index + ' '));
        if (warning.isEmpty()) {
            QCOMPARE(said, QString());
            QCOMPARE(indexes.size(), 1);
            QVERIFY2(indexes[0].contains(QLatin1String(" unique ")), qPrintable(indexes[0]));
        } else {
            QVERIFY2(said.contains(
                         QStringLiteral("tabela %1 na serwerze ma powtórzone numery").arg(file)),
                     qPrintable(said));
            QVERIFY2(indexes.filter(QLatin1String(" unique ")).isEmpty(),
                     qPrintable(indexes.join(u';')));
        }
    }

    // rejestr-install --server on an empty database makes both tables with the files' columns
    // and the views' indexes; run again, it changes nothing and keeps the rows.
    void serverGetsItsTablesOnce()
    {
        QString error;
        const QString conninfo = PgCluster::shared().createDatabase(&error);
        QVERIFY2(!conninfo.isEmpty(), qPrintable(error));
        QString said;
        QCOMPARE(installOnServer(conninfo, &said), 0);
        QCOMPARE(said, QString());
        PgConnection db;
        db.open(conninfo);
        const QStringList kontrahenci = serverTable(db, "kontrahenci");
        const QStringList rejestr = serverTable(db, "rejestr");
        QCOMPARE(kontrahenci,
                 QStringList({"id bigint", "nazwa text", "nip text", "adres text", "kodpoczt text",
                              "miejscowosc text", "telefony text", "uwagi text", "skrot text",
                              "rowid bigint", "kontrahenci_id unique id"}));
        QCOMPARE(rejestr,
                 QStringList({"id bigint",
                              "datawpisu bigint",
                              "datadok bigint",
                              "naleznosc double precision",
                              "stawka double precision",
                              "datazaplaty bigint",
                              "nrdok text",
                              "imie text",
                              "nazwisko text",
                              "nip text",
                              "adres text",
                              "kodpoczt text",
                              "miejscowosc text",
                              "uwagi text",
                              "idkontrahenta bigint",
                              "wartosc double precision",
                              "rowid bigint",
                              "rejestr_kontrahent_data idkontrahenta,datawpisu,rowid",
                              "rejestr_kontrahent_id unique idkontrahenta,id",
                              "rejestr_kontrahent_id_data idkontrahenta,id,rowid,datawpisu"}));

        db.exec("INSERT INTO kontrahenci(ID,NAZWA) VALUES (1,'Zostaje')");
        db.exec("INSERT INTO rejestr(ID,IDKONTRAHENTA,NALEZNOSC) VALUES (7,1,10.5)");
        QCOMPARE(installOnServer(conninfo, &said), 0);
        QCOMPARE(said, QString());
        QCOMPARE(serverTable(db, "kontrahenci"), kontrahenci);
        QCOMPARE(serverTable(db, "rejestr"), rejestr);
        QCOMPARE(serverRows(db, "SELECT ID || NAZWA FROM kontrahenci"), QStringList{"1Zostaje"});
        QCOMPARE(
            serverRows(db, "SELECT ID || '/' || IDKONTRAHENTA || ':' || NALEZNOSC FROM rejestr"),
            QStringList{"7/1:10.5"});
    }

    // A template exactly as an earlier build shipped it gives way to the new default (which
    // prints the total of amounts too); an edited one stays, as shown above.
    void anUntouchedEarlierTemplateIsRenewed()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("prog"));
        QVERIFY(InstallProgramDir(dir).ok);
        const QString frf = dir + QStringLiteral("/rejestr.frf");
        const QByteArray current = readAll(frf);
        QVERIFY(QFile::remove(frf));
        QVERIFY(QFile::copy(QStringLiteral(EARLIER_DEFAULT_TEMPLATE), frf));
        QVERIFY(!readAll(frf).contains("[SNALEZNOSC]"));

        const InstallReport again = InstallProgramDir(dir);
        QVERIFY(again.ok);
        QVERIFY(again.created.contains(frf));
        QCOMPARE(readAll(frf), current);
        QCOMPARE(QDir(dir).entryList({QStringLiteral("rejestr.frf*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("rejestr.frf")});
    }

    void aBlockedPathFailsWithAMessage()
    {
        QTemporaryDir tmp;
        QFile blocker(tmp.filePath(QStringLiteral("db")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where db/ must go
        blocker.close();
        const InstallReport r = InstallProgramDir(tmp.path());
        QVERIFY(!r.ok);
        QVERIFY(r.error.contains(QLatin1String("db")));
    }

    // The tool copies the program in and replaces an older copy on every run.
    void toolInstallsAndReplacesTheProgram()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("rejestr"));
        QVERIFY(QDir().mkpath(dir));
        QFile old(dir + QStringLiteral("/rejestr"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("stara wersja");
        old.close();

        QProcess tool;
        tool.start(QStringLiteral(REJESTR_INSTALL_TOOL), {dir});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(readAll(dir + QStringLiteral("/rejestr")),
                 readAll(QStringLiteral(REJESTR_PROGRAM)));
        QVERIFY(QFileInfo(dir + QStringLiteral("/rejestr")).isExecutable());
        // The import cannot run without its reader beside the program.
        const QString reader = QFileInfo(QStringLiteral(REJESTR_PROGRAM))
                                   .dir()
                                   .filePath(QStringLiteral("rejestr-paradox"));
        QCOMPARE(readAll(dir + QStringLiteral("/rejestr-paradox")), readAll(reader));
        QVERIFY(QFileInfo(dir + QStringLiteral("/rejestr-paradox")).isExecutable());
        QVERIFY(QFile::exists(dir + QStringLiteral("/db/rejestr.DB")));

        QProcess noArgs;
        noArgs.start(QStringLiteral(REJESTR_INSTALL_TOOL), {});
        QVERIFY(noArgs.waitForFinished(30000));
        QCOMPARE(noArgs.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
