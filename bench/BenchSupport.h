#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// What every benchmark measures with: medians, this thread's CPU time, the process's memory as
// the kernel counts it, and the sqlite3 shell timing a statement.

// Wall-clock and CPU time in ms. CPU time leaves out the waits for a core that other processes
// on a shared machine cause, so its ratios stay steady when the wall-clock ones do not.
struct Times
{
    double wall = 0.0;
    double cpu = 0.0;
};

// The middle value (the mean of the two middle ones for an even count); -1 for none.
double median(std::vector<double> v);
Times median(const std::vector<Times>& runs);

double threadCpuMs();

// A field of /proc/self/status in KiB ("VmRSS:", "RssAnon:", "VmHWM:"); -1 when unreadable.
long statusKiB(const char* field);

// A text as an SQL string literal.
QString sqlLiteral(const QString& text);

// One sqlite3 shell process that ATTACHes both table files of dbDir under their stems, runs the
// statement once untimed and then `times` times under ".timer on"; answers the mean of those
// figures: "real" (whole milliseconds, so only a mean over many runs resolves shorter
// statements) and "user" + "sys" as CPU time. Empty when the shell is missing or fails.
std::optional<Times> shellMean(const QString& shell, const QString& dbDir, const QByteArray& sql,
                               int times);
