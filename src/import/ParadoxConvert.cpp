#include "import/ParadoxConvert.h"

#include "data/FileUtil.h"
#include "dbengine/SqliteFile.h"
#include "import/ParadoxReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <filesystem>
#include <system_error>

namespace {

// Long enough for the largest register on a slow disk; a reader that takes longer is stuck.
constexpr int kBaseTimeLimitMs = 30000;
constexpr int kTimeLimitMsPerMb = 1000;

QString g_reader;
int g_timeLimitMs = 0;

// The table's own name, or empty for a file name that is none of the two tables.
QString TableStem(const QString& tableFile)
{
    const QString stem = tableFile.section(u'.', 0, 0).toLower();
    return stem == QLatin1String("kontrahenci") || stem == QLatin1String("rejestr") ? stem
                                                                                    : QString();
}

// The rows of the table the reader wrote, or -1 when the file is no such table.
qint64 CountRows(const QString& file, const QString& stem)
{
    SqliteFile db;
    return db.open(file, SqliteFile::Mode::ReadOnly)
               ? db.scalar("SELECT count(*) FROM " + stem.toLatin1())
               : -1;
}

// What the reader's end says of the file, when it gave no reason of its own.
QString Unreadable(const QString& paradoxFile, const QString& why)
{
    return QStringLiteral("Nie można odczytać tabeli %1: plik jest uszkodzony (%2).")
        .arg(paradoxFile, why);
}

bool RunReader(const QString& paradoxFile, const QString& tableFile, const QString& sqliteFile,
               int codePage, ReadTable* result, QString* error, Progress* progress)
{
    const QString reader = ParadoxReaderProgram();
    if (reader.isEmpty())
        return Fail(error, QStringLiteral("Nie można odczytać tabeli %1: brak programu %2 obok "
                                          "programu %3.")
                               .arg(paradoxFile, QLatin1String(kParadoxReaderName),
                                    QCoreApplication::applicationFilePath()));
    const int limitMs =
        g_timeLimitMs > 0
            ? g_timeLimitMs
            : kBaseTimeLimitMs + int(qMin(QFileInfo(paradoxFile).size() >> 20, qint64(1) << 20)) *
                                     kTimeLimitMsPerMb;

    QProcess process;
    // pxlib's complaints are of no use here, and a full pipe would stop the reader.
    process.setStandardErrorFile(QProcess::nullDevice());
    QStringList arguments{tableFile, paradoxFile, sqliteFile};
    if (codePage != kLikelyCodePage)
        arguments << QString::number(codePage);
    process.start(reader, arguments);
    if (!process.waitForStarted())
        return Fail(error, QStringLiteral("Nie można odczytać tabeli %1: nie można uruchomić "
                                          "programu %2 (%3).")
                               .arg(paradoxFile, reader, process.errorString()));
    // Waited for in short steps, so the progress window repaints and can stop it.
    constexpr int kPollMs = 50;
    ProgressStart(progress, QStringLiteral("Odczyt tabeli %1").arg(paradoxFile), 0);
    QElapsedTimer clock;
    clock.start();
    while (!process.waitForFinished(kPollMs)) {
        const bool stopped = !ProgressStep(progress, clock.elapsed());
        if (stopped || clock.elapsed() > limitMs) {
            process.kill();
            process.waitForFinished();
            if (stopped)
                return Fail(error, QStringLiteral("Odczyt tabeli %1 przerwano.").arg(paradoxFile));
            return Fail(error, Unreadable(paradoxFile, QStringLiteral("odczyt nie skończył się w "
                                                                      "ciągu %1 s")
                                                           .arg(limitMs / 1000.0)));
        }
    }
    if (process.exitStatus() == QProcess::CrashExit)
        return Fail(error, Unreadable(paradoxFile, QStringLiteral("odczyt przerwała awaria")));
    const QString answer = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    if (process.exitCode() == kParadoxReaderRefused && !answer.isEmpty())
        return Fail(error, answer);
    const QStringList parts = answer.split(u' ');
    bool counted = parts.size() == 3;
    ReadTable read;
    read.rows = counted ? parts[0].toLongLong(&counted) : 0;
    read.codePage = counted ? parts[1].toInt(&counted) : 0;
    read.declaredPage = counted ? parts[2].toInt(&counted) : 0;
    if (process.exitCode() != 0 || !counted)
        return Fail(
            error,
            Unreadable(paradoxFile,
                       QStringLiteral("odczyt zakończył się błędem %1").arg(process.exitCode())));
    // The table file must hold what the reader says it wrote before it may replace anything.
    if (CountRows(sqliteFile, TableStem(tableFile)) != read.rows)
        return Fail(
            error,
            QStringLiteral("Nie można zapisać tabeli %1 w pliku %2.").arg(paradoxFile, sqliteFile));
    if (result)
        *result = read;
    return true;
}

} // namespace

bool IsSqliteFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
}

QString ParadoxReaderProgram()
{
    if (!g_reader.isEmpty())
        return g_reader;
    const QDir dir(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {dir.filePath(QLatin1String(kParadoxReaderName)),
          dir.filePath(QStringLiteral("bin/") + QLatin1String(kParadoxReaderName))}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return {};
}

void SetParadoxReader(const QString& program, int timeLimitMs)
{
    g_reader = program;
    g_timeLimitMs = timeLimitMs;
}

bool ConvertParadoxTable(const QString& paradoxFile, const QString& tableFile,
                         const QString& sqliteFile, int codePage, ReadTable* result, QString* error,
                         Progress* progress)
{
    if (TableStem(tableFile).isEmpty())
        return Fail(error, QStringLiteral("Nieznana tabela %1.").arg(tableFile));
    RemoveDatabaseFile(sqliteFile);
    if (RunReader(paradoxFile, tableFile, sqliteFile, codePage, result, error, progress))
        return true;
    RemoveDatabaseFile(sqliteFile);
    return false;
}

bool ConvertParadoxTable(const QString& paradoxFile, const QString& tableFile,
                         const QString& sqliteFile, qint64* rows, QString* error)
{
    ReadTable read;
    if (!ConvertParadoxTable(paradoxFile, tableFile, sqliteFile, kLikelyCodePage, &read, error,
                             nullptr))
        return false;
    if (rows)
        *rows = read.rows;
    return true;
}
