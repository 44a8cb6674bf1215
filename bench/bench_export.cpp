// Times the CSV export of the largest register view (one taxpayer's 100,000 entries, no date
// filter, by ID) against the sqlite3 shell writing the same query as CSV, in the same run.
// Usage: bench_export DIR [REPEATS]   (DIR made by bench_generate)
// Peak memory of both comes from /usr/bin/time -v of separate processes: this program runs
// itself once more to export, so neither figure carries the other's memory.
#include "BenchSupport.h"
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
#include <vector>

namespace {

// "Maximum resident set size (kbytes): 6012" from /usr/bin/time -v; -1 when it failed.
long timedPeakKiB(const QString& program, const QStringList& args, const QString& outFile,
                  QByteArray* output = nullptr)
{
    QProcess p;
    if (!outFile.isEmpty())
        p.setStandardOutputFile(outFile);
    p.start(QStringLiteral("/usr/bin/time"), QStringList{QStringLiteral("-v"), program} + args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    if (output)
        *output = p.readAllStandardOutput();
    for (const QByteArray& line : p.readAllStandardError().split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith("Maximum resident set size (kbytes):"))
            return t.mid(t.indexOf(':') + 1).trimmed().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const auto usage = [] {
        std::fprintf(stderr, "usage: bench_export DIR [REPEATS]\n"
                             "       bench_export --export-once DIR FILE   (run by itself under "
                             "/usr/bin/time)\n");
        return 2;
    };
    const bool once = args.value(0) == QLatin1String("--export-once");
    if (once)
        args.removeFirst();
    bool ok = true;
    const int repeats = !once && args.size() == 2 ? args.at(1).toInt(&ok) : 5;
    if (args.isEmpty() || args.size() > 2 || (once && args.size() != 2) || !ok || repeats < 1 ||
        args.first().startsWith(QLatin1String("--")))
        return usage();
    const QString dir = args.at(0);
    SetProgramDir(dir);
    TmyDataBase dm;
    dm.DMCreate();
    dm.SetRejestrTaxpayer(1);
    dm.SetRejestrYearMonth(0, 0);
    if (once) {
        // Idle first, so the parent can tell what the export itself adds to the peak.
        std::printf("idle %ld\n", statusKiB("VmRSS:"));
        dm.RefreshRejestr();
        return TVtExportToCSV::ExportView(dm.DBFRejestr, RejestrColumns(), args.at(1)) ? 0 : 1;
    }
    QTemporaryDir out;
    const QString programFile = out.filePath(QStringLiteral("program.csv"));
    const QString shellFile = out.filePath(QStringLiteral("shell.csv"));

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
    qint64 rows = -1; // lines after the titles
    if (QFile f(programFile); f.open(QIODevice::ReadOnly))
        rows = qint64(f.readAll().count('\n')) - 1;

    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    const QStringList shellArgs{QStringLiteral("-csv"),
                                QStringLiteral("-separator"),
                                QStringLiteral(";"),
                                QStringLiteral("-cmd"),
                                QStringLiteral("ATTACH '%1/db/rejestr.DB' AS rejestr").arg(dir),
                                QStringLiteral(":memory:"),
                                QStringLiteral("SELECT * FROM rejestr WHERE IDKONTRAHENTA=1 "
                                               "ORDER BY ID, rowid;")};
    std::vector<double> shell;
    for (int i = 0; i < repeats && !sqlite.isEmpty(); ++i) {
        QProcess p;
        p.setStandardOutputFile(shellFile);
        QElapsedTimer t;
        t.start();
        p.start(sqlite, shellArgs);
        p.waitForFinished(-1);
        shell.push_back(double(t.nsecsElapsed()) / 1e6);
    }

    std::printf("export of %lld rows (%lld bytes), median of %d runs\n", rows,
                QFileInfo(programFile).size(), repeats);
    std::printf("  program (open view + format + Windows-1250 + write): %8.1f ms\n",
                median(program));
    if (shell.empty())
        return 0;
    std::printf("  sqlite3 shell -csv (%lld bytes):                     %8.1f ms\n",
                QFileInfo(shellFile).size(), median(shell));
    std::printf("  ratio program / shell: %.2fx (goal <= 1x)\n", median(program) / median(shell));

    // Peaks of separate processes, each measured alike by /usr/bin/time -v.
    QByteArray childOut;
    const long programPeak =
        timedPeakKiB(app.applicationFilePath(), {QStringLiteral("--export-once"), dir, programFile},
                     QString(), &childOut);
    const long programIdle =
        childOut.trimmed().startsWith("idle ") ? childOut.trimmed().mid(5).toLong() : -1;
    const long shellPeak = timedPeakKiB(sqlite, shellArgs, shellFile);
    if (programPeak < 0 || shellPeak < 0 || programIdle < 0) {
        std::printf("  memory: /usr/bin/time -v failed\n");
        return 0;
    }
    std::printf("  memory (/usr/bin/time -v, separate processes): program peak %ld KiB, idle "
                "before the export %ld KiB, the export adds %ld KiB; shell peak %ld KiB\n",
                programPeak, programIdle, programPeak - programIdle, shellPeak);
    std::printf("  export's addition / shell peak: %.2fx (goal <= 2x)\n",
                double(programPeak - programIdle) / double(shellPeak));
    return 0;
}
