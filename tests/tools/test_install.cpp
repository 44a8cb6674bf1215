#include "access/uPasswordCipher.h"
#include "access/uVtCrypt.h"
#include "data/Cp1250.h"
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
