#include "import/ParadoxFixture.h"
#include "import/ParadoxTable.h"
#include "import/Pxlib.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

Q_DECLARE_METATYPE(PxValue)

namespace {

// Windows-1250 and code page 852 bytes written out, so the expectation does not lean on the
// program's own code page table.
const QByteArray kLettersCp1250 =
    "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF";
const QByteArray kLettersCp852 =
    "Za\xBE\xA2\x88\x86 g\xA9\x98l\xA5 ja\xAB\xE4 \xA4\x8F\xA8\x9D\xE3\xE0\x97\x8D\xBD";
const QString kLetters = QStringLiteral("Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ");

QByteArray ReadBytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

int HeaderSize(const QByteArray& table)
{
    return uchar(table[2]) | uchar(table[3]) << 8;
}

} // namespace

class TestParadoxTable : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void fieldsOfTheHeader();
    void values_data();
    void values();
    void textsInDeclaredCodePage_data();
    void textsInDeclaredCodePage();
    void fullWidthTextsReadWhole();
    void recordsAcrossManyBlocks();
    void refusedFiles_data();
    void refusedFiles();
    void bcdReadToTheGrosz_data();
    void bcdReadToTheGrosz();
};

void TestParadoxTable::fieldsOfTheHeader()
{
    const QString file = path(QStringLiteral("fields.DB"));
    QVERIFY(WriteParadoxTable(file,
                              {{"Nazwa", pxfAlpha, 30, 0},
                               {"ILE", pxfShort, 2, 0},
                               {"KWOTA", pxfBCD, 17, 2},
                               {"DNIA", pxfDate, 4, 0},
                               {"TAK", pxfLogical, 1, 0}},
                              {{}, {}, {}}, 852));
    ParadoxTable t;
    QString error;
    QVERIFY2(t.open(file, &error), qPrintable(error));
    QCOMPARE(t.recordCount(), 3);
    QCOMPARE(t.codePage(), 852);
    QCOMPARE(int(t.fields().size()), 5);
    const std::vector<ParadoxTable::Kind> kinds = {
        ParadoxTable::Kind::Text, ParadoxTable::Kind::Integer, ParadoxTable::Kind::Number,
        ParadoxTable::Kind::Date, ParadoxTable::Kind::Other};
    for (size_t i = 0; i < kinds.size(); ++i)
        QCOMPARE(t.fields()[i].kind, kinds[i]);
    QCOMPARE(t.fields()[2].decimals, 2);
    QCOMPARE(t.fieldIndex(QStringLiteral("NAZWA")), 0);
    QCOMPARE(t.fieldIndex(QStringLiteral("kwota")), 2);
    QCOMPARE(t.fieldIndex(QStringLiteral("BRAK")), -1);
}

// One field of one type, one stored value, and what each reader gives for it.
void TestParadoxTable::values_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<PxValue>("stored");
    QTest::addColumn<bool>("null");
    QTest::addColumn<qint64>("integer");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");

    auto row = [](const char* name, int type, int length, PxValue v, bool null, qint64 i, double n,
                  const QString& t, int decimals = 0) {
        QTest::newRow(name) << type << length << decimals << v << null << i << n << t;
    };
    row("short", pxfShort, 2, qint64(-7), false, -7, -7.0, QStringLiteral("-7"));
    row("long", pxfLong, 4, qint64(20080305), false, 20080305, 20080305.0,
        QStringLiteral("20080305"));
    row("long zero is no blank", pxfLong, 4, qint64(0), false, 0, 0.0, QStringLiteral("0"));
    row("autoincrement", pxfAutoInc, 4, qint64(42), false, 42, 42.0, QStringLiteral("42"));
    row("number with decimals", pxfNumber, 8, 1500.25, false, 1500, 1500.25,
        QStringLiteral("1500.25"));
    row("whole number", pxfNumber, 8, 1234.0, false, 1234, 1234.0, QStringLiteral("1234"));
    row("negative number", pxfNumber, 8, -0.5, false, -1, -0.5, QStringLiteral("-0.5"));
    row("number zero is no blank", pxfNumber, 8, 0.0, false, 0, 0.0, QStringLiteral("0"));
    row("currency", pxfCurrency, 8, -12.5, false, -13, -12.5, QStringLiteral("-12.5"));
    row("bcd", pxfBCD, 17, QByteArray("-123.45"), false, -123, -123.45, QStringLiteral("-123.45"),
        2);
    row("date", pxfDate, 4, QDate(2008, 3, 5), false, 20080305, 20080305.0,
        QStringLiteral("20080305"));
    row("date of a leap day", pxfDate, 4, QDate(2000, 2, 29), false, 20000229, 20000229.0,
        QStringLiteral("20000229"));
    row("alpha number", pxfAlpha, 10, QByteArray(" 12,5"), false, 13, 12.5,
        QStringLiteral(" 12,5"));
    row("alpha whole", pxfAlpha, 10, QByteArray("17"), false, 17, 17.0, QStringLiteral("17"));
    row("alpha word", pxfAlpha, 10, QByteArray("abc"), false, 0, 0.0, QStringLiteral("abc"));
    row("logical ignored", pxfLogical, 1, qint64(1), true, 0, 0.0, QString());
    for (const auto& [name, type, length] :
         {std::tuple{"blank short", pxfShort, 2}, std::tuple{"blank long", pxfLong, 4},
          std::tuple{"blank number", pxfNumber, 8}, std::tuple{"blank currency", pxfCurrency, 8},
          std::tuple{"blank bcd", pxfBCD, 17}, std::tuple{"blank date", pxfDate, 4},
          std::tuple{"blank alpha", pxfAlpha, 10}})
        row(name, type, length, std::monostate(), true, 0, 0.0, QString(), 2);
}

void TestParadoxTable::values()
{
    QFETCH(int, type);
    QFETCH(int, length);
    QFETCH(int, decimals);
    QFETCH(PxValue, stored);
    const QString file = path(QStringLiteral("value.DB"));
    // A neighbour on each side shows that a field is read from its own bytes only.
    QVERIFY(WriteParadoxTable(
        file, {{"A", pxfLong, 4, 0}, {"V", type, length, decimals}, {"Z", pxfAlpha, 3, 0}},
        {{qint64(-1), stored, QByteArray("zzz")}}));
    ParadoxTable t;
    QString error;
    QVERIFY2(t.open(file, &error), qPrintable(error));
    QVERIFY2(t.read(0, &error), qPrintable(error));
    QTEST(t.isNull(1), "null");
    QTEST(t.integer(1), "integer");
    QTEST(t.number(1), "number");
    QTEST(t.text(1), "text");
    QCOMPARE(t.integer(0), qint64(-1));
    QCOMPARE(t.text(2), QStringLiteral("zzz"));
}

void TestParadoxTable::textsInDeclaredCodePage_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Windows-1250") << 1250 << kLettersCp1250;
    QTest::newRow("none declared reads as Windows-1250") << 0 << kLettersCp1250;
    QTest::newRow("DOS Latin 2") << 852 << kLettersCp852;
}

void TestParadoxTable::textsInDeclaredCodePage()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, bytes);
    const QString file = path(QStringLiteral("letters.DB"));
    QVERIFY(WriteParadoxTable(file, {{"T", pxfAlpha, 60, 0}},
                              {{bytes}, {QByteArray("\"a;b\" 'c'")}}, codePage));
    ParadoxTable t;
    QString error;
    QVERIFY2(t.open(file, &error), qPrintable(error));
    QVERIFY(t.read(0));
    QCOMPARE(t.text(0), kLetters);
    QVERIFY(t.read(1));
    QCOMPARE(t.text(0), QStringLiteral("\"a;b\" 'c'"));
}

void TestParadoxTable::fullWidthTextsReadWhole()
{
    // A text that fills its field has no closing zero byte; the next field must not leak in.
    QByteArray full254;
    while (full254.size() < 254)
        full254 += kLettersCp1250;
    full254.truncate(254);
    const QString file = path(QStringLiteral("wide.DB"));
    QVERIFY(WriteParadoxTable(file, {{"UWAGI", pxfAlpha, 254, 0}, {"NEXT", pxfAlpha, 5, 0}},
                              {{full254, QByteArray("after")}}));
    ParadoxTable t;
    QVERIFY(t.open(file));
    QVERIFY(t.read(0));
    const QString text = t.text(0);
    QCOMPARE(text.size(), 254);
    QVERIFY(text.startsWith(kLetters));
    QCOMPARE(t.text(1), QStringLiteral("after"));
}

void TestParadoxTable::recordsAcrossManyBlocks()
{
    std::vector<PxRow> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back({qint64(i), QByteArray::number(i * 7)});
    const QString file = path(QStringLiteral("many.DB"));
    QVERIFY(WriteParadoxTable(file, {{"ID", pxfLong, 4, 0}, {"T", pxfAlpha, 200, 0}}, rows));
    ParadoxTable t;
    QVERIFY(t.open(file));
    QCOMPARE(t.recordCount(), 3000);
    for (int i = 0; i < 3000; ++i) {
        QVERIFY(t.read(i));
        if (t.integer(0) != i || t.text(1) != QString::number(i * 7))
            QFAIL(qPrintable(QStringLiteral("record %1 reads %2").arg(i).arg(t.integer(0))));
    }
    QVERIFY(!t.read(3000));
}

void TestParadoxTable::refusedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");

    QTest::newRow("text") << "text.DB" << QByteArray("NAZWA;NIP\nJan;123\n")
                          << "nieczytelny nagłówek";
    QTest::newRow("empty") << "empty.DB" << QByteArray() << "nieczytelny nagłówek";
    QTest::newRow("cut after its header")
        << "cut.DB" << QByteArray("cut:2100") << "plik jest niekompletny";
    QTest::newRow("sqlite") << "sqlite.DB" << QByteArray("sqlite") << "nieczytelny nagłówek";
    QTest::newRow("missing") << "missing.DB" << QByteArray("missing") << "Brak pliku";
}

void TestParadoxTable::refusedFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const QString file = path(name);
    if (content.startsWith("cut:")) {
        const QString whole = path(QStringLiteral("whole.DB"));
        std::vector<PxRow> rows(40, PxRow{QByteArray("x")});
        QVERIFY(WriteParadoxTable(whole, {{"T", pxfAlpha, 100, 0}}, rows));
        QFile in(whole);
        QVERIFY(in.open(QIODevice::ReadOnly));
        content = in.read(content.mid(4).toInt());
    }
    if (content == "sqlite") {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(file).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE rejestr(ID INTEGER)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    } else if (content != "missing") {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(content);
    }
    ParadoxTable t;
    QString error;
    QVERIFY(!t.open(file, &error));
    QVERIFY2(error.contains(file), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(t.recordCount(), 0);
}

// Digits from noiseFrom on (counted over all 32) are made noise, as some writers leave it.
void TestParadoxTable::bcdReadToTheGrosz_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<int>("noiseFrom");
    QTest::addColumn<bool>("read");
    QTest::addColumn<double>("number");

    QTest::newRow("32 decimals, noise after 20")
        << 32 << QByteArray("0.1229999999999999980") << 20 << true << 0.12;
    QTest::newRow("32 decimals, negative") << 32 << QByteArray("-0.5") << 3 << true << -0.5;
    QTest::newRow("4 decimals") << 4 << QByteArray("12.3449") << -1 << true << 12.34;
    QTest::newRow("noise before the point") << 2 << QByteArray("123.45") << 29 << false << 0.0;
}

void TestParadoxTable::bcdReadToTheGrosz()
{
    QFETCH(int, decimals);
    QFETCH(QByteArray, digits);
    QFETCH(int, noiseFrom);
    const QString file = path(QStringLiteral("bcd.DB"));
    QVERIFY(WriteParadoxTable(file, {{"V", pxfBCD, 17, decimals}}, {{digits}}));
    QByteArray table = ReadBytes(file);
    const int value = HeaderSize(table) + 6;
    // Digit i sits in half byte i + 2; a negative number stores each inverted.
    const char noise = digits.startsWith('-') ? 0x3 : 0xC;
    for (int n = noiseFrom + 2; noiseFrom >= 0 && n < 34; ++n) {
        char& b = table[value + n / 2];
        b = n % 2 ? char((b & 0xF0) | noise) : char((b & 0x0F) | noise << 4);
    }
    QVERIFY(WriteBytes(file, table));

    ParadoxTable t;
    QString error;
    QVERIFY2(t.open(file, &error), qPrintable(error));
    QTEST(t.read(0, &error), "read");
    if (t.read(0))
        QTEST(t.number(0), "number");
    else
        QVERIFY2(error.contains(QStringLiteral("rekord 1: pole V nie jest liczbą")),
                 qPrintable(error));
}

QTEST_GUILESS_MAIN(TestParadoxTable)
#include "test_paradoxtable.moc"
