// bench_report DIR [REPEATS]: the printed register of taxpayer 1 of a folder made by
// bench_generate, "(Wszystkie)", read through the program's own register view: the preview's
// first page, paging to the last page, the PDF of every page against the CSV of the same rows,
// and memory. It prints figures; it never judges. See bench/README.md.
#include "BenchSupport.h"
#include "data/Regional.h"
#include "data/ViewModel.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "output/uVtExportToCSV.h"
#include "report/Report.h"
#include "report/ReportPainter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void paintAtPageWidth(const ReportDocument& doc, int page)
{
    const double k = 1000.0 / doc.pageSize().width();
    QImage image(QSizeF(doc.pageSize() * k).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintReportPage(p, doc, page, k);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    bool repeatsOk = true;
    const int repeats = argc > 2 ? QByteArray(argv[2]).toInt(&repeatsOk) : 3;
    // A wrong folder would open empty tables and time a report of no rows.
    if (argc < 2 || argc > 3 || !repeatsOk || repeats < 1 ||
        !QFileInfo::exists(dir + QStringLiteral("/db/rejestr.DB")) ||
        !QFileInfo::exists(dir + QStringLiteral("/rejestr.frf"))) {
        std::fprintf(stderr,
                     "usage: bench_report DIR [REPEATS]\n"
                     "  DIR: a folder made by bench_generate (db/rejestr.DB, rejestr.frf)\n");
        return 2;
    }
    SetProgramDir(dir);
    SetRegional(RegionalSettings{u'-', u','});
    BuildDateTexts();
    SetTableNames();
    TmyDataBase dm;
    myDataBase = &dm;
    dm.DMCreate();
    dm.SetRejestrTaxpayer(1);
    dm.SetRejestrYearMonth(0, 0);
    dm.RefreshRejestr();
    const long opened = statusKiB("VmRSS:");
    Query& view = dm.DBFRejestr;
    const int rows = view.countRows();
    const long fresh = statusKiB("VmRSS:");
    if (rows < 1000) {
        std::fprintf(stderr, "bench_report: taxpayer 1 has %d entries in %s; run bench_generate\n",
                     rows, qPrintable(dir));
        return 2;
    }

    // As the program answers: register variables are the grid columns' field texts.
    QHash<QString, int> fieldOf;
    for (const GridColumn& c : RejestrColumns())
        fieldOf.insert(c.field, view.field(c.field));
    ReportUserDataset dataset{[&view] { view.first(); }, [&view] { view.next(); },
                              [&view](bool& eof) { eof = view.eof(); },
                              [&view] { return qint64(view.countRows()); }};
    const ReportValueHandler value = [&](const QString& name, QString& v) {
        const auto f = fieldOf.constFind(name);
        v = f != fieldOf.cend() ? view.textAt(view.cursor(), *f) : QString();
    };
    Report report;
    report.dataset = &dataset;
    report.onGetValue = value;
    QTemporaryDir out;
    const QString pdfPath = out.filePath(QStringLiteral("r.pdf"));
    const QString csvPath = out.filePath(QStringLiteral("r.csv"));

    std::vector<double> firstCpu, pdfCpu, breaks, first, last, pdf, csv, peak, after;
    int pages = 0;
    long idle = 0;
    // Run 0 warms up: the allocator then holds what any later report leaves it, and idle is
    // the program as it stands after one report.
    for (int r = -1; r < repeats; ++r) {
        // The register tab as the user left it: the view open, its first screen read; the
        // report reads the rest.
        dm.RefreshRejestr();
        resetPeak();
        QElapsedTimer t;
        double c0 = cpuMs();
        t.start();
        {
            // As the program does: the template read afresh, the pages dropped at closing.
            report.loadFromFile(dir + QStringLiteral("/rejestr.frf"));
            const ReportDocument& doc = report.prepareReport();
            breaks.push_back(t.nsecsElapsed() / 1e6);
            paintAtPageWidth(doc, 0);
            first.push_back(t.nsecsElapsed() / 1e6);
            firstCpu.push_back(cpuMs() - c0);
            pages = doc.pageCount();
            t.restart();
            paintAtPageWidth(doc, pages - 1);
            last.push_back(t.nsecsElapsed() / 1e6);
            t.restart();
            c0 = cpuMs();
            WriteReportPdf(doc, pdfPath);
            pdf.push_back(t.nsecsElapsed() / 1e6);
            pdfCpu.push_back(cpuMs() - c0);
            peak.push_back((statusKiB("VmHWM:") - idle) / 1024.0);
        }
        report.releasePages();
        after.push_back((statusKiB("VmRSS:") - idle) / 1024.0);
        t.restart();
        TVtExportToCSV::ExportView(view, RejestrColumns(), csvPath);
        csv.push_back(t.nsecsElapsed() / 1e6);
        if (r < 0) {
            idle = statusKiB("VmRSS:");
            for (auto* v : {&firstCpu, &pdfCpu, &breaks, &first, &last, &pdf, &csv, &peak, &after})
                v->clear();
        }
    }
    std::printf("%d rows, %d pages; RSS %ld MiB with the view open, %ld MiB after reading it, "
                "idle %ld MiB after a first report\n",
                rows, pages, opened / 1024, fresh / 1024, idle / 1024);
    std::printf("median of %d runs:\n", repeats);
    std::printf("  preview, first page:  %8.0f ms (page breaks %.0f ms)\n", median(first),
                median(breaks));
    std::printf("  CPU: first page %.0f ms, PDF %.0f ms\n", median(firstCpu), median(pdfCpu));
    std::printf("  paging to last page:  %8.0f ms\n", median(last));
    std::printf("  PDF of every page:    %8.0f ms (%.1f MB)\n", median(pdf),
                QFileInfo(pdfPath).size() / 1e6);
    std::printf("  CSV of the same rows: %8.0f ms, PDF/CSV %.1fx\n", median(csv),
                median(pdf) / median(csv));
    std::printf("  peak over idle:       %8.1f MiB\n", median(peak));
    std::printf("  after closing:        %8.1f MiB over idle (largest %.1f)\n", median(after),
                *std::max_element(after.begin(), after.end()));
    myDataBase = nullptr;
    return 0;
}
