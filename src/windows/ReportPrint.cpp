#include "windows/ReportPrint.h"

#include "report/ReportPainter.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>

void SetUpReportPrinter(const ReportDocument& document, QPrinter& printer)
{
    printer.setFullPage(true);
    printer.setPageLayout(document.layout);
    printer.setDocName(document.title);
    printer.setCreator(QStringLiteral("Rejestr TARV"));
}

bool PrintReport(const ReportDocument& document, QPrinter& printer, Progress* progress)
{
    const int count = document.pageCount();
    int from = printer.fromPage();
    int to = printer.toPage();
    if (from <= 0 && to <= 0) {
        from = 1;
        to = count;
    }
    from = std::clamp(from, 1, std::max(1, count));
    to = std::clamp(to, from, std::max(1, count));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    ProgressStart(progress, QStringLiteral("Drukowanie raportu"), to - from + 1);
    ReportPagePainter pages(painter, document, printer.resolution() / 25.4);
    for (int p = from; p <= to; ++p) {
        if (p > from)
            printer.newPage();
        pages.paint(document.page(p - 1), p - 1);
        // A stopped job is thrown away whole, never printed in part.
        if (!ProgressStep(progress, p - from + 1)) {
            printer.abort();
            return false;
        }
    }
    return painter.end();
}
