#include "support/MainProgram.h"
#include "support/ModalDriver.h"

#include "app/uDBGrid.h"
#include "app/uElidedLabel.h"
#include "app/uMain.h"
#include "data/Clock.h"
#include "data/PeriodFilter.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "dialogs/uInfoForm.h"
#include "startup/uSingleInstance.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

namespace {

// The program over a directory with three taxpayers and their entries, not started yet.
struct Program : MainProgram
{
    explicit Program(bool withTaxpayers = true) : MainProgram(Start::Later)
    {
        if (withTaxpayers) {
            dir.sql(QStringLiteral("kontrahenci.DB"),
                    QStringLiteral(
                        "INSERT INTO kontrahenci(ID,NAZWA,SKROT) VALUES "
                        "(1,'Pierwsza Spółka','P1'),(3,'Gmina Trzecia',''),(8,'Ósmy','O8')"));
            dir.sql(QStringLiteral("rejestr.DB"),
                    QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES "
                                   "(1,20261201,3),(2,20261115,3),(3,20250301,3),(4,20261203,1)"));
        }
    }

    // The register view's period line as the last refresh wrote it.
    QString dateFilter() const { return dm->DBFRejestr.sql().at(2); }
};

} // namespace

class TestMain : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        SetClock([] { return QDateTime(QDate(2026, 12, 7), QTime(10, 30, 0)); });
    }

    void startUpStateAfterLogin()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        QCOMPARE(m.CBCurrentMonth->currentIndex(), 0);
        QCOMPARE(m.CBcurrentYear->count(), 532);
        QCOMPARE(m.CBcurrentYear->currentText(), QStringLiteral("2026"));
        QCOMPARE(m.filtrOd->displayText().replace(u'_', u' '), EmptyDateText);
        QCOMPARE(m.filtrDo->palette().color(QPalette::Base), QColor(187, 187, 187));
        QCOMPARE(m.CBcurrentYear->palette().color(QPalette::Base), QColor(255, 255, 255));
        QVERIFY(!m.DateRangeActive());
        QVERIFY(!m.SBRaport->isEnabled());
        QCOMPARE(p.dateFilter(),
                 QStringLiteral("AND DATAWPISU > 20260000AND DATAWPISU < 20261300"));
        QVERIFY(!p.dm->RejestrTaxpayer());
        QCOMPARE(m.kontrahenciGrid->model()->rowCount(), 3);
        QCOMPARE(m.DTPFiltrOd->date(), QDate(2026, 12, 7));
        QVERIFY(!m.runDirectory().isEmpty());
        QVERIFY(QDir(m.runDirectory()).exists());
    }

    void refusedLoginEndsWithoutShowingData()
    {
        Program p;
        ModalDriver driver;
        driver.onNextModal([](QWidget* w) { w->close(); });
        QVERIFY(!p.windows.start(MainProgram::multiRun()));
        QVERIFY(driver.allRan());
        QVERIFY(!p.main->isVisible());
        QCOMPARE(p.main->CBcurrentYear->count(), 1); // nothing was prepared
    }

    void secondCopyIsRefusedWithoutTheSwitch()
    {
        SingleInstance running(QStringLiteral("ApplicationShuRejestrTARV"));
        QVERIFY(running.acquire());
        {
            Program p;
            ModalDriver driver;
            QString text;
            driver.onNextModal([&text](QWidget* w) {
                text = w->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
                QTest::keyClick(w, Qt::Key_Return);
            });
            QVERIFY(!p.main->FormCreate({QStringLiteral("rejestr")}));
            QVERIFY(driver.allRan());
            QCOMPARE(text, QStringLiteral("Rejestr TARV jest już uruchomiony!"));
        }
        {
            Program p;
            QVERIFY(p.main->FormCreate(MainProgram::multiRun()));
        }
    }

    void startsWithoutTmpFileAndCleansNothing()
    {
        Program p;
        QVERIFY(QDir(p.dir.filePath(QStringLiteral("tmpFile"))).removeRecursively());
        QVERIFY(p.start());
        QVERIFY(p.main->runDirectory().isEmpty());
        p.main->FormDestroy();
        QVERIFY(!QDir(p.dir.filePath(QStringLiteral("tmpFile"))).exists());
    }

    void endOfRunRemovesOwnAndDeadFoldersOnly()
    {
        Program p;
        const QString tmpFile = p.dir.filePath(QStringLiteral("tmpFile"));
        QVERIFY(QDir().mkpath(tmpFile + QStringLiteral("/20200101000000")));
        RunDirectory other; // another copy, still running
        QVERIFY(other.create(tmpFile, QStringLiteral("20260101000000")));
        QVERIFY(p.start());
        const QString own = QDir(p.main->runDirectory()).dirName();
        QVERIFY(QDir(tmpFile).exists(own));
        p.main->FormDestroy();
        QCOMPARE(QDir(tmpFile).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("20260101000000")});
    }

    void tabChangeBindsTheRegisterToTheCurrentTaxpayer()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        p.dm->LocateKontrahent(3);
        m.Zakladki->setCurrentWidget(m.rejestr);
        QCOMPARE(p.dm->RejestrTaxpayer(), std::optional<qint64>(3));
        QCOMPARE(m.nazwaKontrahenta->text(), QStringLiteral("Gmina Trzecia")); // SKROT is empty
        QVERIFY(m.SBRaport->isEnabled());
        QCOMPARE(m.RejestrGrid->model()->rowCount(), 2); // 2026 only
        m.Zakladki->setCurrentWidget(m.kontrahenci);
        QVERIFY(!m.SBRaport->isEnabled());
        // A click in the taxpayer grid moves the cursor; the register follows on the next entry.
        m.kontrahenciGrid->setCurrentIndex(m.kontrahenciGrid->model()->index(0, 1));
        m.Zakladki->setCurrentWidget(m.rejestr);
        QCOMPARE(p.dm->RejestrTaxpayer(), std::optional<qint64>(1));
        QCOMPARE(m.nazwaKontrahenta->text(), QStringLiteral("P1"));
    }

    // A long name without a short one is cut at the panel's edge: the window keeps its size,
    // so the filters and "Przelicz sumy" stay on the screen; the whole name is the hint.
    void longTaxpayerNameKeepsTheWindowSize()
    {
        Program p;
        const QString name =
            QStringLiteral("Przedsiębiorstwo Produkcyjno-Handlowo-Usługowe ") + QString(200, u'Ż');
        p.dir.sql(
            QStringLiteral("kontrahenci.DB"),
            QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA,SKROT) VALUES (9,'%1','')").arg(name));
        QVERIFY(p.start());
        TfMain& m = *p.main;
        const int width = m.minimumSizeHint().width();
        p.dm->LocateKontrahent(9);
        m.Zakladki->setCurrentWidget(m.rejestr);
        QCOMPARE(m.nazwaKontrahenta->text(), name);
        QCOMPARE(m.nazwaKontrahenta->toolTip(), name);
        QCOMPARE(m.minimumSizeHint().width(), width);
        // Shown cut, with an ellipsis that says so; a short name whole.
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        auto* label = qobject_cast<TElidedLabel*>(m.nazwaKontrahenta);
        QVERIFY(label);
        QVERIFY(label->shownText().endsWith(QChar(0x2026)));
        QVERIFY(name.startsWith(label->shownText().chopped(1)));
        m.Zakladki->setCurrentWidget(m.kontrahenci);
        p.dm->LocateKontrahent(1);
        m.Zakladki->setCurrentWidget(m.rejestr);
        QCOMPARE(label->shownText(), QStringLiteral("P1"));
    }

    void emptyTaxpayerListSendsTheUserBack()
    {
        Program p(false);
        QVERIFY(p.start());
        TfMain& m = *p.main;
        ModalDriver driver;
        QString shown;
        driver.onNextModal([&shown](QWidget* w) {
            shown =
                w->windowTitle() + u'|' + w->findChild<QLabel*>(QStringLiteral("napis1"))->text();
            QTest::keyClick(w, Qt::Key_Return);
        });
        m.Zakladki->setCurrentWidget(m.rejestr);
        QVERIFY(driver.allRan());
        QCOMPARE(shown,
                 QStringLiteral(
                     "Informacja|Brak podatnika. Aby edytować rejestr załóż wpierw podatnika"));
        QCOMPARE(m.Zakladki->currentWidget(), m.kontrahenci);
        QVERIFY(!m.SBRaport->isEnabled());
        QVERIFY(!p.dm->RejestrTaxpayer());
    }

    void yearAndMonthFilters()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        m.CBCurrentMonth->setCurrentIndex(12);
        QCOMPARE(p.dateFilter(),
                 QStringLiteral("AND DATAWPISU > 20261200AND DATAWPISU < 20261300"));
        m.CBcurrentYear->setCurrentIndex(YearIndex(2025));
        QCOMPARE(p.dateFilter(),
                 QStringLiteral("AND DATAWPISU > 20251200AND DATAWPISU < 20251300"));
        m.CBcurrentYear->setCurrentIndex(0);
        QCOMPARE(m.CBCurrentMonth->currentIndex(), 0);
        QCOMPARE(p.dateFilter(), QString());
        // Arrow keys on a closed list apply each step at once.
        m.CBcurrentYear->setFocus();
        QTest::keyClick(m.CBcurrentYear, Qt::Key_Down);
        QCOMPARE(p.dateFilter(),
                 QStringLiteral("AND DATAWPISU > 19700000AND DATAWPISU < 19701300"));
    }

    // Picking the year already chosen in the open list ends a date range at once.
    void pickingTheChosenYearEndsTheDateRange()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        m.show();
        const QString yearFilter = p.dateFilter();
        m.filtrOd->setText(QStringLiteral("01-11-2026"));
        m.ApplyDateRange();
        QVERIFY(m.DateRangeActive());
        m.CBcurrentYear->showPopup();
        QTRY_VERIFY(m.CBcurrentYear->view()->isVisible());
        QTest::keyClick(m.CBcurrentYear->view(), Qt::Key_Return);
        QTRY_VERIFY(!m.CBcurrentYear->view()->isVisible());
        QVERIFY(!m.DateRangeActive());
        QCOMPARE(p.dateFilter(), yearFilter);
    }

    void anOpenListDoesNotRerunTheView()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        m.show();
        const QString before = p.dateFilter();
        m.CBCurrentMonth->showPopup();
        QTRY_VERIFY(m.CBCurrentMonth->view()->isVisible());
        m.CBCurrentMonth->setCurrentIndex(3);
        QCOMPARE(p.dateFilter(), before);
        // Enter picks the highlighted item and closes the list: now the choice applies.
        m.CBCurrentMonth->view()->setCurrentIndex(m.CBCurrentMonth->model()->index(5, 0));
        QTest::keyClick(m.CBCurrentMonth->view(), Qt::Key_Return);
        QTRY_VERIFY(!m.CBCurrentMonth->view()->isVisible());
        QCOMPARE(m.CBCurrentMonth->currentIndex(), 5);
        QCOMPARE(p.dateFilter(),
                 QStringLiteral("AND DATAWPISU > 20260500AND DATAWPISU < 20260600"));
    }

    void dateRangeFilterAndColours()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        m.filtrOd->setFocus();
        m.filtrOd->setCursorPosition(0);
        QTest::keyClicks(m.filtrOd, QStringLiteral("01112026"));
        QTest::keyClick(m.filtrOd, Qt::Key_Return);
        QCOMPARE(p.dateFilter(),
                 QStringLiteral("AND DATAWPISU >= 20261101AND DATAWPISU <= 99999999"));
        QVERIFY(m.DateRangeActive());
        QCOMPARE(m.CBCurrentMonth->palette().color(QPalette::Base), QColor(187, 187, 187));
        QCOMPARE(m.filtrDo->palette().color(QPalette::Base), QColor(255, 255, 255));

        m.DTPFiltrDo->setDate(QDate(2026, 11, 30));
        Q_EMIT m.DTPFiltrDo->datePicked(QDate(2026, 11, 30));
        QCOMPARE(m.filtrDo->text(), QStringLiteral("30-11-2026"));
        QCOMPARE(p.dateFilter(),
                 QStringLiteral("AND DATAWPISU >= 20261101AND DATAWPISU <= 20261130"));

        // Back to the year filter: the colours swap again.
        m.CBcurrentYear->setCurrentIndex(YearIndex(2025));
        QVERIFY(!m.DateRangeActive());
        QCOMPARE(p.dateFilter(),
                 QStringLiteral("AND DATAWPISU > 20250000AND DATAWPISU < 20251300"));
    }

    void titleClicksSortAndHighlight()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        QHeaderView* header = m.kontrahenciGrid->horizontalHeader();
        Q_EMIT header->sectionClicked(0); // "id" first: the start order was ID ascending
        QCOMPARE(p.dm->KontrahenciSortField(), QStringLiteral("ID"));
        QVERIFY(!p.dm->KontrahenciSortAscending());
        QCOMPARE(m.kontrahenciGrid->model()->index(0, 0).data().toString(), QStringLiteral("8"));
        Q_EMIT header->sectionClicked(2); // "nazwa" keeps the direction
        QCOMPARE(p.dm->KontrahenciSortField(), QStringLiteral("NAZWA"));
        QVERIFY(!p.dm->KontrahenciSortAscending());
        QCOMPARE(m.kontrahenciGrid->viewModel()->highlightedColumn(), 2);
        // The arrow stands in the sorted column and follows the direction.
        QCOMPARE(header->sortIndicatorSection(), 2);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        Q_EMIT header->sectionClicked(2);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        // Both the sorted title and the others stand out from the header's light background.
        const qreal background = header->palette().color(QPalette::Button).lightnessF();
        for (const int section : {0, 2})
            QVERIFY(background - m.kontrahenciGrid->model()
                                     ->headerData(section, Qt::Horizontal, Qt::ForegroundRole)
                                     .value<QColor>()
                                     .lightnessF() >
                    0.4);
        QVERIFY(m.kontrahenciGrid->model()->headerData(2, Qt::Horizontal, Qt::ForegroundRole) !=
                m.kontrahenciGrid->model()->headerData(0, Qt::Horizontal, Qt::ForegroundRole));

        p.dm->LocateKontrahent(3);
        m.Zakladki->setCurrentWidget(m.rejestr);
        // Scrolled to the right, the clicked title stays in sight after the re-run.
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QScrollBar* across = m.RejestrGrid->horizontalScrollBar();
        QVERIFY(across->maximum() > 0);
        across->setValue(across->maximum());
        Q_EMIT m.RejestrGrid->horizontalHeader()->sectionClicked(12); // "wartość"
        QCOMPARE(p.dm->RejestrSortField(), QStringLiteral("WARTOSC"));
        QCOMPARE(m.RejestrGrid->viewModel()->highlightedColumn(), 12);
        QCOMPARE(across->value(), across->maximum());
    }

    // The status bar shows the hint of the control under the mouse.
    void statusBarShowsHints()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QTest::mouseMove(m.SBDodaj);
        QTRY_COMPARE(m.StatusBar->currentMessage(), QStringLiteral("Dodaj nową pozycję"));
        QTest::mouseMove(m.SBSuma);
        QTRY_COMPARE(m.StatusBar->currentMessage(), QStringLiteral("Sumuj kolumny tabeli"));
    }

    // Another clerk saves: on a server the open register shows it within a second, its cursor
    // still on the same record; the files tell nobody, and the next re-run shows it.
    void anotherClerksSaveShows()
    {
        Program p;
        QVERIFY(p.start());
        p.openRegisterOf(3);
        p.dm->LocateRejestr(2, 3);
        const QAbstractItemModel* rows = p.main->RejestrGrid->model();
        const int before = rows->rowCount();
        QCOMPARE(p.sql(QStringLiteral("rejestr.DB"),
                       QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) VALUES "
                                      "(0,20261202,3)")),
                 QString());
        if (p.dir.onServer()) {
            QTRY_COMPARE_WITH_TIMEOUT(rows->rowCount(), before + 1, 1000);
        } else {
            QTest::qWait(500);
            QCOMPARE(rows->rowCount(), before);
            p.dm->RefreshKeepingRows();
            QCOMPARE(rows->rowCount(), before + 1);
        }
        QCOMPARE(p.dm->DBFRejestr.asInteger(QStringLiteral("ID")), 2);
        QCOMPARE(p.main->RejestrGrid->currentIndex().row(), p.dm->DBFRejestr.cursor());
    }

    void gridAndCursorMoveTogether()
    {
        Program p;
        QVERIFY(p.start());
        TfMain& m = *p.main;
        p.dm->LocateKontrahent(8);
        QCOMPARE(m.kontrahenciGrid->currentIndex().row(), 2);
        m.kontrahenciGrid->setCurrentIndex(m.kontrahenciGrid->model()->index(1, 0));
        QCOMPARE(p.dm->DBFKontrahenci.asInteger(QStringLiteral("ID")), 3);
    }

    void gridGoesToTheTrueEnd_data()
    {
        QTest::addColumn<bool>("registerGrid");
        QTest::addColumn<QString>("move");
        QTest::addColumn<int>("currentRow");
        for (const bool reg : {false, true}) {
            const char* grid = reg ? "register" : "taxpayers";
            QTest::addRow("%s, Ctrl+End", grid) << reg << QStringLiteral("Ctrl+End") << 149;
            QTest::addRow("%s, scrollbar dragged down", grid)
                << reg << QStringLiteral("drag") << 149;
            QTest::addRow("%s, scrollbar's Bottom", grid) << reg << QStringLiteral("bottom") << 149;
            // A step or the wheel scrolls on into the rows read next; the current row stays.
            QTest::addRow("%s, scrollbar stepped down", grid) << reg << QStringLiteral("step") << 0;
            // A record found is painted first; the count for the scrollbar follows.
            QTest::addRow("%s, record located", grid) << reg << QStringLiteral("locate") << 20;
            QTest::addRow("%s, Ctrl+End right after a locate", grid)
                << reg << QStringLiteral("locate, Ctrl+End") << 149;
        }
    }

    // The views open with their first screen only; the end of a grid is still the end of its
    // view, reached in one move, and the view's cursor stands there.
    void gridGoesToTheTrueEnd()
    {
        QFETCH(bool, registerGrid);
        QFETCH(QString, move);
        QFETCH(int, currentRow);
        Program p(false);
        // The highest IDs are stored first, so the storage order cannot stand in for the sort.
        const QString numbers = QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<150) ");
        p.dir.sql(QStringLiteral("kontrahenci.DB"),
                  numbers + QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA,SKROT) "
                                           "SELECT 1000-i,'Podatnik '||i,'' FROM n"));
        p.dir.sql(QStringLiteral("rejestr.DB"),
                  numbers + QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,IDKONTRAHENTA) "
                                           "SELECT 5000-i,20261201,999 FROM n"));
        QVERIFY(p.start());
        TfMain& m = *p.main;
        TDBGrid* grid = m.kontrahenciGrid;
        if (registerGrid) {
            p.dm->LocateKontrahent(999);
            m.Zakladki->setCurrentWidget(m.rejestr);
            grid = m.RejestrGrid;
        }
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QVERIFY(grid->view()->windowed());

        QScrollBar* bar = grid->verticalScrollBar();
        if (move == QLatin1String("Ctrl+End")) {
            const int column = grid->currentIndex().column();
            const int left = grid->horizontalScrollBar()->value();
            QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
            // The last record, in the column the user was in: the grid does not run sideways.
            QCOMPARE(grid->currentIndex().column(), column);
            QCOMPARE(grid->horizontalScrollBar()->value(), left);
        } else if (move == QLatin1String("drag")) {
            bar->setSliderDown(true);
            bar->setValue(bar->maximum());
            bar->setSliderDown(false);
        } else if (move.startsWith(QLatin1String("locate"))) {
            // As after a save: the view run again, uncounted, and the record found in it.
            if (registerGrid) {
                p.dm->RefreshRejestr();
                p.dm->LocateRejestr(4870, 999);
            } else {
                p.dm->RefreshKontrahenci();
                p.dm->LocateKontrahent(870);
            }
            QCOMPARE(grid->currentIndex().row(), 20);
            if (move.endsWith(QLatin1String("Ctrl+End")))
                QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
            else
                QTRY_COMPARE(grid->model()->rowCount(), 150);
        } else if (move == QLatin1String("bottom")) {
            bar->triggerAction(QAbstractSlider::SliderToMaximum);
        } else {
            bar->setValue(bar->maximum() - 1);
            bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        }

        QCOMPARE(grid->model()->rowCount(), 150);
        QCOMPARE(grid->currentIndex().row(), currentRow);
        QVERIFY(grid->selectionModel()->isRowSelected(currentRow));
        // Sorted by ID, row r holds the r-th lowest of the consecutive IDs.
        QCOMPARE(grid->view()->asInteger(QStringLiteral("ID")),
                 (registerGrid ? 4850 : 850) + currentRow);
        if (currentRow) {
            const QRect last = grid->visualRect(grid->model()->index(currentRow, 0));
            QVERIFY(last.top() >= 0 && last.bottom() < grid->viewport()->height());
        }
    }
};

QTEST_MAIN(TestMain)
#include "test_main.moc"
