#include "archive/uArchiveDescription.h"
#include "data/IniFile.h"
#include "data/SafeFile.h"
#include "output/uVtExportToCSV.h"
#include "report/ReportPainter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

const QByteArray kEarlier = "wcześniejsza zawartość, której nic nie może naruszyć\r\n";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// New content through one of the program's writers; its answer.
bool writeWith(const QString& writer, const QString& path)
{
    if (writer == QLatin1String("ini")) {
        IniFile ini(path);
        ini.setValue("REGISTER", "key", "nowe");
        return ini.save();
    }
    if (writer == QLatin1String("description"))
        return WriteDescription(path, {QStringLiteral("Archiwum"), QStringLiteral("01-02-2026")});
    if (writer == QLatin1String("csv"))
        return TVtExportToCSV().ExportGrid({{QStringLiteral("id")}, {QStringLiteral("1")}}, path);
    ReportDocument pdf;
    pdf.layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    return WriteReportPdf(pdf, path);
}

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { SafeFile::setFaultHook({}); }

    void failedStepLeavesTheEarlierFile_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<int>("step"); // -1: nothing fails
        const std::pair<const char*, SafeFile::Step> steps[] = {
            {"write", SafeFile::Step::Write},
            {"flush", SafeFile::Step::Flush},
            {"sync", SafeFile::Step::Sync},
            {"rename", SafeFile::Step::Rename},
        };
        for (const char* writer : {"ini", "description", "csv", "pdf"}) {
            QTest::addRow("%s, nothing fails", writer) << QString::fromLatin1(writer) << -1;
            for (const auto& [name, step] : steps)
                QTest::newRow(QByteArray(writer) + ", " + name + " fails")
                    << QString::fromLatin1(writer) << int(step);
        }
    }

    void failedStepLeavesTheEarlierFile()
    {
        QFETCH(QString, writer);
        QFETCH(int, step);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plik"));
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(kEarlier) == kEarlier.size());
        earlier.close();
        SafeFile::setFaultHook([step](SafeFile::Step at) { return int(at) == step ? ENOSPC : 0; });

        QCOMPARE(writeWith(writer, path), step < 0);
        QCOMPARE(readAll(path) == kEarlier, step >= 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QStringLiteral("plik")});
    }

    // What QSaveFile got wrong: a buffered write failed, nobody looked, the commit succeeded.
    void ignoredWriteFailureStillRefusesTheCommit()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rejestr.ini"));
        QVERIFY(SafeFile::writeWhole(path, kEarlier));
        SafeFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        int writes = 0;
        SafeFile::setFaultHook([&writes](SafeFile::Step at) {
            return at == SafeFile::Step::Write && ++writes == 1 ? ENOSPC : 0;
        });
        file.write("[REGISTER]\r\n");
        file.write("key=nowe\r\n");
        QVERIFY(!file.commit());
        QVERIFY2(file.errorText().startsWith(QStringLiteral("brak miejsca na dysku: ")),
                 qPrintable(file.errorText()));
        QCOMPARE(readAll(path), kEarlier);
    }

    // rejestr.ini holds the password's cipher text: a replacement must not widen who reads it.
    void replacementKeepsThePermissionBits()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rejestr.ini"));
        QVERIFY(SafeFile::writeWhole(path, kEarlier));
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        QVERIFY(QFile::setPermissions(path, ownerOnly));
        QVERIFY(SafeFile::writeWhole(path, "[REGISTER]\r\nkey=nowe\r\n"));
        const auto thisUser = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        QCOMPARE(QFileInfo(path).permissions() & ~thisUser, ownerOnly);
    }
};

QTEST_MAIN(TestSafeFile)
#include "test_safefile.moc"
