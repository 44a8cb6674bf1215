// Damaged copies of the two tables through the whole conversion, for a bounded time: each must
// end within the reader's time limit in a table file or a refusal naming the file, never in a
// crash or hang of this process. The seed is fixed, and a failure names the case's number and
// damage.
#include "import/ParadoxFixture.h"

#include "import/ParadoxConvert.h"
#include "import/Pxlib.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <random>

namespace {

constexpr int kTimeLimitMs = 3000;
// Per table, whichever ends first; case n is the same on every machine.
constexpr int kBudgetMs = 6000;
constexpr int kMaxCases = 2000;

int Below(std::mt19937& random, qsizetype n)
{
    return n > 0 ? int(random() % quint32(n)) : 0;
}

// One kind of damage, chosen at random; answers what was done.
QString Damage(QByteArray& bytes, std::mt19937& random)
{
    const int header = uchar(bytes[2]) | uchar(bytes[3]) << 8;
    const int blockSize = uchar(bytes[5]) * 1024;
    const int blocks = int((bytes.size() - header) / blockSize);
    const int block = header + Below(random, blocks) * blockSize;
    switch (random() % 5) {
    case 0: { // header bytes, mostly of the fixed part and the field types
        QString what = QStringLiteral("bajty nagłówka");
        for (int n = 1 + Below(random, 3); n > 0; --n) {
            const int at = Below(random, random() % 4 ? 0x78 + 2 * 16 : header);
            bytes[at] = char(random());
            what += QStringLiteral(" 0x%1").arg(at, 0, 16);
        }
        return what;
    }
    case 1: { // a field's type set to another one pxlib knows
        const int at = 0x78 + 2 * Below(random, 9);
        bytes[at] = char(1 + Below(random, pxfNumTypes));
        return QStringLiteral("typ pola 0x%1 = %2").arg(at, 0, 16).arg(int(bytes[at]));
    }
    case 2: { // a block's head: its neighbours and the bytes it holds
        for (int i = 0; i < 6; ++i)
            bytes[block + i] = char(random());
        return QStringLiteral("nagłówek bloku 0x%1").arg(block, 0, 16);
    }
    case 3: { // noise over a stretch of records
        const int at = block + Below(random, blockSize);
        const int n = 1 + Below(random, 300);
        for (int i = at; i < at + n && i < bytes.size(); ++i)
            bytes[i] = char(random());
        return QStringLiteral("%1 bajtów od 0x%2").arg(n).arg(at, 0, 16);
    }
    default: {
        const int size = Below(random, bytes.size());
        bytes.truncate(size);
        return QStringLiteral("obcięty do %1 bajtów").arg(size);
    }
    }
}

} // namespace

class TestParadoxFuzz : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { SetParadoxReader({}, kTimeLimitMs); }
    void damagedTablesEndCleanly_data();
    void damagedTablesEndCleanly();
};

void TestParadoxFuzz::damagedTablesEndCleanly_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("kontrahenci") << "kontrahenci.DB";
    QTest::newRow("rejestr") << "rejestr.DB";
}

void TestParadoxFuzz::damagedTablesEndCleanly()
{
    QFETCH(QString, table);
    const QString file = m_dir.filePath(table);
    const QString staged = m_dir.filePath(QStringLiteral("staged"));
    const bool taxpayers = table.startsWith(u'k');
    std::vector<PxRow> rows;
    for (int i = 1; i <= 40; ++i) { // three blocks
        PxRow row(16);
        row[0] = qint64(i);
        row[1] = taxpayers ? PxValue(QByteArray("Gmina ") + QByteArray::number(i)) : PxValue();
        row[3] = taxpayers ? PxValue() : PxValue(0.5 * i);
        row[14] = qint64(1 + i % 5); // IDKONTRAHENTA
        rows.push_back(row);
    }
    QVERIFY(WriteParadoxTable(file, taxpayers ? KontrahenciFields() : RejestrFields(), rows));
    QFile original(file);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray whole = original.readAll();
    original.close();
    qint64 count = 0;
    QVERIFY(ConvertParadoxTable(file, table, staged, &count));
    QCOMPARE(count, 40);

    std::mt19937 random(taxpayers ? 1 : 2);
    int cases = 0;
    int imported = 0;
    QElapsedTimer budget;
    budget.start();
    while (budget.elapsed() < kBudgetMs && cases < kMaxCases) {
        QByteArray bytes = whole;
        const QString what =
            QStringLiteral("przypadek %1: %2").arg(++cases).arg(Damage(bytes, random));
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(damaged.write(bytes), bytes.size());
        damaged.close();

        QElapsedTimer one;
        one.start();
        count = -1;
        QString error;
        if (ConvertParadoxTable(file, table, staged, &count, &error)) {
            QVERIFY2(count >= 0 && QFile::exists(staged), qPrintable(what));
            ++imported;
        } else {
            QVERIFY2(error.contains(file), qPrintable(what + u' ' + error));
            // The checks before pxlib are meant to catch every damage, so the reader itself
            // should never have crashed or run out of time either.
            QVERIFY2(!error.contains(QStringLiteral("(odczyt ")), qPrintable(what + u' ' + error));
            QVERIFY2(!QFile::exists(staged), qPrintable(what));
        }
        QVERIFY2(one.elapsed() < kTimeLimitMs + 2000, qPrintable(what));
    }
    qInfo("%s: %d uszkodzonych kopii, %d przeczytanych", qPrintable(table), cases, imported);
}

QTEST_GUILESS_MAIN(TestParadoxFuzz)
#include "test_paradoxfuzz.moc"
