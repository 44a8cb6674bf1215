// bench_server DIR [REPEATS]: the register's year view (its first screen) and its sums with the
// tables on a PostgreSQL server: a server of the benchmark's own, loaded with the table files of
// DIR (made by bench_generate) as a restore loads them, read through the program's data module
// against psql running the same statement texts with the same values over the same socket. The
// same two on the table files against the sqlite3 shell follow for reference. It measures and
// prints; it never judges by exit code.
#include "BenchSupport.h"
#include "data/Clock.h"
#include "data/IniFile.h"
#include "data/Regional.h"
#include "data/ServerSchema.h"
#include "data/ServerTables.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/PgConnection.h"
#include "dbengine/SqliteHandles.h"
#include "support/PgCluster.h"
#include "tools/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#include <functional>
#include <optional>
#include <vector>

namespace {

// A statement as the server got it: its text and the values of $1..$n (nullopt: NULL).
struct Sent
{
    QByteArray sql;
    QList<std::optional<QByteArray>> values;
};

// What the program hands to libpq: the statements while `capture` is on, and the time spent
// waiting for the server's answers.
struct Wire
{
    bool capture = false;
    std::vector<Sent> sent;
    double ms = 0.0;
};
Wire g_wire;

} // namespace

// The program's one way of sending a statement, wrapped here (this definition wins over the
// library's for the code linked into this program) so the benchmark sees exactly what is sent
// and how long the answer takes; the library's own function does the work.
extern "C" PGresult* PQexecParams(PGconn* conn, const char* command, int nParams,
                                  const Oid* paramTypes, const char* const* paramValues,
                                  const int* paramLengths, const int* paramFormats,
                                  int resultFormat)
{
    using Fn = PGresult* (*)(PGconn*, const char*, int, const Oid*, const char* const*, const int*,
                             const int*, int);
    static const Fn real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "PQexecParams"));
    if (g_wire.capture) {
        Sent s{QByteArray(command), {}};
        for (int i = 0; i < nParams; ++i)
            s.values << (paramValues && paramValues[i]
                             ? std::optional<QByteArray>(QByteArray(paramValues[i]))
                             : std::nullopt);
        g_wire.sent.push_back(std::move(s));
    }
    QElapsedTimer t;
    t.start();
    PGresult* result = real(conn, command, nParams, paramTypes, paramValues, paramLengths,
                            paramFormats, resultFormat);
    g_wire.ms += double(t.nsecsElapsed()) / 1e6;
    return result;
}

namespace {

// A value as an SQL literal of unknown type, as a text parameter of unknown type is: the server
// gives it the type its place asks for.
QByteArray literal(const std::optional<QByteArray>& value)
{
    if (!value)
        return "NULL";
    return '\'' + QByteArray(*value).replace('\'', "''") + '\'';
}

// The text with each $n outside quotes replaced by its value's literal.
QByteArray withLiterals(const Sent& s)
{
    QByteArray out;
    const QByteArray& t = s.sql;
    for (qsizetype i = 0; i < t.size();) {
        const char c = t[i];
        if (c == '\'' || c == '"') {
            qsizetype j = i + 1;
            while (j < t.size() && !(t[j] == c && (j + 1 >= t.size() || t[j + 1] != c)))
                j += t[j] == c ? 2 : 1;
            out += t.mid(i, j + 1 - i);
            i = j + 1;
        } else if (c == '$' && i + 1 < t.size() && std::isdigit(uchar(t[i + 1]))) {
            qsizetype j = i + 1;
            while (j < t.size() && std::isdigit(uchar(t[j])))
                ++j;
            out += literal(s.values.value(t.mid(i + 1, j - i - 1).toInt() - 1));
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

QByteArray oneLine(const QByteArray& sql)
{
    return sql.simplified();
}

// One psql session over the conninfo: `setup`, each statement once untimed, then `runs` times
// all statements under \timing. Answers per run the sum of the statements' figures (psql's
// "Time:", taken around sending the statement and receiving the whole result; printing the rows,
// here to /dev/null, comes after it). Empty, with the reason on stderr, when psql fails.
std::optional<std::vector<double>> psqlRuns(const QString& psql, const QString& conninfo,
                                            const QByteArray& setup,
                                            const QByteArrayList& statements, int runs)
{
    QTemporaryFile script(QDir::tempPath() + QStringLiteral("/bench_server_XXXXXX.sql"));
    if (psql.isEmpty() || !script.open())
        return std::nullopt;
    QByteArray text = "\\o /dev/null\n" + setup;
    for (const QByteArray& s : statements)
        text += s + ";\n";
    text += "\\timing on\n";
    for (int r = 0; r < runs; ++r) {
        for (const QByteArray& s : statements)
            text += s + ";\n";
    }
    script.write(text);
    script.close();
    QProcess p;
    p.start(psql, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                   QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), conninfo,
                   QStringLiteral("-f"), script.fileName()});
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "psql failed: %s\n", p.readAllStandardError().constData());
        return std::nullopt;
    }
    std::vector<double> perStatement;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        // "Time: 0.512 ms" (and "Time: 1234.567 ms (00:01.235)" above a second)
        if (line.startsWith("Time: "))
            perStatement.push_back(line.mid(6).split(' ').value(0).toDouble());
    }
    const auto k = std::size_t(statements.size());
    if (perStatement.size() != k * std::size_t(runs)) {
        std::fprintf(stderr, "psql gave %zu timings, expected %zu\n", perStatement.size(),
                     k * std::size_t(runs));
        return std::nullopt;
    }
    std::vector<double> out;
    for (std::size_t r = 0; r < std::size_t(runs); ++r) {
        double sum = 0.0;
        for (std::size_t i = 0; i < k; ++i)
            sum += perStatement[r * k + i];
        out.push_back(sum);
    }
    return out;
}

// The statements the program ran on the files, with their values, as SQLite started them.
int traceStatement(unsigned, void* context, void* statement, void*)
{
    auto* into = static_cast<QByteArrayList*>(context);
    if (char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement))) {
        into->append(QByteArray(sql));
        sqlite3_free(sql);
    }
    return 0;
}

// The program's figures of one action: wall-clock and the thread's CPU time, and the part of
// the wall-clock spent inside libpq waiting for the server.
struct ProgramRuns
{
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> wire;
};

void timeProgram(const std::function<void()>& before, const std::function<void()>& action, int runs,
                 ProgramRuns& into)
{
    for (int i = 0; i < runs; ++i) {
        before();
        g_wire.ms = 0.0;
        const double cpu = threadCpuMs();
        QElapsedTimer wall;
        wall.start();
        action();
        into.wall.push_back(double(wall.nsecsElapsed()) / 1e6);
        into.cpu.push_back(threadCpuMs() - cpu);
        into.wire.push_back(g_wire.ms);
    }
}

int g_failures = 0;

void printUsage()
{
    std::fprintf(stderr,
                 "usage: bench_server DIR [REPEATS]\n"
                 "  DIR: a program directory made by bench_generate; REPEATS: runs of each side\n"
                 "  per statement (15), in three blocks taking turns\n");
}

// One action measured on both sides: the program, and psql with the values written into the
// text and with the text prepared once and executed with the values.
struct ServerFigures
{
    const char* name;
    double goal;
    ProgramRuns program;
    std::vector<double> literal;
    std::vector<double> prepared;
};

void printServerTable(const std::vector<ServerFigures>& rows)
{
    std::printf("%-32s %10s %10s %10s %12s %7s %12s %7s %s\n", "statement", "program", "(libpq)",
                "(CPU)", "psql literal", "ratio", "psql prepare", "ratio", "goal");
    for (const ServerFigures& f : rows) {
        const double program = median(f.program.wall);
        const double literal = median(f.literal);
        const double prepared = median(f.prepared);
        const double worst = std::max(program / literal, program / prepared);
        std::printf("%-32s %7.3f ms %7.3f ms %7.3f ms %9.3f ms %6.2fx %9.3f ms %6.2fx <=%.1fx "
                    "%s\n",
                    f.name, program, median(f.program.wire), median(f.program.cpu), literal,
                    program / literal, prepared, program / prepared, f.goal,
                    literal > 0 && prepared > 0 && worst <= f.goal ? "met" : "NOT met");
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool repeatsOk = true;
    if (args.size() == 2)
        repeatsOk = args.at(1).toInt() >= 1;
    if (args.isEmpty() || args.size() > 2 || !repeatsOk ||
        std::any_of(args.begin(), args.end(),
                    [](const QString& a) { return a.startsWith(QLatin1Char('-')); })) {
        printUsage();
        return 2;
    }
    const QString dir = QDir(args.at(0)).absolutePath();
    const int repeats = args.size() > 1 ? args.at(1).toInt() : 15;
    const QString dbDir = dir + QStringLiteral("/db");
    for (const char* file : {"/kontrahenci.DB", "/rejestr.DB"}) {
        if (!QFileInfo::exists(dbDir + QLatin1String(file))) {
            std::fprintf(stderr, "%s%s not found\n", qPrintable(dbDir), file);
            return 1;
        }
    }
    SetRegional(SystemRegionalSettings());
    BuildDateTexts();
    SetTableNames();
    SetInfoHandler([](const QString& title, const QString& message) {
        ++g_failures;
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(message));
    });
    const QString psql = QStandardPaths::findExecutable(QStringLiteral("psql"));
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (psql.isEmpty()) {
        std::fputs("psql not found\n", stderr);
        return 1;
    }

    // The server, and the data loaded as a restore onto it loads them.
    PgCluster& cluster = PgCluster::shared();
    QString why;
    const QString conninfo = cluster.createDatabase(&why);
    if (conninfo.isEmpty()) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(why));
        return 1;
    }
    PgConnection admin;
    QElapsedTimer loadTime;
    try {
        admin.open(conninfo);
        if (!InstallServerSchema(admin, nullptr, &why)) {
            std::fprintf(stderr, "schema: %s\n", qPrintable(why));
            return 1;
        }
        loadTime.start();
        const QHash<QString, QString> files{
            {QStringLiteral("kontrahenci"), dbDir + QStringLiteral("/kontrahenci.DB")},
            {QStringLiteral("rejestr"), dbDir + QStringLiteral("/rejestr.DB")}};
        if (!ReplaceServerTables(admin, files, {}, &why)) {
            std::fprintf(stderr, "load: %s\n", qPrintable(why));
            return 1;
        }
    } catch (const EDBEngineError& e) {
        std::fprintf(stderr, "server: %s\n", qPrintable(e.message()));
        return 1;
    }
    const double loadMs = double(loadTime.nsecsElapsed()) / 1e6;
    // The planner's statistics, as autovacuum makes them within a minute of such a load.
    admin.execScript("ANALYZE");
    const PgResult version = admin.exec("SELECT current_setting('server_version'), "
                                        "pg_size_pretty(pg_total_relation_size('rejestr'))");
    const PgResult busiest = admin.exec("SELECT IDKONTRAHENTA, COUNT(*) FROM rejestr GROUP BY "
                                        "IDKONTRAHENTA ORDER BY 2 DESC LIMIT 1");
    const qint64 big = busiest.value(0, 0).toLongLong();
    const int year = Now().date().year();

    std::printf("bench_server on %s\n", qPrintable(dir));
    std::printf("PostgreSQL %s (a server of this run's own: initdb defaults, Unix socket, "
                "fsync off), libpq %d, %d cores; median of %d runs per side after one untimed "
                "run\n",
                version.value(0, 0).constData(), PQlibVersion(), QThread::idealThreadCount(),
                repeats);
    std::printf("loaded both table files onto the server (ReplaceServerTables) in %.1f s, then "
                "ANALYZE; table rejestr with its indexes %s\n",
                loadMs / 1000.0, version.value(0, 1).constData());
    std::printf("taxpayer %lld holds %s entries; current year %d\n\n", big,
                busiest.value(0, 1).constData(), year);

    // A program directory whose rejestr.ini names the server.
    QTemporaryDir programDir;
    if (!programDir.isValid() || !InstallProgramDir(programDir.path()).ok) {
        std::fputs("cannot lay out a program directory\n", stderr);
        return 1;
    }
    IniFile ini(QDir(programDir.path()).filePath(kSettingsFile));
    ini.load();
    ini.setValue(kServerSection, kServerKey, conninfo.toUtf8());
    if (!ini.save(&why)) {
        std::fprintf(stderr, "rejestr.ini: %s\n", qPrintable(why));
        return 1;
    }
    SetProgramDir(programDir.path());
    TmyDataBase dm;
    dm.DMCreate();
    if (dm.DatabaseMain.store() != Database::Store::Server) {
        std::fputs("the data module did not connect to the server\n", stderr);
        return 1;
    }

    // The register's view at the program's start, from the empty view of no taxpayer.
    const auto noTaxpayer = [&](TmyDataBase& m) {
        m.SetRejestrTaxpayer(-1);
        m.RefreshRejestr();
    };
    const auto yearView = [&](TmyDataBase& m) {
        m.SetRejestrTaxpayer(big);
        m.SetRejestrYearMonth(year, 0);
        m.SetRejestrSort(QStringLiteral("ID"), true);
        m.RefreshRejestr();
    };
    std::optional<RejestrSums> sums;
    const auto sumsOf = [&](TmyDataBase& m) { sums = m.SumRejestr(); };

    struct Action
    {
        const char* name;
        double goal;
        std::function<void()> before;
        std::function<void()> action;
    };
    const std::vector<Action> actions{
        {"year view, first screen", 2.0, [&] { noTaxpayer(dm); }, [&] { yearView(dm); }},
        // The view's period and taxpayer stay set from the year view: the sums alone, back to back,
        // as psql runs them.
        {"SumRejestr, current year", 1.5, [] {}, [&] { sumsOf(dm); }},
    };

    std::vector<ServerFigures> table;
    for (const Action& a : actions) {
        a.before();
        g_wire.sent.clear();
        g_wire.capture = true;
        a.action();
        g_wire.capture = false;
        const std::vector<Sent> sent = g_wire.sent;
        std::printf("%s: the program sent %zu statement(s)\n", a.name, sent.size());
        QByteArrayList literals;
        QByteArrayList executes;
        QByteArray prepares = "SET plan_cache_mode = force_custom_plan;\n";
        for (std::size_t i = 0; i < sent.size(); ++i) {
            const Sent& s = sent[i];
            QByteArrayList values;
            for (const auto& v : s.values)
                values << literal(v);
            std::printf("  SQL: %s\n  values: %s\n", oneLine(s.sql).constData(),
                        values.isEmpty() ? "none" : values.join(", ").constData());
            literals << withLiterals(s);
            const QByteArray name = "bench_" + QByteArray::number(i + 1);
            prepares += "PREPARE " + name + " AS " + s.sql + ";\n";
            executes << "EXECUTE " + name +
                            (values.isEmpty() ? QByteArray() : '(' + values.join(", ") + ')');
            try {
                const PgResult plan =
                    admin.exec("EXPLAIN (ANALYZE, BUFFERS) " + literals.constLast());
                std::printf("  plan (EXPLAIN ANALYZE, values written in):\n");
                for (int r = 0; r < plan.rows(); ++r)
                    std::printf("    %s\n", plan.value(r, 0).constData());
            } catch (const EDBEngineError& e) {
                std::printf("  plan: %s\n", qPrintable(e.message()));
            }
        }
        ServerFigures f{a.name, a.goal, {}, {}, {}};
        // Untimed first runs: the program's, then psql's within its sessions.
        a.before();
        a.action();
        const int blocks = std::min(3, repeats);
        for (int b = 0; b < blocks; ++b) {
            const int runs = repeats / blocks + (b < repeats % blocks ? 1 : 0);
            timeProgram(a.before, a.action, runs, f.program);
            const auto literalRuns = psqlRuns(psql, conninfo, {}, literals, runs);
            const auto preparedRuns = psqlRuns(psql, conninfo, prepares, executes, runs);
            if (!literalRuns || !preparedRuns)
                return 1;
            f.literal.insert(f.literal.end(), literalRuns->begin(), literalRuns->end());
            f.prepared.insert(f.prepared.end(), preparedRuns->begin(), preparedRuns->end());
        }
        std::printf("  rows in the view: %d\n\n", dm.DBFRejestr.rowCount());
        table.push_back(std::move(f));
    }

    const auto printSums = [&](const char* store) {
        std::printf("sums on the %s: %s entries, amounts %s, tax %s\n", store,
                    sums ? qPrintable(sums->count) : "-", sums ? qPrintable(sums->amounts) : "-",
                    sums ? qPrintable(sums->values) : "-");
    };
    printSums("server");
    std::printf("Server, wall-clock medians. program: the data module's call on its open "
                "connection (the view's rows read into it), (libpq): of that, inside libpq "
                "until the whole answer is in, (CPU): the program thread's CPU time. psql: one "
                "session per block, \\timing of each statement (sending it to having the whole "
                "answer); literal: the values written into the text, prepare: the text "
                "PREPAREd once, EXECUTEd with the values, planned for them each time. ratio: "
                "program / psql; a goal is met when both ratios are within it.\n");
    printServerTable(table);

    // The same two on the table files, for reference.
    std::printf("\nTable files (for reference): the same actions through the data module on "
                "DIR's files, against the sqlite3 shell's .timer (mean of 100 runs per figure)\n");
    SetProgramDir(dir);
    TmyDataBase files;
    files.DMCreate();
    sqlite3* handle = files.DatabaseMain.handle();
    std::printf("%-32s %10s %12s %7s\n", "statement", "program", "shell", "ratio");
    for (const Action& a : {Action{"year view, first screen", 0, [&] { noTaxpayer(files); },
                                   [&] { yearView(files); }},
                            Action{"SumRejestr, current year", 0, [] {}, [&] { sumsOf(files); }}}) {
        a.before();
        QByteArrayList traced;
        sqlite3_trace_v2(handle, SQLITE_TRACE_STMT, traceStatement, &traced);
        a.action();
        sqlite3_trace_v2(handle, 0, nullptr, nullptr);
        ProgramRuns program;
        timeProgram(a.before, a.action, repeats, program);
        double shellMs = 0.0;
        bool shellOk = true;
        for (const QByteArray& sql : traced) {
            const auto mean = shellMean(shell, dbDir, sql, 100);
            shellOk = shellOk && mean.has_value();
            shellMs += mean ? mean->wall : 0.0;
        }
        const double programMs = median(program.wall);
        std::printf("%-32s %7.3f ms %9.3f ms %6.2fx   (%lld statement(s): %s)\n", a.name, programMs,
                    shellOk ? shellMs : -1.0, shellOk ? programMs / shellMs : 0.0,
                    qint64(traced.size()), oneLine(traced.value(0)).constData());
    }
    printSums("files");
    if (g_failures > 0)
        std::printf("\n%d error message(s) on the way: the figures above are not to be trusted\n",
                    g_failures);
    return 0;
}
