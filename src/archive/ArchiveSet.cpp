#include "archive/ArchiveSet.h"

#include "archive/uArchiveDescription.h"
#include "archive/uArchiveStore.h"
#include "data/FileUtil.h"
#include "data/uDefinicje.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

ArchiveStepHook g_hook;

const QString kStagedSuffix = QStringLiteral(".nowe");
// Its presence alone says that the staged set is complete and is to replace the old one.
const QString kMarker = QStringLiteral("zamiana-archiwum.trwa");

bool Present(const QString& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(ToPath(path), ignored));
}

// A rename is only as durable as the data it names and the folder entry that records it.
bool Sync(const QString& path, QString* error)
{
    ArchiveStep(QStringLiteral("sync ") + path);
    return SyncPath(path) ||
           Fail(error, QStringLiteral("Nie można utrwalić %1 na dysku.").arg(path));
}

// A file that is not there takes no step.
void Remove(const QString& path)
{
    if (!Present(path))
        return;
    ArchiveStep(QStringLiteral("remove ") + path);
    std::error_code ignored;
    fs::remove(ToPath(path), ignored);
}

// SQLite would roll a stale journal beside a table file into whatever file carries the name next.
void RemoveCompanions(const QString& file)
{
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        Remove(file + QLatin1String(suffix));
}

bool Rename(const QString& from, const QString& to, QString* error)
{
    ArchiveStep(QStringLiteral("rename %1 -> %2").arg(from, to));
    std::error_code ec;
    fs::rename(ToPath(from), ToPath(to), ec);
    return !ec || Fail(error, QStringLiteral("Nie można przenieść %1 do %2: %3.")
                                  .arg(from, to, QString::fromStdString(ec.message())));
}

bool WriteMarker(const QString& dir, QString* error)
{
    const QString path = ArchiveFilePath(dir, kMarker);
    ArchiveStep(QStringLiteral("write ") + path);
    QFile marker(path);
    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Fail(error, QStringLiteral("Nie można zapisać pliku %1.").arg(path));
    marker.close();
    return Sync(dir, error);
}

// Each staged file still there takes its predecessor's place by one rename; the marker goes only
// when all of them are in place for good.
bool CompleteReplacement(const QString& dir, QString* error)
{
    for (const QString& name : ArchiveSetFiles()) {
        const QString staged = StagedArchiveFile(dir, name);
        if (!Present(staged))
            continue;
        const QString target = ArchiveFilePath(dir, name);
        RemoveCompanions(target);
        if (!Rename(staged, target, error))
            return false;
    }
    if (!Sync(dir, error))
        return false;
    Remove(ArchiveFilePath(dir, kMarker));
    // A marker that comes back after a power cut finds nothing left to do.
    Sync(dir, nullptr);
    return true;
}

// Earlier builds made the copies under ".tmp-PID" and set the old ones aside under ".old-PID",
// with no marker. Where a table is missing, what that run set aside is its only copy: the run's
// earlier pair goes back whole. Everything else of theirs is stale.
void ClearEarlierBuildLeftovers(const QString& dir)
{
    QStringList tables;
    QStringList filters;
    for (const QString& t : TableNames) {
        tables << QRegularExpression::escape(t);
        filters << t + QStringLiteral(".tmp-*") << t + QStringLiteral(".old-*");
    }
    const QRegularExpression pattern(
        QStringLiteral("^(%1)\\.(tmp|old)-(\\d+)(-journal|-wal|-shm)?$").arg(tables.join(u'|')));
    const QDir folder(dir);
    // Oldest first: of two runs' copies the later one is put back last.
    const QStringList names = folder.entryList(filters, QDir::Files | QDir::Hidden | QDir::System,
                                               QDir::Time | QDir::Reversed);
    const auto setAside = [](const QRegularExpressionMatch& m) {
        return m.hasMatch() && m.captured(2) == u"old" && m.captured(4).isEmpty();
    };
    QSet<QString> runsBack;
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (setAside(m) && !Present(folder.filePath(m.captured(1))))
            runsBack.insert(m.captured(3));
    }
    // The missing table comes back last, so that a cut in between meets the same decision.
    QList<QRegularExpressionMatch> overNewer;
    QList<QRegularExpressionMatch> intoGap;
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch())
            continue;
        if (!setAside(m) || !runsBack.contains(m.captured(3)))
            Remove(folder.filePath(name));
        else if (Present(folder.filePath(m.captured(1))))
            overNewer << m;
        else
            intoGap << m;
    }
    for (const QRegularExpressionMatch& m : overNewer + intoGap) {
        const QString table = folder.filePath(m.captured(1));
        RemoveCompanions(table);
        Rename(folder.filePath(m.captured(0)), table, nullptr);
    }
}

} // namespace

QStringList ArchiveSetFiles()
{
    return {TableNames[0], TableNames[1], kDescriptionFileName};
}

QStringList ArchiveSetFilesIn(const QString& dir)
{
    QStringList present;
    for (const QString& name : ArchiveSetFiles()) {
        if (Present(ArchiveFilePath(dir, name)))
            present << name;
    }
    return present;
}

QString StagedArchiveFile(const QString& dir, const QString& fileName)
{
    return ArchiveFilePath(dir, fileName + kStagedSuffix);
}

bool PlaceStagedArchive(const QString& dir, QString* error)
{
    bool ok = true;
    for (const QString& name : ArchiveSetFiles()) {
        // A folder under the name would stop the renames half-way through the set.
        const QString target = ArchiveFilePath(dir, name);
        if (Present(target) && !QFileInfo(target).isFile())
            ok = Fail(error, QStringLiteral("%1 nie jest plikiem.").arg(target));
    }
    for (const QString& name : ArchiveSetFiles()) {
        if (ok)
            ok = Sync(StagedArchiveFile(dir, name), error);
    }
    ok = ok && Sync(dir, error) && WriteMarker(dir, error);
    if (!ok) {
        Remove(ArchiveFilePath(dir, kMarker));
        RemoveStagedArchive(dir);
        return false;
    }
    return CompleteReplacement(dir, error);
}

void RemoveStagedArchive(const QString& dir)
{
    for (const QString& name : ArchiveSetFiles()) {
        const QString staged = StagedArchiveFile(dir, name);
        Remove(staged);
        RemoveCompanions(staged);
    }
}

bool FinishInterruptedArchive(const QString& dir, QString* error)
{
    if (IsDataDirectory(dir))
        return true;
    bool ok = true;
    if (Present(ArchiveFilePath(dir, kMarker)))
        ok = CompleteReplacement(dir, error);
    else
        RemoveStagedArchive(dir);
    ClearEarlierBuildLeftovers(dir);
    return ok;
}

void SetArchiveStepHook(ArchiveStepHook hook)
{
    g_hook = std::move(hook);
}

void ArchiveStep(const QString& step)
{
    if (g_hook)
        g_hook(step);
}
