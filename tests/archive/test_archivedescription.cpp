#include "archive/uArchiveDescription.h"
#include "data/Regional.h"
#include "data/uDefinicje.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class TestArchiveDescription : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file() const { return m_dir.filePath(QStringLiteral("archiwum.bak")); }

private Q_SLOTS:
    void initTestCase()
    {
        SetRegional(RegionalSettings{u'-', u','});
        BuildDateTexts();
    }

    // The record as another installation writes it, byte by byte.
    void goldenBytes()
    {
        QByteArray golden(112, '\0');
        golden[0] = 13;
        golden.replace(1, 13, QByteArray("Gda\xf1sk \xb3\xf3\x64\x9f \x8c", 13));
        golden[101] = 10;
        golden.replace(102, 10, QByteArray("05-03-2008"));

        const ArchiveDescription d{QStringLiteral("Gdańsk łódź Ś"), QStringLiteral("05-03-2008")};
        QVERIFY(WriteDescription(file(), d));
        QCOMPARE(ReadBytes(file()), golden);

        // Written elsewhere with other bytes after the significant ones.
        golden.replace(20, 10, QByteArray(10, 'z'));
        golden[111] = '\x7f';
        golden[101] = 9;
        WriteBytes(file(), golden + QByteArray("tail"));
        QCOMPARE(ReadDescription(file()), (ArchiveDescription{QStringLiteral("Gdańsk łódź Ś"),
                                                              QStringLiteral("05-03-200")}));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("nameBack");
        QTest::addColumn<QString>("dateBack");
        const QString polish = QStringLiteral("Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ");
        QTest::newRow("polish") << polish << "31-12-2026" << polish << "31-12-2026";
        QTest::newRow("empty date") << "" << EmptyDateText << "" << EmptyDateText;
        QTest::newRow("100") << QString(100, u'ż') << "01-01-2000" << QString(100, u'ż')
                             << "01-01-2000";
        QTest::newRow("cut") << QString(99, u'a') + QStringLiteral("ęxyz") << "01-01-2000 12:00"
                             << QString(99, u'a') + QStringLiteral("ę") << "01-01-2000";
        QTest::newRow("not in code page") << QStringLiteral("Дом €") << ""
                                          << "??? €"
                                          << "";
    }
    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, date);
        QFETCH(QString, nameBack);
        QFETCH(QString, dateBack);
        QVERIFY(WriteDescription(file(), ArchiveDescription{name, date}));
        QCOMPARE(QFileInfo(file()).size(), 112);
        QCOMPARE(ReadDescription(file()), (ArchiveDescription{nameBack, dateBack}));
    }

    // A shorter file is an archive with an empty description; a length byte beyond its field
    // reads the whole field.
    void unreadableRecords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("one byte") << QByteArray(1, 5) << "";
        QTest::newRow("111 bytes") << (QByteArray(1, 3) + "abc" + QByteArray(107, '\0')) << "";
        QTest::newRow("length 255")
            << (QByteArray(1, '\xff') + QByteArray(111, 'q')) << QString(100, u'q');
    }
    void unreadableRecords()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        WriteBytes(file(), bytes);
        const ArchiveDescription d = ReadDescription(file());
        QCOMPARE(d.Nazwa, name);
        if (bytes.size() < 112)
            QCOMPARE(d.Data, EmptyDateText);
        QCOMPARE(ReadDescription(m_dir.filePath(QStringLiteral("missing"))).Data, EmptyDateText);
    }

    // The file is replaced as a whole, and a write that fails says so.
    void writing()
    {
        WriteBytes(file(), QByteArray(500, 'x'));
        QVERIFY(WriteDescription(file(), ArchiveDescription{QStringLiteral("a"), EmptyDateText}));
        QCOMPARE(ReadBytes(file()).size(), 112);

        QBuffer readOnly;
        QVERIFY(readOnly.open(QIODevice::ReadOnly));
        QVERIFY(!WriteDescription(readOnly, ArchiveDescription{}));
        QVERIFY(!WriteDescription(m_dir.filePath(QStringLiteral("no/such/dir/archiwum.bak")),
                                  ArchiveDescription{}));
    }
};

QTEST_GUILESS_MAIN(TestArchiveDescription)
#include "test_archivedescription.moc"
