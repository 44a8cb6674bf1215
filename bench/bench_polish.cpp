// bench_polish DIR [REPEATS]: on a program directory made by bench_generate, in one run,
// (1) the busiest taxpayer's entries sorted by NAZWISKO in Polish order (the program's own
// collation, and one through QCollator for comparison) against the same statement in binary
// order, on the program's connection; (2) each keystroke of the taxpayer search at all
// taxpayers: the view narrowed, re-run and its first screen read as the grid paints it.
// It measures and prints; it never judges by exit code.
#include "BenchSupport.h"
#include "data/ViewModel.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/PolishText.h"
#include "dbengine/SqlNormalizer.h"
#include "dbengine/SqliteHandles.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kScreenRows = 60;
volatile std::size_t g_sink = 0;

template <typename F> Times timed(F&& f)
{
    const double cpu = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    f();
    return {double(wall.nsecsElapsed()) / 1e6, threadCpuMs() - cpu};
}

// Steps the statement to its end (or `limit` rows), reading every column by type.
int stepAll(sqlite3* db, const QByteArray& sql, int limit)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare: %s\n", sqlite3_errmsg(db));
        return 0;
    }
    SqliteStatementPtr st(raw);
    int rows = 0;
    std::size_t sum = 0;
    while ((limit <= 0 || rows < limit) && sqlite3_step(raw) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < sqlite3_column_count(raw); ++c)
            sum += std::size_t(sqlite3_column_bytes(raw, c));
    }
    g_sink = g_sink + sum;
    return rows;
}

// The alternative measured: ICU's Polish order through QCollator, binary order on a tie.
int icuCompare(void* collator, int la, const void* a, int lb, const void* b)
{
    const QString sa = QString::fromUtf8(static_cast<const char*>(a), la);
    const QString sb = QString::fromUtf8(static_cast<const char*>(b), lb);
    const int c = static_cast<QCollator*>(collator)->compare(sa, sb);
    if (c != 0)
        return c;
    const int bytes = std::memcmp(a, b, std::size_t(std::min(la, lb)));
    return bytes != 0 ? bytes : la - lb;
}

int paintScreen(const ViewModel& model)
{
    const int to = std::min(model.rowCount(), kScreenRows);
    std::size_t sum = 0;
    for (int r = 0; r < to; ++r) {
        for (int c = 0; c < model.columnCount(); ++c) {
            const QModelIndex i = model.index(r, c);
            sum += std::size_t(model.data(i, Qt::DisplayRole).toString().size());
            sum += std::size_t(model.data(i, Qt::TextAlignmentRole).toInt());
        }
    }
    g_sink = g_sink + sum;
    return to;
}

void printUsage()
{
    std::fprintf(stderr, "usage: bench_polish DIR [REPEATS]\n"
                         "  DIR: a program directory made by bench_generate; REPEATS: runs (7)\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool repeatsRead = true;
    const int repeats = args.size() > 1 ? args.at(1).toInt(&repeatsRead) : 7;
    if (args.isEmpty() || args.size() > 2 || !repeatsRead || repeats < 1) {
        printUsage();
        return 2;
    }
    const QString dir = QDir(args.at(0)).absolutePath();
    if (!QFileInfo::exists(dir + QStringLiteral("/db/rejestr.DB"))) {
        std::fprintf(stderr, "%s/db/rejestr.DB not found\n", qPrintable(dir));
        return 1;
    }
    SetProgramDir(dir);
    SetTableNames();
    TmyDataBase dm;
    dm.DMCreate();
    sqlite3* db = dm.DatabaseMain.handle();

    QCollator collator{QLocale(QLocale::Polish, QLocale::Poland)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    sqlite3_create_collation_v2(db, "PL_ICU", SQLITE_UTF8, &collator, icuCompare, nullptr);

    qint64 big = 0;
    qint64 entries = 0;
    {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT IDKONTRAHENTA, COUNT(*) FROM rejestr GROUP BY IDKONTRAHENTA "
                           "ORDER BY 2 DESC LIMIT 1",
                           -1, &raw, nullptr);
        SqliteStatementPtr st(raw);
        if (sqlite3_step(raw) == SQLITE_ROW) {
            big = sqlite3_column_int64(raw, 0);
            entries = sqlite3_column_int64(raw, 1);
        }
    }
    std::printf("bench_polish on %s: SQLite %s, Qt %s; medians of %d runs after one warm-up\n\n",
                qPrintable(dir), sqlite3_libversion(), qVersion(), repeats);

    // (1) The program's own statement for a click on "nazwisko", with each order.
    dm.SetRejestrTaxpayer(big);
    dm.SetRejestrYearMonth(0, 0);
    dm.SortRejestrBy(QStringLiteral("NAZWISKO"));
    const QByteArray polish =
        NormalizeSql(dm.DBFRejestr.text() + QStringLiteral(", rowid")).toUtf8().simplified();
    const QByteArray collate = " COLLATE " + QByteArray(kPolishCollation);
    const QByteArray binary = QByteArray(polish).replace(collate, "");
    const QByteArray icu = QByteArray(polish).replace(collate, " COLLATE PL_ICU");
    std::printf("sorting taxpayer %lld's %lld entries by NAZWISKO\n  %s\n", big, entries,
                polish.constData());
    struct Order
    {
        const char* name;
        QByteArray sql;
    };
    const std::vector<Order> orders{
        {"binary", binary}, {"Polish (program)", polish}, {"Polish (QCollator)", icu}};
    std::printf("%-22s %16s %16s %16s %16s\n", "order", "60 rows wall", "60 rows CPU",
                "all rows wall", "all rows CPU");
    std::vector<Times> first[3];
    std::vector<Times> all[3];
    for (int i = 0; i <= repeats; ++i) {
        // Each order takes its turn first, so a load from outside favours none.
        for (std::size_t k = 0; k < orders.size(); ++k) {
            const std::size_t o = (k + std::size_t(i)) % orders.size();
            const QByteArray screen = orders[o].sql + " LIMIT 60";
            const Times f = timed([&] { stepAll(db, screen, 0); });
            const Times a = timed([&] { stepAll(db, orders[o].sql, 0); });
            if (i > 0) {
                first[o].push_back(f);
                all[o].push_back(a);
            }
        }
    }
    for (std::size_t o = 0; o < orders.size(); ++o) {
        const Times f = median(first[o]);
        const Times a = median(all[o]);
        std::printf("%-22s %13.2f ms %13.2f ms %13.2f ms %13.2f ms\n", orders[o].name, f.wall,
                    f.cpu, a.wall, a.cpu);
    }
    for (std::size_t o = 1; o < orders.size(); ++o) {
        const auto ratio = [&](const std::vector<Times>* runs, double Times::*kind) {
            return median(runs[o]).*kind / median(runs[0]).*kind;
        };
        std::printf("%-22s /binary: 60 rows %.2fx wall %.2fx CPU, all rows %.2fx wall %.2fx "
                    "CPU (goal <= 1.5x: %s)\n",
                    orders[o].name, ratio(first, &Times::wall), ratio(first, &Times::cpu),
                    ratio(all, &Times::wall), ratio(all, &Times::cpu),
                    ratio(first, &Times::cpu) <= 1.5 && ratio(all, &Times::cpu) <= 1.5 ? "met"
                                                                                       : "NOT met");
    }

    // (2) Typing into the search field: each keystroke re-runs the taxpayer view and the grid
    // paints its first screen.
    ViewModel grid(&dm.DBFKontrahenci, KontrahenciColumns());
    const QString count = dm.CountKontrahenci().value_or(QStringLiteral("?"));
    dm.RefreshKontrahenci();
    dm.LocateKontrahent(5000);
    const QString nip = dm.DBFKontrahenci.asText(QStringLiteral("NIP"));
    QString digits = nip;
    digits.remove(u'-');
    const QStringList typed{QStringLiteral("lodz"), QStringLiteral("kancelaria notarialna"), digits,
                            nip, QStringLiteral("zolw")};
    std::printf("\nsearch over %s taxpayers, each keystroke of:", qPrintable(count));
    for (const QString& t : typed)
        std::printf(" \"%s\"", qPrintable(t));
    std::printf("\n");
    std::vector<Times> keystrokes;
    double worst = 0.0;
    double worstCpu = 0.0;
    for (int i = 0; i <= repeats; ++i) {
        for (const QString& text : typed) {
            for (qsizetype n = 1; n <= text.size(); ++n) {
                dm.SetKontrahenciSearch(text.left(n));
                const Times t = timed([&] {
                    dm.RefreshKontrahenci();
                    paintScreen(grid);
                });
                if (i > 0) {
                    keystrokes.push_back(t);
                    worst = std::max(worst, t.wall);
                    worstCpu = std::max(worstCpu, t.cpu);
                }
            }
            dm.SetKontrahenciSearch(QString());
        }
    }
    const Times k = median(keystrokes);
    std::printf("%zu keystrokes: median %.2f ms wall, %.2f ms CPU; slowest %.2f ms wall, "
                "%.2f ms CPU (goal <= 50 ms each: %s)\n",
                keystrokes.size(), k.wall, k.cpu, worst, worstCpu,
                worst <= 50.0 ? "met" : "NOT met");
    return 0;
}
