#include "support/TempProgramDir.h"

#include "data/Clock.h"
#include "data/Cp1250.h"
#include "data/IniFile.h"
#include "data/Regional.h"
#include "data/uDefinicje.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ShownMessage
{
    QString title;
    QString text;
};

} // namespace

class TestDefinicje : public QObject
{
    Q_OBJECT

    QList<ShownMessage> m_shown;

private Q_SLOTS:
    void init()
    {
        m_shown.clear();
        SetInfoHandler([this](const QString& t, const QString& m) { m_shown.append({t, m}); });
        SetClock([] { return QDateTime(QDate(2008, 3, 5), QTime(14, 7, 31)); });
        SetRegional(RegionalSettings{u'-', u','});
        BuildDateTexts();
    }

    void cleanup()
    {
        SetInfoHandler({});
        SetClock({});
    }

    void dateTextToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("date") << "05-03-2008" << 20080305;
        QTest::newRow("empty date text") << "  -  -    " << 0;
        QTest::newRow("eight characters") << "5-3-2008" << 0;
        QTest::newRow("no range check") << "99-99-2008" << 20089999;
        QTest::newRow("other separator") << "05/03/2008" << 20080305;
        QTest::newRow("partly typed") << "12-03-____" << 0;
        QTest::newRow("blank in day") << " 5-03-2008" << 0;
    }

    void dateTextToInt()
    {
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(DateTextToInt(text), code);
    }

    void intToDateText_data()
    {
        QTest::addColumn<qint64>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("date") << qint64(20080305) << "05-03-2008";
        QTest::newRow("zero") << qint64(0) << "";
        QTest::newRow("seven digits") << qint64(2008035) << "";
        QTest::newRow("nine digits") << qint64(200803051) << "";
        QTest::newRow("negative eight characters") << qint64(-2008035) << "";
    }

    void intToDateText()
    {
        QFETCH(qint64, code);
        QFETCH(QString, text);
        QCOMPARE(IntToDateText(code), text);
    }

    void intToDateTextFollowsTheSeparator()
    {
        SetRegional(RegionalSettings{u'.', u','});
        QCOMPARE(IntToDateText(20080305), QStringLiteral("05.03.2008"));
        BuildDateTexts();
        QCOMPARE(EmptyDateText, QStringLiteral("  .  .    "));
        QCOMPARE(QDate(2008, 3, 5).toString(DateDisplayFormat), QStringLiteral("05.03.2008"));
    }

    void isDateText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("ordinary") << "05-03-2008" << true;
        QTest::newRow("days per month unchecked") << "31-02-2008" << true;
        QTest::newRow("separators unchecked") << "01/01/2008" << true;
        QTest::newRow("month 13") << "01-13-2008" << false;
        QTest::newRow("year 999") << "01-01-0999" << false;
        QTest::newRow("day 0") << "00-01-2008" << false;
        QTest::newRow("day 32") << "32-01-2008" << false;
        QTest::newRow("empty date text") << "  -  -    " << false;
        QTest::newRow("too long") << "05-03-20081" << false;
    }

    void isDateText()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QCOMPARE(IsDateText(text), ok);
    }

    // A stored impossible date must never break a window: it reads as today.
    void dateTextToDate()
    {
        QCOMPARE(DateTextToDate(QStringLiteral("05-03-2008")).date(), QDate(2008, 3, 5));
        QCOMPARE(DateTextToDate(QStringLiteral("29-02-2008")).date(), QDate(2008, 2, 29));
        QCOMPARE(DateTextToDate(QStringLiteral("31-04-2008")), Now());
        QCOMPARE(DateTextToDate(QStringLiteral("29-02-2007")), Now());
        QCOMPARE(DateTextToDate(EmptyDateText), Now());
    }

    void smallTextFunctions()
    {
        QCOMPARE(ReplaceChar(QStringLiteral("1500,00"), u',', u'.'), QStringLiteral("1500.00"));
        QCOMPARE(ReplaceChar(QStringLiteral("1,2,3"), u',', u'.'), QStringLiteral("1.2.3"));
        QCOMPARE(ReplaceChar(QStringLiteral("1500"), u',', u'.'), QStringLiteral("1500"));
        QCOMPARE(TrimmedLength(QStringLiteral(" \t ab c\r\n")), 4);
        QCOMPARE(TrimmedLength(QStringLiteral("   ")), 0);
        QCOMPARE(StripTrailingBackslash(QStringLiteral("C:\\dane\\")), QStringLiteral("C:\\dane"));
        QCOMPARE(StripTrailingBackslash(QStringLiteral("/home/x/")), QStringLiteral("/home/x"));
        QCOMPARE(StripTrailingBackslash(QStringLiteral("/home/x")), QStringLiteral("/home/x"));
    }

    void amounts_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 1500.0 << "1500,00";
        QTest::newRow("one decimal") << 1500.5 << "1500,50";
        QTest::newRow("zero") << 0.0 << "0,00";
        QTest::newRow("half grosz up") << 24.685 << "24,69";
        QTest::newRow("tax value binary noise") << 1234.25 * 2 * 0.01 << "24,69";
        QTest::newRow("product .5 grosz") << 1000.5 * 2.5 * 0.01 << "25,01";
        QTest::newRow("below half") << 0.004 << "0,00";
        QTest::newRow("negative") << -12.345 << "-12,35";
        QTest::newRow("negative to zero") << -0.001 << "0,00";
        QTest::newRow("large") << 12345678901.23 << "12345678901,23";
        // Beyond 64-bit grosze: the number as it is, never digits of an overflowed count.
        QTest::newRow("beyond whole grosze") << 1e17 << "100000000000000000,00";
        QTest::newRow("beyond, negative") << -2.5e18 << "-2500000000000000000,00";
    }

    void amounts()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatAmount(value), text);
        QCOMPARE(FormatRate(value), text + QStringLiteral(" %"));
    }

    void logLineFormat()
    {
        TempProgramDir dir;
        LogError(QStringLiteral("pierwszy"));
        LogError(QStringLiteral("drugi ąę"));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("debug/error.txt"))),
                 QByteArray("2008.03.05 14:07:31  pierwszy\r\n2008.03.05 14:07:31  drugi ąę\r\n"));
    }

    void showDBErrorShowsAndLogs()
    {
        TempProgramDir dir;
        ShowDBError(QStringLiteral("no such column: X"), 101719);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].title, QStringLiteral("Błąd bazy danych"));
        QCOMPARE(
            m_shown[0].text,
            QStringLiteral("Wystąpił nieoczekiwany błąd. Orginalny komunikat: no such column: X"));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("debug/error.txt"))),
                 QByteArray("2008.03.05 14:07:31  [0000101719]  no such column: X\r\n"));
    }

    void showDBErrorLockedFiles_data()
    {
        QTest::addColumn<QString>("message");
        QTest::newRow("table-file engine")
            << "Directory is controlled by other .NET file.\nFile: x";
        QTest::newRow("sqlite busy") << "database is locked";
        QTest::newRow("sqlite locked") << "database table is locked";
    }

    void showDBErrorLockedFiles()
    {
        QFETCH(QString, message);
        TempProgramDir dir;
        ShowDBError(message, 101719);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text,
                 QStringLiteral("Pliki bazy danych są zablokowane przez inny program. Odczekaj "
                                "chwilę i spróbuj ponownie. Jeśli sytuacja powtórzy się spróbuj "
                                "uruchomić program ponownie lub zrestartuj komputer."));
        // The log keeps the engine's own message.
        QCOMPARE(readAll(dir.filePath(QStringLiteral("debug/error.txt"))),
                 ("2008.03.05 14:07:31  [0000101719]  " + message + "\r\n").toUtf8());
    }

    void withoutDebugDirectoryNothingIsWritten()
    {
        TempProgramDir dir;
        QVERIFY(QDir(dir.filePath(QStringLiteral("debug"))).removeRecursively());
        const QStringList before =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        ShowDBError(QStringLiteral("x"), 0);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    void aFailingDialogStillLogs()
    {
        TempProgramDir dir;
        SetInfoHandler(
            [](const QString&, const QString&) { throw std::runtime_error("no window"); });
        ShowDBError(QStringLiteral("m"), 7);
        QCOMPARE(readAll(dir.filePath(QStringLiteral("debug/error.txt"))),
                 QByteArray("2008.03.05 14:07:31  [0000000007]  m\r\n"));
    }

    void readSettingsGetsTheInstalledPassword()
    {
        TempProgramDir dir;
        storedPassword = "stale";
        ReadSettings();
        // "kestu" shifted by "lod27": k+l, e+o, s+d, t+2, u+7.
        QCOMPARE(storedPassword, QByteArray("\xD7\xD4\xD7\xA6\xAC"));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("rejestr.ini"))));
        ReadSettings();
        QCOMPARE(storedPassword, QByteArray());
    }

    void iniKeepsOtherContentAndBytes()
    {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("other.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("; uwaga\r\n[Inne]\r\nkey=zostaje\r\n\r\n[register]\r\nKEY = stare \r\nx=1\r\n");
        f.close();

        IniFile ini(path);
        QVERIFY(ini.load());
        QCOMPARE(ini.value("REGISTER", "key"), QByteArray("stare"));
        QCOMPARE(ini.value("Inne", "key"), QByteArray("zostaje"));
        QCOMPARE(ini.value("REGISTER", "brak", "domyslna"), QByteArray("domyslna"));
        const QByteArray cipher("\xD7=\x01;\"\xFF", 6);
        ini.setValue("REGISTER", "key", cipher);
        ini.setValue("Nowa", "k", "v");
        QVERIFY(ini.save());

        IniFile back(path);
        QVERIFY(back.load());
        QCOMPARE(back.value("REGISTER", "key"), cipher);
        QCOMPARE(readAll(path),
                 QByteArray("; uwaga\r\n[Inne]\r\nkey=zostaje\r\n\r\n[register]\r\nkey=") + cipher +
                     QByteArray("\r\nx=1\r\n[Nowa]\r\nk=v\r\n"));
    }

    void cp1250RoundTrip()
    {
        const QString polish = QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
        QCOMPARE(
            ToCp1250(polish),
            QByteArray("\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF"));
        QCOMPARE(FromCp1250(ToCp1250(polish)), polish);
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        QCOMPARE(ToCp1250(FromCp1250(all)), all); // every byte survives
        QCOMPARE(ToCp1250(QStringLiteral("a€中😀")), QByteArray("a\x80??"));
    }
};

QTEST_GUILESS_MAIN(TestDefinicje)
#include "test_definicje.moc"
