#include "support/MainProgram.h"

#include "app/uDBGrid.h"
#include "app/uMain.h"
#include "app/uSearchField.h"
#include "data/uDM.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>

// The search field above the taxpayer list, as the clerk uses it from the keyboard.
class TestSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typingNarrowsTheListAndKeysLeadBack()
    {
        MainProgram p;
        p.sql(QStringLiteral("kontrahenci.DB"),
              QStringLiteral("INSERT INTO kontrahenci(ID,SKROT,MIEJSCOWOSC) VALUES "
                             "(1,'KN Centrum','Łódź'),(2,'Żółw','Kraków'),(3,'Adam','Gdańsk')"));
        p.dm->RefreshKontrahenci();
        TfMain& m = *p.main;
        QAbstractItemModel* list = m.kontrahenciGrid->model();
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        m.kontrahenciGrid->setFocus();
        // Typing into the list goes on in the search field.
        QTest::keyClicks(m.kontrahenciGrid, QStringLiteral("zolw"));
        QTRY_COMPARE(QApplication::focusWidget(), m.fSzukaj);
        QCOMPARE(list->rowCount(), 1);
        // Down hands the keyboard to the list; the register opens for the taxpayer found.
        QTest::keyClick(m.fSzukaj, Qt::Key_Down);
        QTRY_COMPARE(QApplication::focusWidget(), m.kontrahenciGrid);
        m.Zakladki->setCurrentWidget(m.rejestr);
        QCOMPARE(p.dm->RejestrTaxpayer(), std::optional<qint64>(2));
        // Ctrl+F from the register: back on the list, in the field, its text ready to replace.
        QTest::keyClick(m.RejestrGrid, Qt::Key_F, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::focusWidget(), m.fSzukaj);
        QCOMPARE(m.Zakladki->currentWidget(), m.kontrahenci);
        QTest::keyClicks(m.fSzukaj, QStringLiteral("GDANSK"));
        QCOMPARE(list->index(0, 0).data().toString(), QStringLiteral("3"));
        QCOMPARE(list->rowCount(), 1);
        // Esc empties the field and brings every taxpayer back; Enter goes to the list.
        QTest::keyClick(m.fSzukaj, Qt::Key_Escape);
        QCOMPARE(m.fSzukaj->text(), QString());
        QCOMPARE(list->rowCount(), 3);
        QTest::keyClick(m.fSzukaj, Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), m.kontrahenciGrid);
    }
};

QTEST_MAIN(TestSearch)
#include "test_search.moc"
