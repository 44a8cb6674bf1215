#include "tools/InstallLayout.h"

#include "access/uPasswordCipher.h"
#include "access/uVtCrypt.h"
#include "data/Cp1250.h"
#include "data/IniFile.h"
#include "data/SafeFile.h"
#include "data/TableSchema.h"
#include "data/TableSwap.h"
#include "data/UniqueNumbers.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteFile.h"
#include "import/ParadoxReader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

bool fail(InstallReport& r, const QString& message)
{
    r.ok = false;
    r.error = message;
    return false;
}

bool makeDir(InstallReport& r, const QString& path)
{
    if (QDir(path).exists())
        return true;
    if (!QDir().mkpath(path))
        return fail(r, QStringLiteral("Nie można utworzyć katalogu %1").arg(path));
    r.created << path;
    return true;
}

// Built beside the target and renamed into place, so a half-made table never carries its name.
bool createTable(InstallReport& r, const QString& path, const QByteArray& sql)
{
    if (QFileInfo::exists(path))
        return true;
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    {
        SqliteFile db;
        QString why;
        if (!db.open(temp, SqliteFile::Mode::Create, &why) || !db.exec(sql, &why)) {
            db.close();
            QFile::remove(temp);
            return fail(r, QStringLiteral("Nie można utworzyć tabeli %1: %2").arg(path, why));
        }
    }
    if (!QFile::rename(temp, path)) {
        QFile::remove(temp);
        return fail(r, QStringLiteral("Nie można zapisać pliku %1").arg(path));
    }
    r.created << path;
    return true;
}

bool writeSettings(InstallReport& r, const QString& path)
{
    if (QFileInfo::exists(path))
        return true;
    IniFile ini(path);
    ini.setValue(kSettingsSection, kSettingsKey, EncryptPassword(ToCp1250(kDefaultPassword)));
    QString reason;
    if (!ini.save(&reason))
        return fail(r, QStringLiteral("Nie można zapisać pliku %1 (%2)").arg(path, reason));
    r.created << path;
    return true;
}

// The target is replaced whole or not at all (see SafeFile.h), so a failed copy leaves the
// earlier file, never a half one, under its name.
bool copyWhole(const QString& from, const QString& to, QFileDevice::Permissions permissions,
               QString* reason)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *reason = source.errorString();
        return false;
    }
    SafeFile target(to);
    bool copied = target.open(QIODevice::WriteOnly) && target.setPermissions(permissions);
    while (copied && !source.atEnd()) {
        const QByteArray chunk = source.read(1 << 16);
        copied = !chunk.isEmpty() && target.write(chunk) == chunk.size();
    }
    if (copied && target.commit())
        return true;
    *reason = target.error() != 0 ? target.errorText() : source.errorString();
    return false;
}

bool copyIfAbsent(InstallReport& r, const QString& from, const QString& to)
{
    if (QFileInfo::exists(to))
        return true;
    QString reason;
    if (!copyWhole(from, to,
                   QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther,
                   &reason))
        return fail(r, QStringLiteral("Nie można skopiować %1 do %2 (%3)").arg(from, to, reason));
    r.created << to;
    return true;
}

// The default templates of earlier builds, as shipped (SHA-256). Such a file was never edited by
// the user, so a new build may put its own default in its place; any other template stays.
const char* const kEarlierDefaultTemplates[] = {
    "4e90015c9369a92093800b28f2b9aba56f440ef41f3e25cf18487e7ff345a510",
    "c22b91571d3be4fa32ec3f079e6d9678d3f6b8212d9c8ed692b5c57bb025fb1c",
    "42b864abb47e067ce5f424da408df9354966f5ede7077ceb8a6f048de09f4f79",
};

bool installTemplate(InstallReport& r, const QString& from, const QString& to)
{
    QFile installed(to);
    if (!installed.open(QIODevice::ReadOnly))
        return copyIfAbsent(r, from, to);
    const QByteArray digest =
        QCryptographicHash::hash(installed.readAll(), QCryptographicHash::Sha256).toHex();
    installed.close();
    if (std::none_of(std::begin(kEarlierDefaultTemplates), std::end(kEarlierDefaultTemplates),
                     [&digest](const char* earlier) { return digest == earlier; }))
        return true;
    QString reason;
    if (!copyWhole(from, to, installed.permissions(), &reason))
        return fail(r, QStringLiteral("Nie można zapisać szablonu %1 (%2)").arg(to, reason));
    r.created << to;
    return true;
}

// The program file is always replaced by the new build, through a rename so a running copy
// keeps its old file.
bool installProgram(InstallReport& r, const QString& programFile, const QString& dir)
{
    const QFileInfo source(programFile);
    const QString target = QDir(dir).filePath(source.fileName());
    if (QFileInfo(target).canonicalFilePath() == source.canonicalFilePath())
        return true;
    QString reason;
    if (!copyWhole(programFile, target, source.permissions(), &reason))
        return fail(r, QStringLiteral("Nie można zapisać programu %1 (%2)").arg(target, reason));
    r.created << target;
    return true;
}

} // namespace

InstallReport InstallProgramDir(const QString& dir, const QString& programFile)
{
    // Resources of a static library are registered only on request.
    Q_INIT_RESOURCE(core);
    InstallReport r;
    const QDir root(dir);
    if (!makeDir(r, dir))
        return r;
    // The reader of Paradox tables goes with the program: an import cannot run without it.
    if (!programFile.isEmpty() &&
        (!installProgram(r, programFile, dir) ||
         !installProgram(
             r, QFileInfo(programFile).dir().filePath(QLatin1String(kParadoxReaderName)), dir)))
        return r;
    if (!makeDir(r, root.filePath(QStringLiteral("db"))))
        return r;
    // A table missing after a restore or import cut short is put back, never made anew empty.
    FinishInterruptedSwap(root.filePath(QStringLiteral("db")));
    for (const TableSchema& t : TableSchemas()) {
        const QString path = root.filePath(QStringLiteral("db/") + QLatin1String(t.file));
        if (!createTable(r, path, CreateTableSql(t)))
            return r;
        // A table made before its numbers' index was unique gets one, unless numbers repeat:
        // that is told and the file left alone.
        QString why;
        if (!EnsureUniqueNumbers(path, &why))
            r.warnings << why;
    }
    if (!writeSettings(r, root.filePath(kSettingsFile)))
        return r;
    for (const char* sub : {"debug", "tmpFile"}) {
        if (!makeDir(r, root.filePath(QLatin1String(sub))))
            return r;
    }
    installTemplate(r, QStringLiteral(":/core/rejestr.frf"),
                    root.filePath(QStringLiteral("rejestr.frf")));
    return r;
}
