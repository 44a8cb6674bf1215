#include "support/MainProgram.h"

#include "app/uMain.h"
#include "app/uWindows.h"
#include "data/Clock.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "editing/uSumy.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

class TestSums : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

    static QStringList values()
    {
        return {fSumy->SumyGrid->cell(0, 1), fSumy->SumyGrid->cell(1, 1),
                fSumy->SumyGrid->cell(2, 1)};
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        SetClock([] { return QDateTime(QDate(2026, 12, 7), QTime(10, 0)); });
    }

    void taxpayerCountWithoutTaxpayers()
    {
        MainProgram p;
        p.main->SBSumaClick();
        QVERIFY(fSumy->isVisible());
        QVERIFY(!fSumy->isModal());
        // Its own window, so the main window may cover it, and it never keeps the program open.
        QVERIFY(!fSumy->parentWidget());
        QCOMPARE(fSumy->windowType(), Qt::Window);
        QVERIFY(!fSumy->testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(fSumy->windowTitle(), QStringLiteral("Sumy dla tabeli KONTRAHENCI"));
        QCOMPARE(fSumy->SumyGrid->colCount(), 1);
        QCOMPARE(fSumy->SumyGrid->cell(0, 0), QStringLiteral("Ilość rekordów"));
        QCOMPARE(fSumy->SumyGrid->cell(0, 1), QStringLiteral("0"));
    }

    void registerFiguresFollowTheFilterAndStayASnapshot()
    {
        MainProgram p;
        p.addTaxpayers(QStringLiteral("(1,'A',''),(2,'B','')"));
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral(
                  "INSERT INTO rejestr(ID,DATAWPISU,NALEZNOSC,STAWKA,IDKONTRAHENTA) VALUES "
                  "(1,20261201,1000,2,1),(2,20261105,500,1,1),(3,20251201,999,2,1),"
                  "(1,20261201,777,2,2)"));
        p.openRegisterOf(1);
        p.main->SBSumaClick();
        QCOMPARE(fSumy->windowTitle(), QStringLiteral("Sumy dla tabeli REJESTR"));
        QCOMPARE(fSumy->SumyGrid->colCount(), 3);
        QCOMPARE(fSumy->SumyGrid->cell(1, 0), QStringLiteral("Należności"));
        QCOMPARE(fSumy->SumyGrid->cell(2, 0), QStringLiteral("Wartość"));
        QCOMPARE(values(), (QStringList{"2", "1500,00", "25,00"}));

        // A new entry changes nothing until the button is clicked again.
        p.sql(QStringLiteral("rejestr.DB"),
              QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,NALEZNOSC,STAWKA,IDKONTRAHENTA) "
                             "VALUES (4,20261202,100,10,1)"));
        p.dm->RefreshRejestr();
        QCOMPARE(values(), (QStringList{"2", "1500,00", "25,00"}));
        p.main->SBSumaClick();
        QCOMPARE(values(), (QStringList{"3", "1600,00", "35,00"}));

        // An empty month.
        p.main->CBCurrentMonth->setCurrentIndex(2);
        p.main->SBSumaClick();
        QCOMPARE(values(), (QStringList{"0", "0,00", "0,00"}));

        // Back on the taxpayer tab: one column with the taxpayer caption.
        p.main->Zakladki->setCurrentWidget(p.main->kontrahenci);
        p.main->SBSumaClick();
        QCOMPARE(fSumy->SumyGrid->colCount(), 1);
        QCOMPARE(fSumy->windowTitle(), QStringLiteral("Sumy dla tabeli KONTRAHENCI"));
        QCOMPARE(fSumy->SumyGrid->cell(0, 1), QStringLiteral("2"));
    }

    void failedSumsLeaveEmptyCells()
    {
        MainProgram p;
        p.addTaxpayers(QStringLiteral("(1,'A','')"));
        p.openRegisterOf(1);
        p.dm->DatabaseMain.disconnect();
        SetInfoHandler([](const QString&, const QString&) {});
        p.main->SBSumaClick();
        SetInfoHandler({});
        QCOMPARE(fSumy->SumyGrid->cell(2, 0), QStringLiteral("Wartość"));
        QCOMPARE(values(), (QStringList{"", "", ""}));
        QVERIFY(fSumy->isVisible());
    }

    void stayOnTopLastsAcrossReopening()
    {
        MainProgram p;
        p.main->SBSumaClick();
        fSumy->cbTop->click();
        QVERIFY(fSumy->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(fSumy->isVisible());
        fSumy->SpeedButton1->click();
        QVERIFY(!fSumy->isVisible());
        p.main->SBSumaClick();
        QVERIFY(fSumy->windowFlags() & Qt::WindowStaysOnTopHint);
        fSumy->cbTop->click();
        QVERIFY(!(fSumy->windowFlags() & Qt::WindowStaysOnTopHint));
    }
};

QTEST_MAIN(TestSums)
#include "test_sums.moc"
