#include "report/ReportTestData.h"

#include "report/ReportDocument.h"
#include "report/ReportError.h"
#include "report/ReportLayout.h"
#include "report/ReportPainter.h"
#include "report/ReportTemplate.h"
#include "report/ReportText.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A 100 x 100 mm page with 10 mm margins: the body runs from 10 to 90, the footer takes 85..90,
// headers 10..25, so twelve 5 mm rows fit on a page.
QByteArray smallReport(const QByteArray& extraBands = {}, const QByteArray& master = {})
{
    const QByteArray data = master.isEmpty() ? QByteArray(R"(<band type="masterData" height="5">
                                       <text x="0" y="0" width="40" height="5" frame="all">[N]</text>
                                     </band>)")
                                             : master;
    return R"(<?xml version="1.0" encoding="UTF-8"?>
      <report version="1" font="Sans Serif" fontSize="8">
        <page width="100" height="100" left="10" top="10" right="10" bottom="10"/>
        <band type="pageHeader" height="10">
          <text x="0" y="0" width="80" height="10">HEAD [T]</text>
        </band>
        <band type="columnHeader" height="5">
          <text x="0" y="0" width="40" height="5" frame="all">COL</text>
        </band>
        <band type="pageFooter" height="5">
          <text x="0" y="0" width="80" height="5" align="right">Strona [#PAGE] z [#PAGES]</text>
        </band>)" +
           data + extraBands + "</report>";
}

const QByteArray kSummary = R"(<band type="reportSummary" height="5">
                                 <text x="0" y="0" width="80" height="5">SUM [S]</text>
                               </band>)";

ReportDocument layOut(const QByteArray& xml, FakeRows& rows)
{
    const ReportTemplate tpl = ReportTemplate::fromXml(xml, QStringLiteral("test.frf"));
    return LayoutReport(tpl, rows.dataset(), rows.values());
}

QStringList textsOf(const ReportPage& page)
{
    QStringList t;
    for (const ReportTextItem& i : page.texts)
        t << i.text;
    return t;
}

// The item showing exactly this text; a missing one reads as an item outside the page.
const ReportTextItem* item(const ReportPage& page, const QString& text)
{
    static const ReportTextItem missing{
        QRectF(-1, -1, 0, 0), QRectF(-1, -1, 0, 0), QStringLiteral("<missing>"), 0, {}};
    for (const ReportTextItem& i : page.texts) {
        if (i.text == text)
            return &i;
    }
    qWarning("no item \"%s\"", qPrintable(text));
    return &missing;
}

const ReportCell* cellNaming(const ReportTemplate& tpl, const QString& variable)
{
    for (const auto& band : tpl.bands) {
        for (const ReportCell& cell : band ? band->cells : QList<ReportCell>()) {
            if (cell.parts.contains(ReportTextPart{ReportTextPart::Variable, variable}))
                return &cell;
        }
    }
    return nullptr;
}

QString fault(const QByteArray& xml)
{
    try {
        ReportTemplate::fromXml(xml, QStringLiteral("zly.frf"));
    } catch (const EReportError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTemplate()
    {
        const ReportTemplate t = ReportTemplate::fromXml(R"(
            <report font="Arial" fontSize="9">
              <page size="A4" orientation="landscape" left="12" top="11" right="13" bottom="14"/>
              <band type="masterData" height="6" stretch="true">
                <text x="1" y="2" width="30" height="4" align="right" valign="bottom" frame="left bottom"
                      frameWidth="0.5" padding="1" wrap="true" fill="#e4e4ec">[IMIE] [NAZWISKO]</text>
                <text x="31" y="2" width="30" height="4" size="9">Ąę</text>
                <text x="61" y="2" width="30" height="4" bold="true">x</text>
                <line x1="0" y1="6" x2="90" y2="6" width="0.3"/>
              </band>
            </report>)",
                                                         QStringLiteral("t"));
        QCOMPARE(t.page.fullRect(QPageLayout::Millimeter).size(), QSizeF(297, 210));
        QCOMPARE(t.page.margins(QPageLayout::Millimeter), QMarginsF(12, 11, 13, 14));
        QVERIFY(!t.band(ReportBandType::PageHeader));
        const ReportBand* b = t.band(ReportBandType::MasterData);
        QVERIFY(b && b->stretch && b->height == 6.0 && b->cells.size() == 3);
        const ReportCell& c = b->cells[0];
        QCOMPARE(c.rect, QRectF(1, 2, 30, 4));
        QCOMPARE(c.align, Qt::AlignRight | Qt::AlignBottom);
        QCOMPARE(c.frame, unsigned(FrameLeft | FrameBottom));
        QVERIFY(c.frameWidth == 0.5 && c.padding == 1.0 && c.wrap && c.parts.size() == 3);
        QCOMPARE(c.fill, QColor(0xe4, 0xe4, 0xec));
        // Cells of one font share it; the bold one gets its own.
        QCOMPARE(b->cells[1].font, c.font);
        QCOMPARE(t.fonts.size(), 2);
        QCOMPARE(t.fonts[c.font], (ReportFont{QStringLiteral("Arial"), 9.0, false, false}));
        QVERIFY(t.fonts[b->cells[2].font].bold);
        QCOMPARE(b->lines.value(0).line, QLineF(0, 6, 90, 6));
    }

    void parsesCellText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parts"); // L: literal, V: variable, P: page, C: page count

        // clang-format off
        QTest::newRow("plain") << "Razem:" << "L(Razem:)";
        QTest::newRow("two variables") << "[IMIE] [NAZWISKO]" << "V(IMIE)L( )V(NAZWISKO)";
        QTest::newRow("page numbers") << "Strona [#PAGE] z [#PAGES]" << "L(Strona )P(#PAGE)L( z )C(#PAGES)";
        QTest::newRow("case kept") << "[Okres]" << "V(Okres)";
        QTest::newRow("unclosed") << "a [B" << "L(a [B)";
        QTest::newRow("stray bracket before variable") << "[a [B]" << "L([a )V(B)";
        QTest::newRow("empty brackets") << "x[]y" << "L(x[]y)";
        QTest::newRow("closing only") << "a]b" << "L(a]b)";
        // clang-format on
    }

    void parsesCellText()
    {
        QFETCH(QString, text);
        QFETCH(QString, parts);
        QString got;
        for (const ReportTextPart& p : ParseCellText(text))
            got += QStringLiteral("LVPC")[int(p.kind)] + (u'(' + p.text + u')');
        QCOMPARE(got, parts);
    }

    void rejectsMalformedTemplate_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("expected"); // part of the message
        const auto cell = [](const char* attributes) {
            return "<report><band type=\"masterData\" height=\"5\"><text x=\"0\" y=\"0\" "
                   "width=\"3\" "
                   "height=\"5\" " +
                   QByteArray(attributes) + ">a</text></band></report>";
        };
        // clang-format off
        QTest::newRow("not xml") << QByteArray("to nie jest szablon") << "wiersz 1";
        QTest::newRow("other root") << QByteArray("<html/>") << "<report>";
        QTest::newRow("unclosed") << QByteArray("<report>\n<band type=\"masterData\" height=\"5\">") << "wiersz 2";
        QTest::newRow("unknown element") << QByteArray("<report><table/></report>") << "<table>";
        QTest::newRow("misspelt attribute") << QByteArray(R"(<report><band type="masterData" heigth="5"/></report>)") << "heigth";
        QTest::newRow("bad number") << QByteArray(R"(<report><band type="masterData" height="5mm"/></report>)") << "5mm";
        QTest::newRow("band twice") << QByteArray(R"(<report><band type="pageFooter" height="5"/><band type="pageFooter" height="5"/></report>)") << "pageFooter";
        QTest::newRow("stretching footer") << QByteArray(R"(<report><band type="pageFooter" height="5" stretch="true"/></report>)") << "pageFooter";
        QTest::newRow("margins eat the page") << QByteArray(R"(<report><page width="50" height="50" left="30" right="30"/></report>)") << "marginesy";
        QTest::newRow("negative padding") << cell("padding=\"-3\"") << "-3";
        QTest::newRow("bad alignment") << cell("align=\"middle\"") << "middle";
        QTest::newRow("bad frame") << cell("frame=\"around\"") << "around";
        QTest::newRow("bad colour") << cell("fill=\"szary\"") << "szary";
        QTest::newRow("engine variable") << QByteArray(R"(<report><band type="pageFooter" height="5"><text x="0" y="0" width="3" height="5">[#DATE]</text></band></report>)") << "#DATE";
        // clang-format on
    }

    void rejectsMalformedTemplate()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, expected);
        const QString message = fault(xml);
        QVERIFY2(message.startsWith(QStringLiteral("Błąd w szablonie raportu zly.frf")),
                 qPrintable(message));
        QVERIFY2(message.contains(expected), qPrintable(message));
    }

    void rowsFlowOntoPagesWithRepeatedHeaders()
    {
        FakeRows rows = FakeRows::numbered(30);
        const ReportDocument doc = layOut(smallReport(), rows);
        QCOMPARE(doc.pageSize(), QSizeF(100, 100));
        QCOMPARE(doc.pageCount(), 3);
        int next = 1;
        for (int p = 0; p < doc.pageCount(); ++p) {
            const ReportPage page = doc.page(p);
            // Headers at the same place on every page.
            QCOMPARE(item(page, QStringLiteral("HEAD <T>"))->clip.top(), 10.0);
            QCOMPARE(item(page, QStringLiteral("COL"))->clip, QRectF(10, 20, 40, 5));
            double y = 25.0;
            for (const ReportTextItem& t : page.texts) {
                if (!t.text.startsWith(u'r'))
                    continue;
                QCOMPARE(t.text, QStringLiteral("r%1").arg(next++)); // none lost, none twice
                QCOMPARE(t.clip, QRectF(10, y, 40, 5));
                y += 5.0;
            }
            QVERIFY(y <= 85.0); // above the footer
            const QString footer = QStringLiteral("Strona %1 z 3").arg(p + 1);
            QCOMPARE(item(page, footer)->clip, QRectF(10, 85, 80, 5));
        }
        QCOMPARE(next, 31);
        QCOMPARE(textsOf(doc.page(0)).filter(QRegularExpression(QStringLiteral("^r"))).size(), 12);
    }

    void summaryFollowsTheLastRow_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::addColumn<double>("summaryTop");

        QTest::newRow("room left") << 13 << 2 << 30.0;
        QTest::newRow("one row short of a full page") << 11 << 1 << 80.0;
        QTest::newRow("page just full") << 12 << 2 << 25.0;
        QTest::newRow("page full: summary on a new page") << 24 << 3 << 25.0;
    }

    void summaryFollowsTheLastRow()
    {
        QFETCH(int, rows);
        QFETCH(int, pages);
        QFETCH(double, summaryTop);
        FakeRows data = FakeRows::numbered(rows);
        const ReportDocument doc = layOut(smallReport(kSummary), data);
        QCOMPARE(doc.pageCount(), pages);
        for (int p = 0; p < pages - 1; ++p)
            QVERIFY(!textsOf(doc.page(p)).join(u'|').contains(QStringLiteral("SUM")));
        const ReportPage last = doc.page(doc.pageCount() - 1);
        const ReportTextItem* sum = item(last, QStringLiteral("SUM <S>"));
        QCOMPARE(sum->clip.top(), summaryTop);
        // The summary's page has its headers too.
        QCOMPARE(item(last, QStringLiteral("COL"))->clip.top(), 20.0);
        // Asked after the last row: the dataset had reached its end.
        QCOMPARE(data.calls.mid(data.calls.lastIndexOf(QStringLiteral("eof"))).mid(1, 1),
                 QStringList{QStringLiteral("value:S")});
    }

    void emptyDatasetGivesOnePageWithHeadersAndSummary()
    {
        FakeRows none;
        const ReportDocument doc = layOut(smallReport(kSummary), none);
        QCOMPARE(doc.pageCount(), 1);
        QCOMPARE(textsOf(doc.page(0)),
                 (QStringList{QStringLiteral("HEAD <T>"), QStringLiteral("COL"),
                              QStringLiteral("SUM <S>"), QStringLiteral("Strona 1 z 1")}));
        QCOMPARE(item(doc.page(0), QStringLiteral("SUM <S>"))->clip.top(), 25.0);
        QCOMPARE(none.calls.mid(0, 3),
                 (QStringList{QStringLiteral("value:T"), QStringLiteral("first"),
                              QStringLiteral("eof")}));
        QVERIFY(!none.calls.contains(QStringLiteral("next")));
        QVERIFY(!none.calls.contains(QStringLiteral("value:N")));
    }

    void callbacksInOrderOncePerRow()
    {
        FakeRows rows = FakeRows::numbered(2);
        const QByteArray master = R"(<band type="masterData" height="5">
            <text x="0" y="0" width="20" height="5">[N]</text>
            <text x="20" y="0" width="20" height="5">[V] [N]</text></band>)";
        layOut(smallReport(kSummary, master), rows);
        QCOMPARE(
            rows.calls.join(u' '),
            QStringLiteral("value:T first eof value:N value:V value:N next eof value:N value:V "
                           "value:N next eof value:S"));
    }

    void longTextWrapsInsideItsCell()
    {
        const QString longText = QStringLiteral(
            "Umowa sprzedaży samochodu osobowego zawarta w Krakowie przez Zażółć Gęślą Jaźń "
            "wraz z aneksem numer 12345678901234567890 i załącznikami");
        FakeRows rows;
        rows.rows = {
            {{QStringLiteral("N"), longText}, {QStringLiteral("M"), QStringLiteral("obok")}},
            {{QStringLiteral("N"), QStringLiteral("krótko")}, {QStringLiteral("M"), QString()}}};
        const QByteArray master = R"(<band type="masterData" height="5" stretch="true">
            <text x="0" y="0" width="30" height="5" wrap="true" frame="all">[N]</text>
            <text x="30" y="0" width="20" height="5" frame="all">[M]</text></band>)";
        const ReportDocument doc = layOut(smallReport({}, master), rows);
        const ReportPage& page = doc.page(0);
        QList<const ReportTextItem*> lines;
        for (const ReportTextItem& t : page.texts) {
            if (t.clip.left() == 10.0 && t.clip.top() >= 25.0 && t.clip.bottom() <= 85.0)
                lines << &t;
        }
        QVERIFY(lines.size() > 3);
        QStringList joined;
        const ReportTextFitter fitter(doc.fonts());
        const QRectF cell = lines.first()->clip;
        for (int i = 0; i < lines.size() - 1; ++i) {
            const ReportTextItem* l = lines[i];
            joined << l->text;
            QCOMPARE(l->clip, cell);
            QVERIFY(cell.contains(l->rect));
            QVERIFY(fitter.width(l->font, l->text) <= l->rect.width());
        }
        // Every word is shown, in order; the long number is broken inside the cell.
        QCOMPARE(joined.join(QString()).remove(u' '), QString(longText).remove(u' '));
        // The row grew to hold the text; the next row starts below it.
        QVERIFY(cell.height() > 5.0);
        QCOMPARE(lines.last()->text, QStringLiteral("krótko"));
        QCOMPARE(lines.last()->clip.top(), cell.bottom());
        // The neighbouring cell grew with it and kept its own text.
        const ReportTextItem* beside = item(page, QStringLiteral("obok"));
        QCOMPARE(beside->clip, QRectF(40, cell.top(), 20, cell.height()));
    }

    void longTextIsCutInsideItsCell_data()
    {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<int>("lines");

        QTest::newRow("one line") << QByteArray(
                                         R"(<text x="0" y="0" width="20" height="10">[N]</text>)")
                                  << 1;
        QTest::newRow("wrapped, two lines of room")
            << QByteArray(R"(<text x="0" y="0" width="20" height="9" wrap="true">[N]</text>)") << 2;
    }

    void longTextIsCutInsideItsCell()
    {
        QFETCH(QByteArray, cell);
        QFETCH(int, lines);
        FakeRows rows;
        rows.rows = {
            {{QStringLiteral("N"), QStringLiteral("Bardzo długi tekst uwag, który nie "
                                                  "zmieści się w swojej komórce tabeli")}}};
        const QByteArray master = "<band type=\"masterData\" height=\"10\">" + cell +
                                  R"(<text x="20" y="0" width="20" height="10">obok</text></band>)";
        const ReportDocument doc = layOut(smallReport({}, master), rows);
        const ReportTextFitter fitter(doc.fonts());
        QList<ReportTextItem> inCell;
        for (const ReportTextItem& t : doc.page(0).texts) {
            if (t.clip.left() == 10.0 && t.clip.top() == 25.0)
                inCell << t;
        }
        QCOMPARE(inCell.size(), lines);
        for (const ReportTextItem& t : inCell) {
            QVERIFY(t.clip.contains(t.rect));
            QVERIFY(t.rect.right() <= 30.0);
            QVERIFY2(fitter.width(t.font, t.text) <= t.rect.width(), qPrintable(t.text));
        }
        QVERIFY2(inCell.last().text.endsWith(QStringLiteral("…")), qPrintable(inCell.last().text));
        QVERIFY(inCell.first().text.startsWith(QStringLiteral("Bardzo")));
        QCOMPARE(item(doc.page(0), QStringLiteral("obok"))->clip.left(), 30.0);
        QCOMPARE(doc.pageCount(), 1);
    }

    void theDefaultTemplatePrintsFiguresWhole_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("figure");
        QTest::addColumn<QString>("column"); // the header above it
        QTest::addColumn<bool>("smaller");

        // clang-format off
        QTest::newRow("tax total, 19 mm bold") << "SWARTOSC" << "-92233720368547758,08" << "Wartość" << true;
        QTest::newRow("total of amounts") << "SNALEZNOSC" << "-92233720368547758,08" << "Należność" << true;
        QTest::newRow("amount, 20 mm") << "NALEZNOSC" << "12345678901234,56" << "Należność" << true;
        QTest::newRow("tax, 19 mm") << "WARTOSC" << "246913578024,69" << "Wartość" << true;
        QTest::newRow("a total that fits") << "SWARTOSC" << "43,46" << "Wartość" << false;
        QTest::newRow("notary's document number") << "NRDOK" << "Rep. A nr 12345/2026" << "Nr dokumentu" << false;
        QTest::newRow("tax return number") << "NRDOK" << "PCC-3/2026/4379" << "Nr dokumentu" << false;
        // clang-format on
    }

    void theDefaultTemplatePrintsFiguresWhole()
    {
        QFETCH(QString, variable);
        QFETCH(QString, figure);
        QFETCH(QString, column);
        QFETCH(bool, smaller);
        Q_INIT_RESOURCE(core);
        const ReportTemplate tpl = ReportTemplate::fromFile(QStringLiteral(":/core/rejestr.frf"));
        FakeRows data;
        data.rows = {{{variable, figure}}};
        data.totals = data.rows[0];
        const ReportDocument doc = LayoutReport(tpl, data.dataset(), data.values());
        const ReportPage last = doc.page(doc.pageCount() - 1);
        const ReportTextItem* shown = item(last, figure);
        const QString header = textsOf(last).filter(QRegularExpression(u'^' + column)).value(0);
        QCOMPARE(shown->clip.left(), item(last, header)->clip.left());
        const ReportFont& asked = tpl.fonts[cellNaming(tpl, variable)->font];
        const ReportFont& used = doc.fonts()[shown->font];
        QCOMPARE(used.size < asked.size, smaller);
        QCOMPARE((ReportFont{used.family, asked.size, used.bold, used.italic}), asked);
        QVERIFY(ReportTextFitter(doc.fonts()).width(shown->font, figure) <= shown->rect.width());
        QCOMPARE(FindInReport(doc, figure).size(), 1);
    }

    void stretchedRowKeepsItsRulesJoined()
    {
        FakeRows rows;
        rows.rows = {
            {{QStringLiteral("N"), QStringLiteral("jeden dwa trzy cztery pięć sześć siedem")}}};
        const QByteArray master = R"(<band type="masterData" height="5" stretch="true">
            <text x="0" y="0" width="12" height="5" wrap="true" frame="all">[N]</text>
            <text x="12" y="0" width="10" height="5" frame="left right">x</text>
            <text x="22" y="0" width="10" height="3" frame="bottom">y</text>
            <line x1="40" y1="0" x2="40" y2="5"/></band>)";
        const ReportDocument doc = layOut(smallReport({}, master), rows);
        const ReportPage& page = doc.page(0);
        const double bottom = item(page, QStringLiteral("x"))->clip.bottom();
        QVERIFY(bottom > 31.0);
        QCOMPARE(item(page, QStringLiteral("jeden"))->clip.bottom(), bottom);
        // A cell that does not reach the band's bottom keeps its height.
        QCOMPARE(item(page, QStringLiteral("y"))->clip.bottom(), 28.0);
        int reaching = 0;
        for (const ReportLineItem& l : page.lines) {
            if (l.line.y1() == 25.0 && l.line.x1() == l.line.x2())
                reaching += l.line.y2() == bottom;
        }
        QCOMPARE(reaching, 5); // two of the wrapped cell, two of "x", the free line
    }

    void aRowTallerThanAPageIsCutToThePage()
    {
        FakeRows rows;
        rows.rows = {{{QStringLiteral("N"), QString(QStringLiteral("słowo ")).repeated(400)}}};
        const QByteArray master = R"(<band type="masterData" height="5" stretch="true">
            <text x="0" y="0" width="30" height="5" wrap="true" frame="all">[N]</text></band>)";
        const ReportDocument doc = layOut(smallReport(kSummary, master), rows);
        QCOMPARE(doc.pageCount(), 2);
        for (const ReportTextItem& t : doc.page(0).texts) {
            if (t.clip.left() == 10.0 && t.text.startsWith(QStringLiteral("słowo")))
                QVERIFY(t.rect.bottom() <= 85.0);
        }
        QCOMPARE(item(doc.page(1), QStringLiteral("SUM <S>"))->clip.top(), 25.0);
    }

    // Pages are made when asked for: in whatever order, each comes out as when asked in turn.
    void pagesComeOutTheSameInAnyOrder()
    {
        FakeRows rows;
        for (int i = 1; i <= 150; ++i) {
            const QString text = i % 3 == 0
                                     ? QStringLiteral("wiersz %1 z uwagą, która się nie mieści "
                                                      "w jednej linii komórki")
                                           .arg(i)
                                     : QStringLiteral("w%1").arg(i);
            rows.rows.append({{QStringLiteral("N"), text},
                              {QStringLiteral("K"), QStringLiteral("%1234567,89").arg(i)}});
        }
        const QByteArray master = R"(<band type="masterData" height="5" stretch="true">
            <text x="0" y="0" width="30" height="5" wrap="true" frame="all">[N]</text>
            <text x="30" y="0" width="12" height="5" align="right" frame="all">[K]</text></band>)";
        FakeRows again = rows;
        const ReportDocument inTurn = layOut(smallReport(kSummary, master), rows);
        const ReportDocument backwards = layOut(smallReport(kSummary, master), again);
        QVERIFY(inTurn.pageCount() > 20); // more than the pages kept laid out
        QList<ReportPage> pages(inTurn.pageCount());
        for (int p = 0; p < inTurn.pageCount(); ++p)
            pages[p] = inTurn.page(p);
        for (int p = backwards.pageCount() - 1; p >= 0; --p) {
            const ReportPage page = backwards.page(p);
            QCOMPARE(page.texts.size(), pages[p].texts.size());
            for (qsizetype i = 0; i < page.texts.size(); ++i) {
                const ReportTextItem& a = pages[p].texts[i];
                const ReportTextItem& b = page.texts[i];
                QCOMPARE(b.text, a.text);
                QCOMPARE(b.rect, a.rect);
                QCOMPARE(backwards.fonts()[b.font], inTurn.fonts()[a.font]);
            }
            QCOMPARE(page.lines.size(), pages[p].lines.size());
        }
        QCOMPARE(inTurn.pageCount(), backwards.pageCount());
    }

    // Every page of the PDF shows the texts of that page as laid out, wrapped lines included.
    void thePdfPageHoldsItsLaidOutTexts()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        FakeRows rows;
        for (int i = 1; i <= 40; ++i)
            rows.rows.append(
                {{QStringLiteral("N"), i % 4 ? QStringLiteral("Żółw %1").arg(i)
                                             : QStringLiteral("Łódź ul. Długa %1 m. 2").arg(i)}});
        const QByteArray master = R"(<band type="masterData" height="5" stretch="true">
            <text x="0" y="0" width="22" height="5" wrap="true" frame="all">[N]</text></band>)";
        const ReportDocument doc = layOut(smallReport({}, master), rows);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.pdf"));
        QVERIFY(WriteReportPdf(doc, path));
        for (int p = 0; p < doc.pageCount(); ++p) {
            QProcess tool;
            const QString page = QString::number(p + 1);
            tool.start(pdftotext, {QStringLiteral("-f"), page, QStringLiteral("-l"), page,
                                   QStringLiteral("-enc"), QStringLiteral("UTF-8"), path,
                                   QStringLiteral("-")});
            QVERIFY(tool.waitForFinished(30000));
            const QString text = QString::fromUtf8(tool.readAllStandardOutput()).simplified();
            for (const QString& t : textsOf(doc.page(p)))
                QVERIFY2(text.contains(t), qPrintable(t + QStringLiteral(" not in: ") + text));
        }
    }

    // Plain text goes into the PDF as glyphs of its embedded font; text that needs shaping or
    // another font as outlines. Either way it shows in its cell and nowhere else.
    void aPdfLineShowsInItsCell_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("Łódź 12,50");
        QTest::newRow("a combining mark") << QStringLiteral("Zoe\u0308 Łódź");
        QTest::newRow("another script") << QStringLiteral("\u0633\u0644\u0627\u0645");
    }

    void aPdfLineShowsInItsCell()
    {
        QFETCH(QString, text);
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        FakeRows none;
        none.totals.insert(QStringLiteral("T"), text);
        const ReportDocument doc = layOut(R"(<report version="1" font="Sans Serif" fontSize="10">
            <page width="60" height="20" left="0" top="0" right="0" bottom="0"/>
            <band type="pageHeader" height="20">
              <text x="20" y="5" width="25" height="10" align="center">[T]</text></band>
            </report>)",
                                          none);
        QTemporaryDir dir;
        QVERIFY(WriteReportPdf(doc, dir.filePath(QStringLiteral("r.pdf"))));
        QProcess tool; // 254 dots per inch: ten pixels to the millimetre
        tool.start(pdftoppm,
                   {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-gray"),
                    dir.filePath(QStringLiteral("r.pdf")), dir.filePath(QStringLiteral("p"))});
        QVERIFY(tool.waitForFinished(30000));
        const QImage page(dir.filePath(QStringLiteral("p-1.pgm")));
        QVERIFY(qAbs(page.width() - 600) <= 1 && qAbs(page.height() - 200) <= 1);
        int inside = 0, outside = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (qGray(page.pixel(x, y)) < 128)
                    ++(QRect(200, 50, 250, 100).contains(x, y) ? inside : outside);
            }
        }
        QVERIFY(inside > 50);
        QCOMPARE(outside, 0);
    }

    void findIsCaseInsensitiveInReadingOrder()
    {
        FakeRows rows;
        rows.rows = {{{QStringLiteral("N"), QStringLiteral("Łódź łódź")}},
                     {{QStringLiteral("N"), QStringLiteral("Kraków")}}};
        const ReportDocument doc = layOut(smallReport(), rows);
        const int first = int(textsOf(doc.page(0)).indexOf(QStringLiteral("Łódź łódź")));
        QCOMPARE(FindInReport(doc, QStringLiteral("ŁÓDŹ")),
                 (QList<ReportMatch>{{0, first, 0, 4}, {0, first, 5, 4}}));
        QVERIFY(FindInReport(doc, QStringLiteral("Gdańsk")).isEmpty());
        QVERIFY(FindInReport(doc, QString()).isEmpty());
    }
};

QTEST_MAIN(TestReportLayout)
#include "test_reportlayout.moc"
