#include "support/TempProgramDir.h"

#include "data/uDM.h"
#include "dbengine/EDBEngineError.h"
#include "import/TableSwap.h"
#include "tools/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

void WriteMarker(const QString& db, const QByteArray& text)
{
    QFile f(QDir(db).filePath(QLatin1String(kSwapMarker)));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QString Names(const QString& db)
{
    return QDir(db).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u' ');
}

} // namespace

// A restore or import that a power cut stopped half-way is undone at the next start, whatever
// step it had reached; a decided swap is left alone.
class TestTableSwap : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempProgramDir> m_dir;
    QString m_db;

    QString db(const QString& name) const { return QDir(m_db).filePath(name); }
    QString name(const QString& table) const
    {
        return m_dir->sql(table, QStringLiteral("SELECT group_concat(NAZWA) FROM kontrahenci"));
    }
    // A table file holding one taxpayer of that name, made beside the live ones.
    QString tableCopy(const QString& file, const QString& taxpayer)
    {
        QFile::copy(db(QStringLiteral("kontrahenci.DB")), db(file));
        m_dir->sql(file, QStringLiteral("DELETE FROM kontrahenci"));
        m_dir->sql(
            file,
            QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES (1,'%1')").arg(taxpayer));
        return db(file);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TempProgramDir>();
        QVERIFY(m_dir->isValid());
        m_db = m_dir->filePath(QStringLiteral("db"));
        m_dir->sql(QStringLiteral("kontrahenci.DB"),
                   QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES (1,'Stara')"));
    }
    void cleanup() { m_dir.reset(); }

    // Cut after the first table was swapped and the second moved aside: both come back.
    void cutHalfWayIsUndone()
    {
        const QString live = db(QStringLiteral("kontrahenci.DB"));
        const QString rejestr = db(QStringLiteral("rejestr.DB"));
        const QString staged = tableCopy(QStringLiteral("nowa.tmp"), QStringLiteral("Nowa"));
        QVERIFY(QFile::rename(live, live + QStringLiteral(".old")));
        QVERIFY(QFile::rename(staged, live));
        QVERIFY(QFile::rename(rejestr, rejestr + QStringLiteral(".old")));
        WriteMarker(m_db, "kontrahenci.DB\t1\nrejestr.DB\t1\n");

        QVERIFY(FinishInterruptedSwap(m_db));
        QCOMPARE(Names(m_db), QStringLiteral("kontrahenci.DB rejestr.DB"));
        QCOMPARE(name(QStringLiteral("kontrahenci.DB")), QStringLiteral("Stara"));
        QVERIFY(!FinishInterruptedSwap(m_db));
    }

    // A table that had no file before the swap loses the one the swap placed; a marker's name
    // never reaches outside the folder.
    void placedWithoutPredecessorIsRemoved()
    {
        tableCopy(QStringLiteral("extra.DB"), QStringLiteral("Nowa"));
        QFile outside(m_dir->filePath(QStringLiteral("poza.DB")));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.close();
        WriteMarker(m_db, "extra.DB\t0\n../poza.DB\t0\n");
        QVERIFY(FinishInterruptedSwap(m_db));
        QCOMPARE(Names(m_db), QStringLiteral("kontrahenci.DB rejestr.DB"));
        QVERIFY(outside.exists());
    }

    // Without a marker the swap was decided: leftovers of it stay as they are.
    void decidedSwapIsLeftAlone()
    {
        tableCopy(QStringLiteral("kontrahenci.DB.old"), QStringLiteral("Nowa"));
        QVERIFY(!FinishInterruptedSwap(m_db));
        QCOMPARE(name(QStringLiteral("kontrahenci.DB")), QStringLiteral("Stara"));
        QVERIFY(QFile::exists(db(QStringLiteral("kontrahenci.DB.old"))));
    }

    // The installer, run before every start, puts the table back rather than making it empty;
    // the data module undoes a cut swap before it opens the tables.
    void startUpUndoesACutSwap()
    {
        const QString live = db(QStringLiteral("kontrahenci.DB"));
        QVERIFY(QFile::rename(live, live + QStringLiteral(".old")));
        WriteMarker(m_db, "kontrahenci.DB\t1\n");
        QVERIFY(InstallProgramDir(m_dir->path(), QString()).ok);
        QCOMPARE(name(QStringLiteral("kontrahenci.DB")), QStringLiteral("Stara"));

        const QString staged = tableCopy(QStringLiteral("nowa.tmp"), QStringLiteral("Nowa"));
        QVERIFY(QFile::rename(live, live + QStringLiteral(".old")));
        QVERIFY(QFile::rename(staged, live));
        WriteMarker(m_db, "kontrahenci.DB\t1\n");
        TmyDataBase dm;
        dm.DMCreate();
        QCOMPARE(dm.DBFKontrahenci.asText(QStringLiteral("NAZWA")), QStringLiteral("Stara"));
        QVERIFY(!QFile::exists(QDir(m_db).filePath(QLatin1String(kSwapMarker))));
    }

    // A swap that completes leaves no marker and no earlier files.
    void completedSwapLeavesNothingBehind()
    {
        const QString staged =
            tableCopy(QStringLiteral("kontrahenci.DB.new"), QStringLiteral("Nowa"));
        TmyDataBase dm;
        dm.DMCreate();
        QString why;
        QVERIFY2(SwapInTables(&dm, {{db(QStringLiteral("kontrahenci.DB")), staged}}, &why),
                 qPrintable(why));
        QCOMPARE(Names(m_db), QStringLiteral("kontrahenci.DB rejestr.DB"));
        QCOMPARE(dm.DBFKontrahenci.asText(QStringLiteral("NAZWA")), QStringLiteral("Nowa"));
    }

    // Tables that could not be opened are what a restore is for: the data module starts on the
    // new ones instead of staying without a connection.
    void swapStartsADataModuleThatCouldNotConnect()
    {
        const QString staged =
            tableCopy(QStringLiteral("kontrahenci.DB.new"), QStringLiteral("Nowa"));
        QFile damaged(db(QStringLiteral("kontrahenci.DB")));
        QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(QByteArray(4096, 'x'));
        damaged.close();
        TmyDataBase dm;
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, dm.DMCreate());
        QVERIFY(!dm.DatabaseMain.isConnected());
        QString why;
        QVERIFY2(SwapInTables(&dm, {{db(QStringLiteral("kontrahenci.DB")), staged}}, &why),
                 qPrintable(why));
        QVERIFY(dm.DatabaseMain.isConnected());
        QCOMPARE(dm.DBFKontrahenci.asText(QStringLiteral("NAZWA")), QStringLiteral("Nowa"));
    }
};

QTEST_GUILESS_MAIN(TestTableSwap)
#include "test_tableswap.moc"
