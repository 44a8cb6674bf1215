// Times the CSV export of the largest register view (one taxpayer's 100,000 entries, no date
// filter, by ID) against the sqlite3 shell writing the same query as CSV, in the same run.
// Usage: bench_export DIR [REPEATS]   (DIR made by bench_generate)
#include "data/ViewModel.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "output/uVtExportToCSV.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

long rssKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_export DIR [REPEATS]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int repeats = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    SetProgramDir(dir);
    TmyDataBase dm;
    dm.DMCreate();
    dm.rejestrTaxpayerFilter = QStringLiteral("AND IDKONTRAHENTA=1");
    dm.rejestrDateFilter.clear();
    QTemporaryDir out;
    const QString programFile = out.filePath(QStringLiteral("program.csv"));
    const QString shellFile = out.filePath(QStringLiteral("shell.csv"));

    const long idle = rssKiB("VmRSS:");
    std::vector<double> program;
    for (int i = 0; i < repeats; ++i) {
        // The view is opened afresh each time, as a user opens the tab and exports.
        QElapsedTimer t;
        t.start();
        dm.RefreshRejestr();
        if (!TVtExportToCSV::ExportView(dm.DBFRejestr, RejestrColumns(), programFile))
            std::fprintf(stderr, "export failed\n");
        program.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const long afterExport = rssKiB("VmHWM:");

    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    std::vector<double> shell;
    const QString sql = QStringLiteral("SELECT * FROM rejestr WHERE IDKONTRAHENTA=1 ORDER BY ID;");
    for (int i = 0; i < repeats && !sqlite.isEmpty(); ++i) {
        QProcess p;
        p.setStandardOutputFile(shellFile);
        QElapsedTimer t;
        t.start();
        p.start(sqlite, {QStringLiteral("-csv"), QStringLiteral("-separator"), QStringLiteral(";"),
                         QStringLiteral("-cmd"),
                         QStringLiteral("ATTACH '%1/db/rejestr.DB' AS rejestr").arg(dir),
                         QStringLiteral(":memory:"), sql});
        p.waitForFinished(-1);
        shell.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);

    std::printf("export of %d rows (%lld bytes), median of %d runs\n", dm.DBFRejestr.fetchedCount(),
                QFileInfo(programFile).size(), repeats);
    std::printf("  program (open view + format + Windows-1250 + write): %8.1f ms\n",
                median(program));
    if (!shell.empty()) {
        std::printf("  sqlite3 shell -csv (%lld bytes):                     %8.1f ms\n",
                    QFileInfo(shellFile).size(), median(shell));
        std::printf("  ratio program / shell: %.2fx (goal <= 1x)\n",
                    median(program) / median(shell));
        std::printf(
            "  memory: program +%ld KiB over idle (peak), shell peak %ld KiB: %.2fx (goal <= 2x)\n",
            afterExport - idle, children.ru_maxrss,
            double(afterExport - idle) / double(children.ru_maxrss));
    }
    return 0;
}
