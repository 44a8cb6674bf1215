#include "report/ReportPrint.h"

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

bool PrintReport(const ReportDocument& document, QPrinter& printer)
{
    const int count = int(document.pages.size());
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
    const double pxPerMm = printer.resolution() / 25.4;
    for (int p = from; p <= to; ++p) {
        if (p > from)
            printer.newPage();
        PaintReportPage(painter, document, p - 1, pxPerMm);
    }
    return painter.end();
}
