#include "BenchSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

#include <algorithm>
#include <ctime>

double median(std::vector<double> v)
{
    if (v.empty())
        return -1.0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

Times median(const std::vector<Times>& runs)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const Times& t : runs) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    return {median(wall), median(cpu)};
}

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

long statusKiB(const char* field)
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

QString sqlLiteral(const QString& text)
{
    QString q = text;
    q.replace(u'\'', QStringLiteral("''"));
    return u'\'' + q + u'\'';
}

std::optional<Times> shellMean(const QString& shell, const QString& dbDir, const QByteArray& sql,
                               int times)
{
    QTemporaryFile script(QDir::tempPath() + QStringLiteral("/bench_shell_XXXXXX.sql"));
    if (shell.isEmpty() || !script.open())
        return std::nullopt;
    QByteArray text;
    for (const char* stem : {"kontrahenci", "rejestr"}) {
        const QString file = dbDir + u'/' + QLatin1String(stem) + QStringLiteral(".DB");
        text += "ATTACH " + sqlLiteral(file).toUtf8() + " AS " + stem + ";\n";
    }
    text += ".output /dev/null\n" + sql + ";\n.timer on\n";
    for (int i = 0; i < times; ++i)
        text += sql + ";\n";
    script.write(text);
    script.close();

    QProcess p;
    p.setStandardInputFile(script.fileName());
    p.start(shell, {QStringLiteral("-batch"), QStringLiteral(":memory:")});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return std::nullopt;
    Times total;
    int runs = 0;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        // "Run Time: real 0.004 user 0.003741 sys 0.000275"
        if (words.size() >= 8 && words[0] == "Run" && words[2] == "real") {
            total.wall += words[3].toDouble() * 1000.0;
            total.cpu += (words[5].toDouble() + words[7].toDouble()) * 1000.0;
            ++runs;
        }
    }
    if (runs != times)
        return std::nullopt;
    return Times{total.wall / runs, total.cpu / runs};
}
