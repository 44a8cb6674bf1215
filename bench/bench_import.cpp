// Import of the old program's Paradox tables at scale: writes a taxpayer table and a register
// table of N entries (default 100,000) with pxlib, then times reading them alone and the whole
// import (conversion into SQLite table files and the swap), the median of five. Prints figures;
// never fails on them. bench_import [ENTRIES]
#include "import/ParadoxFixture.h"

#include "data/uDefinicje.h"
#include "import/ParadoxTable.h"
#include "import/Pxlib.h"
#include "import/uImportParadox.h"
#include "tools/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool ok = true;
    const int entries = argc > 1 ? QByteArray(argv[1]).toInt(&ok) : 100000;
    if (argc > 2 || !ok || entries < 1) {
        std::fputs("Użycie: bench_import [LICZBA-ZAPISÓW]\n", stderr);
        return 2;
    }
    const int taxpayers = 1000;
    QTemporaryDir work;
    const QString old = work.filePath(QStringLiteral("old"));
    const QString program = work.filePath(QStringLiteral("program"));
    QDir().mkpath(old);
    if (!InstallProgramDir(program).ok)
        return 1;
    SetProgramDir(program);
    SetTableNames();

    std::vector<PxRow> k;
    for (int i = 1; i <= taxpayers; ++i)
        k.push_back({qint64(i), QByteArray("Gmina \xA3\xF3\x64\x9F ") + QByteArray::number(i),
                     QByteArray("123-456-32-18"), QByteArray("ul. D\xB3uga 5"),
                     QByteArray("00-950"), QByteArray("Warszawa"), QByteArray("22 123 45 67"),
                     QByteArray(), QByteArray("G") + QByteArray::number(i)});
    std::vector<PxRow> r;
    r.reserve(size_t(entries));
    for (int i = 0; i < entries; ++i)
        r.push_back({qint64(i / taxpayers + 1),
                     qint64(20000101 + (i % 12) * 100 + i % 28),
                     qint64(20000101 + (i % 12) * 100),
                     1500.25 + i % 1000,
                     2.0,
                     qint64(0),
                     QByteArray("FV ") + QByteArray::number(i),
                     QByteArray("J\xF3zef"),
                     QByteArray("Kowalski-\xA3\xEA\x63ki"),
                     QByteArray("1234567890"),
                     QByteArray("ul. Rynek ") + QByteArray::number(i % 300),
                     QByteArray("30-001"),
                     QByteArray("Krak\xF3w"),
                     QByteArray("uwagi; \"a\""),
                     qint64(i % taxpayers + 1),
                     {}});
    QElapsedTimer timer;
    timer.start();
    if (!WriteParadoxTable(QDir(old).filePath(QStringLiteral("kontrahenci.DB")),
                           KontrahenciFields(), k) ||
        !WriteParadoxTable(QDir(old).filePath(QStringLiteral("rejestr.DB")), RejestrFields(), r))
        return 1;
    std::printf("writing the Paradox files (pxlib): %lld ms\n", timer.elapsed());

    timer.restart();
    ParadoxTable t;
    if (!t.open(QDir(old).filePath(QStringLiteral("rejestr.DB"))))
        return 1;
    qint64 check = 0;
    for (int i = 0; i < t.recordCount(); ++i) {
        t.read(i);
        for (int f = 0; f < int(t.fields().size()); ++f)
            check += t.fields()[size_t(f)].kind == ParadoxTable::Kind::Text ? t.text(f).size()
                                                                            : t.integer(f);
    }
    std::printf("reading %d register records, every field: %lld ms (check %lld)\n", t.recordCount(),
                timer.elapsed(), check);

    // CPU time of the program and of the reader processes it runs, steadier than the clock on a
    // busy machine.
    const auto cpuMs = [] {
        qint64 ms = 0;
        for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
            rusage u{};
            getrusage(who, &u);
            ms += (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
                  (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
        }
        return ms;
    };
    constexpr int kRuns = 5;
    std::vector<qint64> times;
    std::vector<qint64> cpu;
    ImportCounts counts;
    for (int run = 0; run < kRuns; ++run) {
        const qint64 cpuBefore = cpuMs();
        timer.restart();
        QString error;
        if (!ImportParadoxTables(nullptr, old, &counts, &error)) {
            std::printf("import failed: %s\n", qPrintable(error));
            return 1;
        }
        times.push_back(timer.elapsed());
        cpu.push_back(cpuMs() - cpuBefore);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("import of %lld taxpayers and %lld entries (convert + swap), median of %d: %lld ms "
                "(min %lld, max %lld), CPU %lld ms\n",
                counts.taxpayers, counts.entries, kRuns, times[kRuns / 2], times.front(),
                times.back(), cpu[kRuns / 2]);
    return 0;
}
