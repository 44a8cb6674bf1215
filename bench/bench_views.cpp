// bench_views DIR [REPEATS]: on a program directory made by bench_generate, times each path from
// the user's action to the first screen of rows ready for the grid through the program's own
// code, against the same SQL on the bare SQLite C API (same connection) and the sqlite3 shell
// with LIMIT 60, both its statement timer and its whole run. It measures and prints; it never
// judges by exit code.
#include "BenchSupport.h"
#include "app/uDBGrid.h"
#include "data/Clock.h"
#include "data/Regional.h"
#include "data/ViewModel.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/PolishText.h"
#include "dbengine/SqlNormalizer.h"
#include "dbengine/SqliteHandles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int kScreenRows = 60;

// Keeps the reads of the measured code from being optimised away.
volatile std::size_t g_sink = 0;

class Stopwatch
{
public:
    Stopwatch() : m_cpu(threadCpuMs()) { m_wall.start(); }
    Times elapsed() const { return {double(m_wall.nsecsElapsed()) / 1e6, threadCpuMs() - m_cpu}; }

private:
    QElapsedTimer m_wall;
    double m_cpu;
};

// What a grid reads to paint rows [from, from + 60): text and alignment of every cell.
int paintScreen(const ViewModel& model, int from)
{
    from = std::max(0, from);
    const int to = std::min(model.rowCount(), from + kScreenRows);
    std::size_t sum = 0;
    for (int r = from; r < to; ++r) {
        for (int c = 0; c < model.columnCount(); ++c) {
            const QModelIndex i = model.index(r, c);
            sum += std::size_t(model.data(i, Qt::DisplayRole).toString().size());
            sum += std::size_t(model.data(i, Qt::TextAlignmentRole).toInt());
        }
    }
    g_sink = g_sink + sum;
    return std::max(0, to - from);
}

// Where the bare run stops: after `rows` rows, or at the row with this ID and taxpayer.
struct BareStop
{
    int rows = kScreenRows;
    qint64 id = -1;
    qint64 owner = -1;
};

struct BareResult
{
    Times time;
    int rows = 0;
};

// Prepare, step reading every column by its type, finalise: the least any caller can do.
BareResult bareRun(sqlite3* db, const QByteArray& sql, const BareStop& stop)
{
    const Stopwatch t;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "bare prepare: %s\n", sqlite3_errmsg(db));
        return {};
    }
    SqliteStatementPtr st(raw);
    const int columns = sqlite3_column_count(raw);
    int idColumn = -1;
    int ownerColumn = -1;
    for (int c = 0; c < columns; ++c) {
        const QByteArray name(sqlite3_column_name(raw, c));
        if (name.compare("ID", Qt::CaseInsensitive) == 0)
            idColumn = c;
        else if (name.compare("IDKONTRAHENTA", Qt::CaseInsensitive) == 0)
            ownerColumn = c;
    }
    const bool byKey = stop.id >= 0 && idColumn >= 0 && ownerColumn >= 0;
    BareResult r;
    std::size_t sum = 0;
    while (sqlite3_step(raw) == SQLITE_ROW) {
        ++r.rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(raw, c)) {
            case SQLITE_INTEGER:
                sum += std::size_t(sqlite3_column_int64(raw, c));
                break;
            case SQLITE_FLOAT:
                sum += std::size_t(sqlite3_column_double(raw, c));
                break;
            case SQLITE_NULL:
                break;
            default:
                sqlite3_column_text(raw, c);
                sum += std::size_t(sqlite3_column_bytes(raw, c));
                break;
            }
        }
        if (byKey ? sqlite3_column_int64(raw, idColumn) == stop.id &&
                        sqlite3_column_int64(raw, ownerColumn) == stop.owner
                  : r.rows >= stop.rows)
            break;
    }
    st.reset();
    r.time = t.elapsed();
    g_sink = g_sink + sum;
    return r;
}

std::optional<qint64> scalar(sqlite3* db, const QByteArray& sql)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        return std::nullopt;
    SqliteStatementPtr st(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        return std::nullopt;
    return sqlite3_column_int64(raw, 0);
}

QStringList queryPlan(sqlite3* db, const QByteArray& sql)
{
    QStringList lines;
    sqlite3_stmt* raw = nullptr;
    const QByteArray explain = "EXPLAIN QUERY PLAN " + sql;
    if (sqlite3_prepare_v2(db, explain.constData(), int(explain.size()), &raw, nullptr) !=
        SQLITE_OK)
        return {QString::fromUtf8(sqlite3_errmsg(db))};
    SqliteStatementPtr st(raw);
    while (sqlite3_step(raw) == SQLITE_ROW)
        lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 3)));
    return lines;
}

// CPU time of the children this process has waited for, in ms.
double childrenCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    const auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

// One whole sqlite3 run, as `time sqlite3 ...` reports it: start the shell, attach both table
// files, run the statement once with its rows to /dev/null, exit. This is what a user of the
// shell waits for; the statement timer above leaves out the start and the schema reading.
std::optional<Times> shellWholeRun(const QString& shell, const QString& dbDir,
                                   const QByteArray& sql)
{
    if (shell.isEmpty())
        return std::nullopt;
    QStringList args{QStringLiteral("-batch")};
    for (const char* stem : {"kontrahenci", "rejestr"}) {
        const QString file = dbDir + u'/' + QLatin1String(stem) + QStringLiteral(".DB");
        args << QStringLiteral("-cmd")
             << QStringLiteral("ATTACH %1 AS %2").arg(sqlLiteral(file), QLatin1String(stem));
    }
    args << QStringLiteral(":memory:") << QString::fromUtf8(sql);
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    const double cpuBefore = childrenCpuMs();
    QElapsedTimer wall;
    wall.start();
    p.start(shell, args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return std::nullopt;
    return Times{double(wall.nsecsElapsed()) / 1e6, childrenCpuMs() - cpuBefore};
}

QString shellVersion(const QString& shell)
{
    if (shell.isEmpty())
        return QStringLiteral("not found");
    QProcess p;
    p.start(shell, {QStringLiteral("-version")});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).section(u' ', 0, 0);
}

qint64 warmPageCache(const QString& dbDir)
{
    qint64 bytes = 0;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const QFileInfo& fi : QDir(dbDir).entryInfoList({QStringLiteral("*.DB")}, QDir::Files)) {
        QFile f(fi.absoluteFilePath());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (qint64 n; (n = f.read(buffer.data(), buffer.size())) > 0;)
            bytes += n;
    }
    return bytes;
}

// The statements the program runs, with their bound values, as SQLite starts each of them.
struct Trace
{
    std::vector<QByteArray> statements;
    bool on = false;
};

int traceStatement(unsigned, void* context, void* statement, void*)
{
    auto* trace = static_cast<Trace*>(context);
    if (!trace->on)
        return 0;
    if (char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement))) {
        trace->statements.emplace_back(sql);
        sqlite3_free(sql);
    }
    return 0;
}

// What `action` sends to the engine on the program's connection.
std::vector<QByteArray> traced(sqlite3* db, const std::function<void()>& action)
{
    Trace trace;
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, traceStatement, &trace);
    trace.on = true;
    action();
    trace.on = false;
    sqlite3_trace_v2(db, 0, nullptr, nullptr);
    return trace.statements;
}

// The C floor: each statement prepared, stepped to its end reading every column by type,
// finalised, one after another; rows counted.
BareResult floorRun(sqlite3* db, const std::vector<QByteArray>& statements)
{
    BareResult all;
    const Stopwatch t;
    for (const QByteArray& sql : statements)
        all.rows += bareRun(db, sql, BareStop{1 << 30}).rows;
    all.time = t.elapsed();
    return all;
}

struct Path
{
    const char* name;
    std::function<void()> before;    // untimed: the state before the user's action
    std::function<void()> action;    // timed: the data module's operation
    std::function<int()> paint;      // timed: the grid reading its screen; rows painted
    std::function<int()> rowsRead;   // rows the view holds after the action
    std::function<QByteArray()> sql; // the statement the action sent, as the engine ran it
    BareStop stop{};
    QByteArray shellLimit = "LIMIT 60"; // appended for the shell's run
    double goal = 0.0;                  // program/shell at most this; 0: no goal
};

struct Figures
{
    const char* name;
    qint64 rows;
    Times program;
    Times bare;
    std::optional<Times> shell;
    std::optional<Times> shellRun;
    double goal;
};

QByteArray verdict(double goal, double ratio)
{
    if (goal <= 0.0 || ratio <= 0.0)
        return "-";
    return QByteArray("<=") + QByteArray::number(goal, 'f', 1) + "x " +
           (ratio <= goal ? "met" : "NOT met");
}

void printTable(const std::vector<Figures>& table, double Times::*kind)
{
    std::printf("%-40s %7s %10s %10s %7s %10s %7s %-14s %10s %7s %s\n", "path", "rows", "program",
                "bare C", "/bare", "statement", "/stmt", "goal", "shell run", "/run", "goal");
    for (const Figures& f : table) {
        const double program = f.program.*kind;
        const double bare = f.bare.*kind;
        const double shell = f.shell ? (*f.shell).*kind : -1.0;
        const double run = f.shellRun ? (*f.shellRun).*kind : -1.0;
        const double toShell = shell > 0.0 ? program / shell : 0.0;
        const double toRun = run > 0.0 ? program / run : 0.0;
        std::printf(
            "%-40s %7lld %7.2f ms %7.2f ms %6.2fx %7.2f ms %6.2fx %-14s %7.2f ms %6.2fx %s\n",
            f.name, f.rows, program, bare, program / bare, shell, toShell,
            verdict(f.goal, toShell).constData(), run, toRun, verdict(f.goal, toRun).constData());
    }
}

// The grid as the user drives it: keys and the scrollbar, each followed by a paint.
void press(TDBGrid& grid, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&grid, &event);
}

void paint(TDBGrid& grid)
{
    grid.viewport()->repaint();
}

// Paints the grid counts, so a key's screen is timed with exactly one paint: the grid is shown,
// and the events after the key already paint it.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
PaintCounter g_paints;

// The events a key leaves (its paint among them), and a paint only when they brought none.
void settle(TDBGrid& grid)
{
    const int before = g_paints.paints;
    QCoreApplication::processEvents();
    if (g_paints.paints == before)
        paint(grid);
}

// The register view's parts as the data module composes them, for the floors' statements.
QByteArray registerFrom(const TmyDataBase& dm)
{
    // Its period and taxpayer lines, as the last refresh wrote them.
    return NormalizeSql(QStringLiteral(" FROM rejestr.DB WHERE 1=1 ") + dm.DBFRejestr.sql().at(2) +
                        u' ' + dm.DBFRejestr.sql().at(3))
        .toUtf8();
}

QByteArray countSql(const TmyDataBase& dm)
{
    return "SELECT COUNT(*)" + registerFrom(dm);
}

// The last screen: the view's order reversed, tie-break too, LIMIT 60.
QByteArray lastScreenSql(const TmyDataBase& dm)
{
    return "SELECT *" + registerFrom(dm) + " ORDER BY " +
           dm.SortExpression(dm.RejestrSortField()).toUtf8() +
           (dm.RejestrSortAscending() ? " DESC" : " ASC") + ", rowid DESC LIMIT 60";
}

struct Goal
{
    QByteArray name;
    Times program;
    Times floor;
    double goal;
    QByteArray note;
};

void printGoals(const std::vector<Goal>& goals)
{
    std::printf("%-52s %11s %11s %7s %7s  %s\n", "path (median)", "program", "C floor", "ratio",
                "goal", "");
    for (const Goal& g : goals) {
        const double ratio = g.floor.wall > 0 ? g.program.wall / g.floor.wall : 0.0;
        std::printf("%-52s %8.2f ms %8.2f ms %6.2fx %6s  %s%s\n", g.name.constData(),
                    g.program.wall, g.floor.wall, ratio,
                    g.goal > 0 ? QByteArray::number(g.goal, 'f', 1).append('x').constData() : "-",
                    g.goal > 0 ? (ratio <= g.goal ? "met " : "NOT met ") : "", g.note.constData());
    }
}

// Times `action` (after the untimed `before`) against the C floor's statements, taking turns.
Goal timeAgainstFloor(const QByteArray& name, int repeats, sqlite3* db,
                      const std::function<void()>& before, const std::function<void()>& action,
                      const std::vector<QByteArray>& floor, double goal)
{
    std::vector<Times> program;
    std::vector<Times> bare;
    before();
    action(); // warm-up
    floorRun(db, floor);
    for (int i = 0; i < repeats; ++i) {
        if (i % 2)
            bare.push_back(floorRun(db, floor).time);
        before();
        const Stopwatch t;
        action();
        program.push_back(t.elapsed());
        if (i % 2 == 0)
            bare.push_back(floorRun(db, floor).time);
    }
    return {name, median(program), median(bare), goal, {}};
}

// Ctrl+End (plain and after a sort) and a scrollbar jump to the middle, each to the painted
// screen, against the C floor of what it needs.
void benchEnds(TmyDataBase& dm, TDBGrid& grid, qint64 taxpayer, int repeats,
               std::vector<Goal>& goals)
{
    sqlite3* db = dm.DatabaseMain.handle();
    const auto openView = [&](const QString& sortField) {
        dm.SetRejestrTaxpayer(taxpayer);
        dm.SetRejestrYearMonth(0, 0);
        dm.SetRejestrSort(sortField, true);
        dm.RefreshRejestr();
        paint(grid); // the first screen, as after the click that opened it
    };
    for (const QString& field : {QStringLiteral("ID"), QStringLiteral("NAZWISKO")}) {
        openView(field);
        const std::vector<QByteArray> floor{countSql(dm), lastScreenSql(dm)};
        Goal g = timeAgainstFloor(
            field == QLatin1String("ID") ? "Ctrl+End, all rows by ID"
                                         : "Ctrl+End after a sort by NAZWISKO",
            repeats, db, [&] { openView(field); },
            [&] {
                press(grid, Qt::Key_End, Qt::ControlModifier);
                settle(grid);
            },
            floor, 2.0);
        g.note = "floor: COUNT + last screen reversed LIMIT 60; on row " +
                 QByteArray::number(grid.currentIndex().row() + 1) + " of " +
                 QByteArray::number(grid.model()->rowCount());
        goals.push_back(g);
    }

    // The middle by the scrollbar, once the view is counted (as it is after its first paint).
    openView(QStringLiteral("ID"));
    QCoreApplication::processEvents();
    const int rows = grid.model()->rowCount();
    const int middle = std::max(0, rows / 2 - kScreenRows / 2);
    const QByteArray middleSql = "SELECT *" + registerFrom(dm) + " ORDER BY ID ASC, rowid LIMIT " +
                                 QByteArray::number(2 * kScreenRows) + " OFFSET " +
                                 QByteArray::number(middle);
    Goal g = timeAgainstFloor(
        "scrollbar to the middle, all rows by ID", repeats, db,
        [&] {
            openView(QStringLiteral("ID"));
            QCoreApplication::processEvents();
        },
        [&] {
            grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum() / 2);
            paint(grid);
        },
        {middleSql}, 0.0);
    g.note = "floor: LIMIT 120 OFFSET the middle; top row " +
             QByteArray::number(grid.rowAt(0) + 1) + " of " +
             QByteArray::number(grid.model()->rowCount());
    goals.push_back(g);
}

// Locate after saving an edited entry (one in the middle of the view) and an added one (the
// highest number), as the program does it: the view run again, the row found, its screen
// painted. The floor finds its position: the row's key, then COUNT of the rows before it.
void benchLocate(TmyDataBase& dm, TDBGrid& grid, qint64 taxpayer, qint64 big, qint64 lastId,
                 int repeats, std::vector<Goal>& goals)
{
    sqlite3* db = dm.DatabaseMain.handle();
    dm.SetRejestrTaxpayer(taxpayer);
    dm.SetRejestrYearMonth(0, 0);
    dm.SetRejestrSort(QStringLiteral("ID"), true);
    for (const qint64 id : {lastId / 2, lastId}) {
        const QByteArray where = registerFrom(dm) + " AND ID=" + QByteArray::number(id) +
                                 " AND IDKONTRAHENTA=" + QByteArray::number(big);
        const qint64 rowid = scalar(db, "SELECT rowid" + where).value_or(-1);
        const std::vector<QByteArray> floor{"SELECT ID, rowid" + where,
                                            "SELECT COUNT(*)" + registerFrom(dm) +
                                                " AND ID <= " + QByteArray::number(id) +
                                                " AND (ID < " + QByteArray::number(id) +
                                                " OR rowid < " + QByteArray::number(rowid) + ")"};
        Goal g = timeAgainstFloor(
            id == lastId ? "locate after saving the added (last) entry"
                         : "locate after saving an edited entry (middle)",
            repeats, db, [&] { QCoreApplication::processEvents(); },
            [&] {
                dm.RefreshRejestr();
                dm.LocateRejestr(id, big);
                paint(grid);
            },
            floor, 2.0);
        g.note = "on ID " + QByteArray::number(dm.DBFRejestr.asInteger(QStringLiteral("ID"))) +
                 ", row " + QByteArray::number(dm.DBFRejestr.cursor() + 1);
        goals.push_back(g);
    }
    QCoreApplication::processEvents();
}

// PageDown from the first row to the last, one paint per key: the longest step is the stall a
// user feels.
void benchPageDown(TmyDataBase& dm, TDBGrid& grid, qint64 taxpayer)
{
    dm.SetRejestrTaxpayer(taxpayer);
    dm.SetRejestrYearMonth(0, 0);
    dm.SetRejestrSort(QStringLiteral("ID"), true);
    dm.RefreshRejestr();
    paint(grid);
    std::vector<double> steps;
    int last = -1;
    const long anonBefore = statusKiB("RssAnon:");
    while (grid.currentIndex().row() != last) {
        last = grid.currentIndex().row();
        const Stopwatch t;
        press(grid, Qt::Key_PageDown);
        settle(grid);
        steps.push_back(t.elapsed().wall);
    }
    const auto longest = std::max_element(steps.begin(), steps.end());
    const auto slow = std::count_if(steps.begin(), steps.end(), [](double ms) { return ms > 50; });
    std::printf("PageDown through all %d rows: %zu steps, median %.2f ms, longest %.2f ms (step "
                "%td), %td steps over 50 ms (goal: none)\n",
                grid.model()->rowCount(), steps.size(), median(steps),
                longest == steps.end() ? 0.0 : *longest, longest - steps.begin(), slow);
    std::printf("  anonymous memory after the walk: %+.1f MiB\n",
                double(statusKiB("RssAnon:") - anonBefore) / 1024.0);
}

void printUsage()
{
    std::fprintf(stderr,
                 "usage: bench_views DIR [REPEATS] [--pragma SQL]...\n"
                 "  DIR: a program directory made by bench_generate; REPEATS: runs per path (7)\n"
                 "  --pragma SQL: experiment only, run SQL on the program's connection after each\n"
                 "                DMCreate (the program itself does not)\n");
}

} // namespace

int main(int argc, char** argv)
{
    // The grid is driven and painted as on screen, without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QStringList pragmas;
    for (qsizetype i = args.indexOf(QStringLiteral("--pragma")); i >= 0;
         i = args.indexOf(QStringLiteral("--pragma"))) {
        if (i + 1 >= args.size()) {
            printUsage();
            return 2;
        }
        pragmas << args.at(i + 1);
        args.remove(i, 2);
    }
    bool repeatsOk = true;
    if (args.size() == 2)
        args.at(1).toInt(&repeatsOk);
    if (args.isEmpty() || args.size() > 2 || !repeatsOk ||
        args.first().startsWith(QLatin1String("--"))) {
        printUsage();
        return 2;
    }
    const QString dir = QDir(args.at(0)).absolutePath();
    const int repeats = args.size() > 1 ? std::max(1, args.at(1).toInt()) : 7;
    const QString dbDir = dir + QStringLiteral("/db");
    if (!QFileInfo::exists(dbDir + QStringLiteral("/rejestr.DB"))) {
        std::fprintf(stderr, "%s/rejestr.DB not found\n", qPrintable(dbDir));
        return 1;
    }
    SetProgramDir(dir);
    SetRegional(SystemRegionalSettings());
    BuildDateTexts();
    SetTableNames();
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));

    std::printf("bench_views on %s\n", qPrintable(dir));
    std::printf("SQLite library %s, sqlite3 shell %s, Qt %s, %d cores; median of %d runs after one "
                "untimed warm-up run per path\n",
                sqlite3_libversion(), qPrintable(shellVersion(shell)), qVersion(),
                QThread::idealThreadCount(), repeats);
    for (const QString& pragma : std::as_const(pragmas))
        std::printf("EXPERIMENT, not the program's setting: %s after each DMCreate\n",
                    qPrintable(pragma));
    const qint64 warmed = warmPageCache(dbDir);
    std::printf("page cache warmed: read %.0f MiB of table files before measuring\n",
                double(warmed) / 1048576.0);

    const long rssStart = statusKiB("VmRSS:");
    TmyDataBase dm;
    ViewModel taxpayerGrid(&dm.DBFKontrahenci, KontrahenciColumns());
    ViewModel registerGrid(&dm.DBFRejestr, RejestrColumns());
    const auto openDataModule = [&] {
        dm.DMCreate();
        for (const QString& pragma : std::as_const(pragmas))
            dm.DatabaseMain.exec(pragma);
    };
    openDataModule();
    paintScreen(taxpayerGrid, 0);
    const long rssIdle = statusKiB("VmRSS:");
    const long anonIdle = statusKiB("RssAnon:");

    // The taxpayer with most entries, found in the data rather than assumed.
    const auto busiest = [&] {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(dm.DatabaseMain.handle(),
                           "SELECT IDKONTRAHENTA, COUNT(*) FROM rejestr GROUP BY IDKONTRAHENTA "
                           "ORDER BY 2 DESC LIMIT 1",
                           -1, &raw, nullptr);
        SqliteStatementPtr st(raw);
        sqlite3_step(raw);
        return std::pair<qint64, qint64>(sqlite3_column_int64(raw, 0),
                                         sqlite3_column_int64(raw, 1));
    }();
    const qint64 big = busiest.first;
    const qint64 lastId = dm.MaxRejestrID(big);
    // The year the program selects at start: the current year of its clock.
    const int year = Now().date().year();
    const qint64 taxpayer = big;
    const QString rangeFrom = QStringLiteral("01-04-2013");
    const QString rangeTo = QStringLiteral("30-06-2013");
    std::printf("taxpayer %lld holds %lld entries (last ID %lld); current year %d\n\n", big,
                busiest.second, lastId, year);

    // Memory: the largest view's first, middle (scrollbar) and last rows visited in a grid on
    // screen, against idle above.
    TDBGrid grid(&dm.DBFRejestr, RejestrColumns());
    grid.resize(1200, 800);
    grid.show();
    grid.viewport()->installEventFilter(&g_paints);
    // Idle as the program sits after login: its window shown, the register grid painted empty
    // (the window's pixels are not the rows' cost).
    paint(grid);
    QCoreApplication::processEvents();
    const long rssShown = statusKiB("VmRSS:");
    const long anonShown = statusKiB("RssAnon:");
    dm.SetRejestrTaxpayer(taxpayer);
    dm.SetRejestrYearMonth(0, 0);
    dm.SetRejestrSort(QStringLiteral("ID"), true);
    dm.RefreshRejestr();
    paint(grid);
    QCoreApplication::processEvents();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum() / 2);
    paint(grid);
    const int middleRow = grid.rowAt(0);
    press(grid, Qt::Key_End, Qt::ControlModifier);
    QCoreApplication::processEvents();
    paint(grid);
    const long rssFull = statusKiB("VmRSS:");
    const long anonFull = statusKiB("RssAnon:");
    const int fullRows = grid.model()->rowCount();
    const int lastRow = grid.currentIndex().row();
    const std::size_t cacheBytes = dm.DBFRejestr.cacheBytes();
    dm.SetRejestrTaxpayer(-1);
    dm.RefreshRejestr();
    const long rssAfter = statusKiB("VmRSS:");
    std::printf("memory (VmRSS): %.1f MiB at start, %.1f MiB idle after DMCreate, %.1f MiB with "
                "the grid shown (anonymous +%.1f MiB)\n",
                double(rssStart) / 1024.0, double(rssIdle) / 1024.0, double(rssShown) / 1024.0,
                double(anonShown - anonIdle) / 1024.0);
    std::printf("  taxpayer %lld's %d rows by ID, in a grid: first screen, scrollbar to the middle "
                "(top row %d), Ctrl+End (row %d): %.1f MiB, +%.1f MiB over idle (anonymous "
                "+%.1f MiB); rows held %.2f MiB\n",
                big, fullRows, middleRow + 1, lastRow + 1, double(rssFull) / 1024.0,
                double(rssFull - rssShown) / 1024.0, double(anonFull - anonShown) / 1024.0,
                double(cacheBytes) / 1048576.0);
    std::printf("  after that view was closed again: %.1f MiB\n\n", double(rssAfter) / 1024.0);

    const auto registerSql = [&] { return NormalizeSql(dm.DBFRejestr.text()).toUtf8(); };
    const auto registerRead = [&] { return registerGrid.rowCount(); };
    const auto paintRegister = [&] { return paintScreen(registerGrid, 0); };
    // The register of the current year (the program's start) or of every year (0).
    const auto showRegister = [&](int ofYear) {
        dm.SetRejestrTaxpayer(taxpayer);
        dm.SetRejestrYearMonth(ofYear, 0);
        dm.SetRejestrSort(QStringLiteral("ID"), true);
    };

    std::vector<Path> paths;
    paths.push_back({"open the data module (DMCreate)", [&] { dm.DBFRejestr.close(); },
                     openDataModule, [&] { return paintScreen(taxpayerGrid, 0); },
                     [&] { return taxpayerGrid.rowCount(); },
                     [&] { return NormalizeSql(dm.DBFKontrahenci.text()).toUtf8(); }});
    paths.push_back({"switch to the taxpayer, current year",
                     [&] {
                         showRegister(year);
                         dm.SetRejestrTaxpayer(-1);
                         dm.RefreshRejestr();
                     },
                     [&] {
                         dm.SetRejestrTaxpayer(taxpayer);
                         dm.RefreshRejestr();
                     },
                     paintRegister,
                     registerRead,
                     registerSql,
                     {},
                     "LIMIT 60",
                     1.0});
    paths.push_back({"(Wszystkie): all rows by ID",
                     [&] { showRegister(year); },
                     [&] {
                         dm.SetRejestrYearMonth(0, 0);
                         dm.RefreshRejestr();
                     },
                     paintRegister,
                     registerRead,
                     registerSql,
                     {},
                     "LIMIT 60",
                     2.0});
    paths.push_back({"(Wszystkie): sorted by NAZWISKO",
                     [&] { showRegister(0); },
                     [&] { dm.SortRejestrBy(QStringLiteral("NAZWISKO")); },
                     paintRegister,
                     registerRead,
                     registerSql,
                     {},
                     "LIMIT 60",
                     1.5});
    paths.push_back({"date range 01-04-2013 .. 30-06-2013", [&] { showRegister(year); },
                     [&] {
                         dm.SetRejestrDateRange(rangeFrom, rangeTo);
                         dm.RefreshRejestr();
                     },
                     paintRegister, registerRead, registerSql});
    paths.push_back(
        {"locate the last entry (all rows by ID)", [&] { showRegister(0); },
         [&] {
             dm.RefreshRejestr();
             dm.LocateRejestr(lastId, big);
         },
         [&] { return paintScreen(registerGrid, dm.DBFRejestr.cursor() - kScreenRows + 1); },
         registerRead, registerSql, BareStop{0, lastId, big},
         // An OFFSET would let the shell skip the row reads, so it reads them all.
         ""});
    paths.push_back({"SumRejestr, current year", [&] { showRegister(year); },
                     [&] {
                         const std::optional<RejestrSums> sums = dm.SumRejestr();
                         g_sink = g_sink + std::size_t(sums ? sums->count.size() : 0);
                     },
                     [] { return 0; }, [] { return 1; },
                     [&] { return NormalizeSql(dm.DBFRejestrSUMA.text()).toUtf8(); }, BareStop{1},
                     "LIMIT 60", 1.0});

    std::vector<Figures> table;
    for (Path& path : paths) {
        path.before();
        path.action();
        path.paint();
        const QByteArray sql = path.sql();
        const qint64 rows =
            scalar(dm.DatabaseMain.handle(), "SELECT COUNT(*) FROM (" + sql + ")").value_or(-1);
        const QByteArray& limit = path.shellLimit;
        // The shell has no Polish collation: it sorts the same statement in binary order, the
        // figure the Polish order is measured against.
        const QByteArray shellSql =
            QByteArray(sql + limit).replace(" COLLATE " + QByteArray(kPolishCollation), "");
        // The bare run steps exactly what the program sent (its own LIMIT and tie-break),
        // when the action keeps the connection; otherwise the view's text to the stop row.
        path.before();
        const std::vector<QByteArray> sent = traced(dm.DatabaseMain.handle(), [&] {
            path.action();
            path.paint();
        });
        const auto bareOnce = [&] {
            return sent.empty() ? bareRun(dm.DatabaseMain.handle(), sql, path.stop).time
                                : floorRun(dm.DatabaseMain.handle(), sent).time;
        };
        bareOnce();
        // Enough shell runs per process for about 100 ms, so its 1 ms steps average out.
        const std::optional<Times> estimate = shellMean(shell, dbDir, shellSql, 5);
        const int shellRunsEach =
            std::clamp(int(100.0 / std::max(estimate ? estimate->wall : 1.0, 0.05)), 5, 2000);

        // Program, bare and shell take turns (program and bare swap places each run), so a load
        // from outside and SQLite's page cache favour none of them.
        std::vector<Times> program;
        std::vector<Times> operation;
        std::vector<double> painting;
        std::vector<Times> bare;
        std::vector<Times> shellRuns;
        std::vector<Times> shellWholeRuns;
        int painted = 0;
        int read = 0;
        for (int i = 0; i < repeats; ++i) {
            const auto runBare = [&] {
                // The action may have reconnected: always the connection the program holds now.
                bare.push_back(bareOnce());
            };
            if (i % 2)
                runBare();
            path.before();
            const Stopwatch t;
            path.action();
            operation.push_back(t.elapsed());
            painted = path.paint();
            program.push_back(t.elapsed());
            painting.push_back(program.back().wall - operation.back().wall);
            read = path.rowsRead();
            if (i % 2 == 0)
                runBare();
            if (const std::optional<Times> s = shellMean(shell, dbDir, shellSql, shellRunsEach))
                shellRuns.push_back(*s);
            if (const std::optional<Times> s = shellWholeRun(shell, dbDir, shellSql))
                shellWholeRuns.push_back(*s);
        }

        const Figures f{path.name,
                        rows,
                        median(program),
                        median(bare),
                        shellRuns.empty() ? std::nullopt : std::optional<Times>(median(shellRuns)),
                        shellWholeRuns.empty() ? std::nullopt
                                               : std::optional<Times>(median(shellWholeRuns)),
                        path.goal};
        table.push_back(f);

        std::printf("%s\n", path.name);
        std::printf("  SQL: %s\n", sql.simplified().constData());
        std::printf(
            "  plan: %s\n",
            qPrintable(queryPlan(dm.DatabaseMain.handle(), sql).join(QStringLiteral(" | "))));
        std::printf("  rows in the view %lld; the grid model had %d, the grid painted %d\n", rows,
                    read, painted);
        std::printf("  program %.2f ms (data module %.2f + grid %.2f), CPU %.2f ms\n",
                    f.program.wall, median(operation).wall, median(painting), f.program.cpu);
        std::printf("  bare C API (%s) %.2f ms, CPU %.2f ms\n",
                    sent.empty() ? "the view's text" : "the statements sent", f.bare.wall,
                    f.bare.cpu);
        for (const QByteArray& statement : sent)
            std::printf("  sent: %s\n", statement.simplified().constData());
        if (f.shell)
            std::printf("  shell \"... %s\": %.2f ms, CPU %.2f ms (mean of %d runs per process, "
                        "median of %zu processes)\n",
                        limit.isEmpty() ? "(no LIMIT)" : limit.constData(), f.shell->wall,
                        f.shell->cpu, shellRunsEach, shellRuns.size());
        else
            std::printf("  shell: not measured (no sqlite3 on PATH or it failed)\n");
        if (f.shellRun)
            std::printf("  shell's whole run (start, attach, the statement once, exit): %.2f ms, "
                        "CPU %.2f ms (median of %zu runs)\n",
                        f.shellRun->wall, f.shellRun->cpu, shellWholeRuns.size());
        std::printf("\n");
    }

    std::printf("statement: the shell's .timer figure for the statement alone on an open "
                "connection;\nshell run: one whole sqlite3 process (start, attach, the statement "
                "once, exit), as `time sqlite3 ...` reports it\n\n");
    std::printf("wall-clock medians\n");
    printTable(table, &Times::wall);
    std::printf("\nCPU-time medians (this thread; the shell's user + sys)\n");
    printTable(table, &Times::cpu);
    std::printf("memory: idle with the grid shown %.1f MiB; first, middle and last rows of %d "
                "visited %.1f MiB, difference %.1f MiB, anonymous %.1f MiB (goal <= 10 MiB: "
                "%s)\n\n",
                double(rssShown) / 1024.0, fullRows, double(rssFull) / 1024.0,
                double(rssFull - rssShown) / 1024.0, double(anonFull - anonShown) / 1024.0,
                anonFull - anonShown <= 10 * 1024 ? "met" : "NOT met");

    std::vector<Goal> goals;
    benchEnds(dm, grid, taxpayer, repeats, goals);
    benchLocate(dm, grid, taxpayer, big, lastId, repeats, goals);
    std::printf("wall-clock medians against the C floor (same statements, this connection)\n");
    printGoals(goals);
    benchPageDown(dm, grid, taxpayer);
    return 0;
}
