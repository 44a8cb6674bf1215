#include "report/ReportTestData.h"

#include "data/uDefinicje.h"
#include "report/ReportDocument.h"
#include "report/ReportLayout.h"
#include "report/ReportPainter.h"
#include "report/ReportTemplate.h"
#include "windows/ReportPageView.h"
#include "windows/ReportPreview.h"
#include "windows/ReportPrint.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

// 60 rows on an A5 page, 13 rows a page: five pages; rows 5 and 55 hold "Szukany".
ReportDocument document()
{
    const ReportTemplate tpl = ReportTemplate::fromXml(R"(<report>
        <page size="A5" left="10" top="10" right="10" bottom="10"/>
        <band type="columnHeader" height="10">
          <text x="0" y="0" width="60" height="10" frame="all" fill="#e4e4ec">Nagłówek</text>
        </band>
        <band type="masterData" height="13">
          <text x="0" y="0" width="60" height="13" frame="all">[N]</text>
          <text x="60" y="0" width="60" height="13" align="right">[M]</text>
        </band>
        <band type="pageFooter" height="5">
          <text x="0" y="0" width="128" height="5">Strona [#PAGE] z [#PAGES]</text>
        </band></report>)",
                                                       QStringLiteral("t"));
    FakeRows rows = FakeRows::numbered(60);
    for (auto& r : rows.rows)
        r.insert(QStringLiteral("M"), QString());
    rows.rows[4][QStringLiteral("M")] = QStringLiteral("to jest szukany wiersz");
    rows.rows[54][QStringLiteral("M")] = QStringLiteral("Szukany");
    ReportDocument doc = LayoutReport(tpl, rows.dataset(), rows.values());
    doc.title = QStringLiteral("Rejestr TARV");
    return doc;
}

// Whether a rectangle of the page view shows inside the scroll area's viewport.
bool inView(const TReportPreview& preview, const QRectF& onView)
{
    const QRect viewport(QPoint(preview.scrollArea->horizontalScrollBar()->value(),
                                preview.scrollArea->verticalScrollBar()->value()),
                         preview.scrollArea->viewport()->size());
    return viewport.contains(onView.toAlignedRect());
}

QRectF onView(const TReportPreview& preview, const ReportDocument& doc, const ReportMatch& m)
{
    const QRectF mm = doc.page(m.page).texts[m.item].rect;
    const double k = preview.pageView->pxPerMm();
    return QRectF(mm.topLeft() * k, mm.size() * k)
        .translated(preview.pageView->pageRect(m.page).topLeft());
}

int pdfPages(const QByteArray& pdf)
{
    return int(pdf.count(QByteArrayLiteral("/Type /Page\n")) +
               pdf.count(QByteArrayLiteral("/Type /Page ")) +
               pdf.count(QByteArrayLiteral("/Type /Page/")));
}

} // namespace

class TestReportPreview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensAtPageWidthAndZooms()
    {
        const ReportDocument doc = document();
        QCOMPARE(doc.pageCount(), 5);
        TReportPreview preview(doc);
        preview.resize(900, 700);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.windowTitle(), QStringLiteral("Rejestr TARV"));
        QVERIFY(preview.isModal());
        QCOMPARE(preview.pageBox->value(), 1);
        QCOMPARE(preview.pageInfo->text(), QStringLiteral("z 5"));
        const QSize room = preview.scrollArea->viewport()->size();
        const double fitted = preview.pageView->pageRect(0).width();
        QVERIFY(fitted <= room.width() && fitted > room.width() - 3 * ReportPageView::kGap - 20);
        // Fitted as it opens, it still shows the top of the first page with the title.
        QCOMPARE(preview.scrollArea->verticalScrollBar()->value(), 0);

        preview.setZoom(1.0);
        preview.actZoomIn->trigger();
        QCOMPARE(preview.zoomInfo->text(), QStringLiteral("110 %"));
        preview.actZoomOut->trigger();
        preview.actZoomOut->trigger();
        QCOMPARE(preview.zoom(), 0.9);
        QCOMPARE(preview.pageView->pageRect(0).width(),
                 148.0 * preview.pageView->screenPxPerMm() * 0.9);
        for (int i = 0; i < 30; ++i)
            preview.actZoomOut->trigger();
        QCOMPARE(preview.zoom(), 0.25);

        preview.actWholePage->trigger();
        const QRectF page = preview.pageView->pageRect(0);
        QVERIFY(page.width() <= room.width() && page.height() <= room.height());
        QVERIFY(page.height() > room.height() - 3 * ReportPageView::kGap);
        preview.actPageWidth->trigger();
        QCOMPARE(preview.pageView->pageRect(0).width(), fitted);
    }

    void pagingMovesByWholePages_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("page"); // from the third page (index 2)
        QTest::newRow("End") << "End" << 4;
        QTest::newRow("Home") << "Home" << 0;
        QTest::newRow("PageDown") << "PgDown" << 3;
        QTest::newRow("PageUp") << "PgUp" << 1;
        QTest::newRow("Ctrl+End from the search box") << "Ctrl+End" << 4;
        QTest::newRow("Ctrl+Home from the search box") << "Ctrl+Home" << 0;
        QTest::newRow("next page button") << "actNextPage" << 3;
        QTest::newRow("previous page button") << "actPreviousPage" << 1;
        QTest::newRow("last page button") << "actLastPage" << 4;
        QTest::newRow("first page button") << "actFirstPage" << 0;
        QTest::newRow("page typed in the box") << "typed 4" << 3;
    }

    // Keys on the pages, the buttons and the page box all land on the top of a whole page, and
    // the box names it.
    void pagingMovesByWholePages()
    {
        QFETCH(QString, how);
        QFETCH(int, page);
        const ReportDocument doc = document();
        TReportPreview preview(doc);
        preview.resize(900, 700);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        preview.goToPage(2);
        QCOMPARE(preview.pageBox->value(), 3);

        const QKeySequence keys(how);
        if (how.startsWith(QLatin1String("act"))) {
            preview.findChild<QAction*>(how)->trigger();
        } else if (how.startsWith(QLatin1String("typed"))) {
            preview.pageBox->setFocus();
            preview.pageBox->selectAll();
            QTest::keyClicks(preview.pageBox, how.mid(6));
            QTest::keyClick(preview.pageBox, Qt::Key_Return);
        } else if (how.startsWith(QLatin1String("Ctrl"))) {
            preview.findText->setFocus();
            QTest::keySequence(&preview, keys);
        } else {
            preview.scrollArea->setFocus();
            QTest::keySequence(preview.scrollArea, keys);
        }
        QCOMPARE(preview.pageBox->value(), page + 1);
        QCOMPARE(preview.currentPage(), page);
        QCOMPARE(preview.scrollArea->verticalScrollBar()->value(),
                 int(preview.pageView->pageRect(page).top()) - ReportPageView::kGap);
    }

    // On a 1024-pixel screen every tool stays on the bar, the search's count included.
    void theToolBarFitsASmallScreen()
    {
        const ReportDocument doc = document();
        TReportPreview preview(doc);
        preview.resize(1024, 700);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QTest::keyClicks(preview.findText, QStringLiteral("szukany"));
        // Counted once typing pauses.
        QTRY_COMPARE(preview.findInfo->text(), QStringLiteral("Znaleziono: 2"));
        auto* bar = preview.findChild<QToolBar*>(QStringLiteral("toolBar"));
        for (QAction* a : bar->actions()) {
            if (QWidget* w = bar->widgetForAction(a))
                QVERIFY2(w->isVisible(), qPrintable(a->text() + w->objectName()));
        }
    }

    void findMarksEveryMatchAndScrollsToTheNext()
    {
        const ReportDocument doc = document();
        TReportPreview preview(doc);
        preview.resize(900, 600);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QTest::keyClicks(preview.findText, QStringLiteral("SZUKANY"));
        QCOMPARE(preview.matches().size(), 2);
        QCOMPARE(preview.findInfo->text(), QStringLiteral("Znaleziono: 2"));
        QCOMPARE(preview.matches()[0].start, 8);
        QCOMPARE(preview.matches()[1].page, 4);
        QCOMPARE(preview.currentMatch(), -1);

        QTest::keyClick(preview.findText, Qt::Key_Return);
        QCOMPARE(preview.currentMatch(), 0);
        QVERIFY(inView(preview, onView(preview, doc, preview.matches()[0])));
        preview.actFindNext->trigger();
        QCOMPARE(preview.currentMatch(), 1);
        QCOMPARE(preview.findInfo->text(), QStringLiteral("2 z 2"));
        QVERIFY(inView(preview, onView(preview, doc, preview.matches()[1])));
        QCOMPARE(preview.pageBox->value(), 5);
        preview.actFindNext->trigger(); // back to the first
        QCOMPARE(preview.currentMatch(), 0);
        QVERIFY(inView(preview, onView(preview, doc, preview.matches()[0])));

        preview.findText->setText(QStringLiteral("Gdańsk"));
        QVERIFY(preview.matches().isEmpty());
        QCOMPARE(preview.findInfo->text(), QStringLiteral("Nie znaleziono"));
        preview.actFindNext->trigger(); // harmless with nothing found
        QCOMPARE(preview.currentMatch(), -1);
    }

    void paintsFillsFramesTextAndMarks()
    {
        const ReportDocument doc = document();
        constexpr double k = 4.0; // pixels per millimetre
        QImage image(QSize(148 * 4, 210 * 4), QImage::Format_RGB32);
        image.setDotsPerMeterX(4000);
        image.setDotsPerMeterY(4000);
        image.fill(Qt::white);
        const QList<ReportMatch> marks = FindInReport(doc, QStringLiteral("szukany"));
        {
            QPainter painter(&image);
            PaintReportPage(painter, doc, 0, k, marks, 0);
        }
        // The header's fill, its frame's left edge at 10 mm, white inside a row away from text.
        QCOMPARE(image.pixelColor(int(50 * k), int(11 * k)), QColor(0xe4, 0xe4, 0xec));
        QCOMPARE(image.pixelColor(int(10 * k), int(40 * k)), QColor(Qt::black));
        QCOMPARE(image.pixelColor(int(60 * k), int(40 * k)), QColor(Qt::white));
        // Text in the first row's cell, and nothing right of the text's cell.
        bool ink = false;
        for (int x = int(11 * k); x < int(20 * k); ++x) {
            for (int y = int(21 * k); y < int(24 * k); ++y)
                ink = ink || qGray(image.pixel(x, y)) < 128;
        }
        QVERIFY(ink);
        // The current match is marked behind its text, in row 5 (top 20 + 4 x 13 mm).
        const ReportTextItem hit = doc.page(0).texts[marks[0].item];
        QCOMPARE(hit.rect.top(), 72.8);
        bool marked = false;
        for (int x = int(hit.rect.left() * k); x < int(hit.rect.right() * k); ++x)
            marked = marked ||
                     image.pixelColor(x, int(hit.rect.center().y() * k)) == QColor(255, 160, 60);
        QVERIFY(marked);
    }

    void aLineWiderThanItsRectShowsUpToItsCell()
    {
        // A hinted screen font can set a fitted figure wider than it was laid out. Here it is
        // some 32 mm in a 28 mm rect: it spreads into its cell's padding, never past the cell.
        FakeRows none;
        const ReportDocument doc =
            LayoutReport(ReportTemplate::fromXml(R"(<report version="1" font="Arial" fontSize="8">
                <page width="50" height="8" left="0" top="0" right="0" bottom="0"/>
                <band type="pageHeader" height="8"><text x="0" y="0" width="5" height="5"
                  bold="true">x</text></band></report>)",
                                                 QStringLiteral("t.frf")),
                         none.dataset(), none.values());
        const QString figure = QStringLiteral("-92233720368547758,08");
        const ReportPage page{
            {}, {{QRectF(12, 2, 28, 4), QRectF(10, 0, 30, 8), figure, 0, Qt::AlignRight}}, {}};
        constexpr double k = 4.0; // pixels per millimetre
        QImage image(QSize(50 * 4, 8 * 4), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        ReportPagePainter(painter, doc, k).paint(page, 0);
        painter.end();
        const auto inkBetween = [&image](double from, double to) {
            bool ink = false;
            for (int x = int(from * k); x < int(to * k); ++x) {
                for (int y = 0; y < image.height(); ++y)
                    ink = ink || qGray(image.pixel(x, y)) < 160;
            }
            return ink;
        };
        QVERIFY(inkBetween(10, 12));
        QVERIFY(!inkBetween(0, 10));
    }

    void savesPdfAndSaysWhenItCannot()
    {
        const ReportDocument doc = document();
        TReportPreview preview(doc);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("raport.pdf"));
        QList<QPair<QString, QString>> shown;
        SetInfoHandler([&shown](const QString& t, const QString& m) { shown.append({t, m}); });
        QVERIFY(preview.saveAsPdf(path));
        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(pdfPages(pdf.readAll()), 5);
        QCOMPARE(shown.value(0),
                 qMakePair(QStringLiteral("Informacja"),
                           QStringLiteral("Raport zapisano w pliku %1.").arg(path)));
        shown.clear();
        const QString bad = dir.filePath(QStringLiteral("brak/raport.pdf"));
        QVERIFY(!preview.saveAsPdf(bad));
        SetInfoHandler({});
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].first, QStringLiteral("Błąd"));
        QVERIFY2(shown[0].second.startsWith(QStringLiteral("Nie można zapisać pliku %1 (nie ma "
                                                           "takiego folderu: ")
                                                .arg(bad)) &&
                     shown[0].second.endsWith(QStringLiteral("). Plik nie został utworzony.")),
                 qPrintable(shown[0].second));
    }

    void printsTheChosenPagesOnTheReportsPaper()
    {
        const ReportDocument doc = document();
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        SetUpReportPrinter(doc, printer);
        QCOMPARE(printer.pageLayout().fullRect(QPageLayout::Millimeter).size().toSize(),
                 QSize(148, 210));
        QCOMPARE(printer.docName(), QStringLiteral("Rejestr TARV"));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("druk.pdf")));
        printer.setFromTo(2, 3);
        QVERIFY(PrintReport(doc, printer));
        QFile pdf(printer.outputFileName());
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(pdfPages(pdf.readAll()), 2);
    }
};

QTEST_MAIN(TestReportPreview)
#include "test_reportpreview.moc"
