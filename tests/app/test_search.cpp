#include "support/MainProgram.h"

#include "app/uDBGrid.h"
#include "app/uMain.h"
#include "app/uSearchField.h"
#include "app/uWindows.h"
#include "data/uDM.h"
#include "editing/uSumy.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>

// The search field above the taxpayer list, as the clerk uses it from the keyboard.
class TestSearch : public QObject
{
    Q_OBJECT

    static void addClerksTaxpayers(MainProgram& p)
    {
        p.sql(QStringLiteral("kontrahenci.DB"),
              QStringLiteral("INSERT INTO kontrahenci(ID,SKROT,NAZWA,NIP,MIEJSCOWOSC) VALUES "
                             "(1,'KN Centrum','Kancelaria','123-456-78-90','Łódź'),"
                             "(2,'Żółw','Żółw i Syn','5261040828','Kraków'),"
                             "(3,'Adam','Adam Kowalski','','Gdańsk')"));
        p.dm->RefreshKontrahenci();
    }

    static QStringList listed(TfMain& m)
    {
        QStringList shown;
        QAbstractItemModel* model = m.kontrahenciGrid->model();
        for (int r = 0; r < model->rowCount(); ++r)
            shown << model->index(r, 0).data().toString();
        return shown;
    }

private Q_SLOTS:
    void typingNarrowsTheListAndKeysLeadBack()
    {
        MainProgram p;
        addClerksTaxpayers(p);
        TfMain& m = *p.main;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        m.kontrahenciGrid->setFocus();
        // Typing into the list goes on in the search field.
        QTest::keyClicks(m.kontrahenciGrid, QStringLiteral("zo"));
        QTRY_COMPARE(QApplication::focusWidget(), m.fSzukaj);
        QTest::keyClicks(m.fSzukaj, QStringLiteral("lw"));
        QCOMPARE(listed(m), QStringList{QStringLiteral("2")});
        // The sums of the tab count what the list shows.
        m.SBSumaClick();
        QCOMPARE(fSumy->SumyGrid->cell(0, 1).trimmed(), QStringLiteral("1"));
        // Down hands the keyboard to the list; the register opens for the taxpayer found.
        QTest::keyClick(m.fSzukaj, Qt::Key_Down);
        QTRY_COMPARE(QApplication::focusWidget(), m.kontrahenciGrid);
        m.Zakladki->setCurrentWidget(m.rejestr);
        QCOMPARE(p.dm->rejestrTaxpayerFilter, QStringLiteral("AND IDKONTRAHENTA=2"));

        // Ctrl+F from the register: back on the list, in the field, its text ready to replace.
        QTest::keyClick(m.RejestrGrid, Qt::Key_F, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::focusWidget(), m.fSzukaj);
        QCOMPARE(m.Zakladki->currentWidget(), m.kontrahenci);
        QTest::keyClicks(m.fSzukaj, QStringLiteral("526-104-08"));
        QCOMPARE(listed(m), QStringList{QStringLiteral("2")});
        // Esc empties the field and brings every taxpayer back; Enter goes to the list.
        QTest::keyClick(m.fSzukaj, Qt::Key_Escape);
        QCOMPARE(m.fSzukaj->text(), QString());
        QCOMPARE(listed(m), (QStringList{"1", "2", "3"}));
        QTest::keyClicks(m.fSzukaj, QStringLiteral("GDANSK"));
        QTest::keyClick(m.fSzukaj, Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), m.kontrahenciGrid);
        QCOMPARE(listed(m), QStringList{QStringLiteral("3")});
    }
};

QTEST_MAIN(TestSearch)
#include "test_search.moc"
