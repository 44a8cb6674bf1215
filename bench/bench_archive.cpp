// bench_archive DIR [REPEATS]: on a program directory made by bench_generate, times creating an
// archive of both tables (from the program's live connection, the copies checked before they are
// put in place) and restoring the data from it (staging, checking, swapping, reconnecting and
// re-running the taxpayer list), against the sqlite3 shell's .backup of the same two files in one
// process. Runs rotate their order; each figure is a median. It measures and prints; it never
// judges by exit code.
#include "BenchSupport.h"
#include "archive/uArchiveDescription.h"
#include "archive/uArchiveStore.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double cpuMs(int who)
{
    rusage u{};
    getrusage(who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

struct Timing
{
    std::vector<double> wall, cpu;
};

// Wall-clock and CPU time of one run; CPU time is this process's, or its children's for the shell.
bool timed(Timing& t, int who, const std::function<bool()>& run)
{
    const double cpu0 = cpuMs(who);
    QElapsedTimer clock;
    clock.start();
    const bool ok = run();
    t.wall.push_back(clock.nsecsElapsed() / 1e6);
    t.cpu.push_back(cpuMs(who) - cpu0);
    return ok;
}

void removeCopies(const QString& dir)
{
    for (const QString& name : TableNames)
        QFile::remove(ArchiveFilePath(dir, name));
    QFile::remove(ArchiveFilePath(dir, kDescriptionFileName));
}

void warmUp(const QString& file)
{
    QFile f(file);
    if (f.open(QIODevice::ReadOnly))
        while (!f.read(1 << 20).isEmpty()) {
        }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_archive DIR [REPEATS]\n");
        return 2;
    }
    const QString dir = QFileInfo(args[1]).absoluteFilePath();
    const int repeats = args.size() > 2 ? qMax(1, args[2].toInt()) : 5;
    SetProgramDir(dir);
    SetRegional(RegionalSettings{u'-', u','});
    BuildDateTexts();
    SetTableNames();

    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    const QString archive = dir + QStringLiteral("/bench-archive");
    const QString shellOut = dir + QStringLiteral("/bench-shell");
    QDir().mkpath(archive);
    QDir().mkpath(shellOut);
    double megabytes = 0;
    for (const QString& name : TableNames) {
        warmUp(ArchiveFilePath(DataDirectory(), name));
        megabytes += QFileInfo(ArchiveFilePath(DataDirectory(), name)).size() / 1048576.0;
    }

    TmyDataBase dm;
    dm.DMCreate();
    std::printf("bench_archive %s: %.1f MiB in %s and %s; SQLite %s, shell %s; median of %d runs "
                "after one warm-up\n",
                qPrintable(dir), megabytes, qPrintable(TableNames[0]), qPrintable(TableNames[1]),
                sqlite3_libversion(), shell.isEmpty() ? "missing" : qPrintable(shell), repeats);

    QStringList shellArgs;
    for (const QString& name : TableNames) {
        const QString stem = name.section(u'.', 0, 0);
        shellArgs << QStringLiteral("-cmd")
                  << QStringLiteral("ATTACH '%1' AS %2")
                         .arg(ArchiveFilePath(DataDirectory(), name), stem);
    }
    shellArgs << QStringLiteral(":memory:");
    for (const QString& name : TableNames)
        shellArgs << QStringLiteral(".backup %1 '%2'")
                         .arg(name.section(u'.', 0, 0), ArchiveFilePath(shellOut, name));

    Timing create, restore, backup;
    bool ok = true;
    for (int run = 0; run <= repeats && ok; ++run) {
        Timing warm[3]; // the warm-up run is not counted
        Timing& c = run ? create : warm[0];
        Timing& r = run ? restore : warm[1];
        Timing& b = run ? backup : warm[2];
        const std::function<bool()> steps[] = {
            [&] {
                removeCopies(archive);
                return timed(c, RUSAGE_SELF, [&] {
                    return CreateArchive(dm.DatabaseMain.handle(), archive, {}) ==
                           CreateOutcome::Created;
                });
            },
            [&] {
                return timed(r, RUSAGE_SELF, [&] {
                    return RestoreArchive(&dm, archive) == RestoreOutcome::Restored;
                });
            },
            [&] {
                removeCopies(shellOut);
                return shell.isEmpty() || timed(b, RUSAGE_CHILDREN, [&] {
                           QProcess p;
                           p.start(shell, shellArgs);
                           return p.waitForFinished(-1) && p.exitCode() == 0;
                       });
            },
        };
        // Create must come before restore; the shell takes every place in turn.
        const int shellAt = run % 3;
        for (int i = 0, step = 0; i < 3 && ok; ++i)
            ok = i == shellAt ? steps[2]() : steps[step++]();
    }
    removeCopies(archive);
    removeCopies(shellOut);
    QDir().rmdir(archive);
    QDir().rmdir(shellOut);
    if (!ok) {
        std::printf("a run failed\n");
        return 1;
    }

    const double shellWall = median(backup.wall), shellCpu = median(backup.cpu);
    std::printf("\n%-34s %10s %10s %12s %12s\n", "", "wall ms", "CPU ms", "wall/shell",
                "CPU/shell");
    const auto line = [&](const char* what, const Timing& t) {
        std::printf("%-34s %10.1f %10.1f %11.2fx %11.2fx\n", what, median(t.wall), median(t.cpu),
                    median(t.wall) / shellWall, median(t.cpu) / shellCpu);
    };
    line("create archive (program)", create);
    line("restore from archive (program)", restore);
    std::printf("%-34s %10.1f %10.1f\n", "sqlite3 shell .backup of both", shellWall, shellCpu);
    std::printf("\ngoal: create and restore at most 1.2x the shell (wall-clock)\n");
    return 0;
}
