#include "data/TableFiles.h"

#include "data/FileUtil.h"
#include "data/TableSchema.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteFile.h"

#include <QFileInfo>

namespace {

// Lets the quick check read the file through the page cache without copying every page.
constexpr qint64 kVerifyMapSize = qint64(1) << 30;

} // namespace

QString DataDirectory()
{
    return ProgramPath(QStringLiteral("db"));
}

bool IsDataDirectory(const QString& dir)
{
    const QString data = QFileInfo(DataDirectory()).canonicalFilePath();
    return !data.isEmpty() && QFileInfo(dir).canonicalFilePath() == data;
}

QStringList ExpectedColumns(const QString& tableFile)
{
    const TableSchema* table = SchemaOf(tableFile);
    return table ? ColumnNames(*table) : QStringList();
}

bool VerifyTableFile(const QString& file, const QString& tableFile, QString* error, bool readOnly,
                     Progress* progress)
{
    SqliteFile db;
    if (!db.open(file, readOnly ? SqliteFile::Mode::ReadOnly : SqliteFile::Mode::ReadWrite, error))
        return false;
    if (progress)
        db.watch([progress](qint64) { return progress->step(0); });
    db.exec("PRAGMA mmap_size=" + QByteArray::number(kVerifyMapSize));
    QStringList check;
    if (!db.rows("PRAGMA quick_check", check, error))
        return false;
    if (check != QStringList{QStringLiteral("ok")})
        return Fail(error, check.join(u'\n'));

    const QString stem = tableFile.section(u'.', 0, 0);
    QStringList objects;
    if (!db.rows("SELECT type||' '||name FROM sqlite_master "
                 "WHERE type<>'index' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                 objects, error))
        return false;
    if (objects.size() != 1 ||
        objects.first().compare(QStringLiteral("table ") + stem, Qt::CaseInsensitive) != 0)
        return Fail(error, QStringLiteral("Plik nie zawiera tabeli %1: %2")
                               .arg(stem, objects.join(QStringLiteral(", "))));

    SqliteStatement info = db.prepare("PRAGMA table_info(" + QuotedIdentifier(stem).toUtf8() + ')');
    QStringList columns;
    while (info.next())
        columns << info.text(1).toUpper();
    QStringList expected = ExpectedColumns(tableFile);
    columns.sort();
    expected.sort();
    if (columns != expected)
        return Fail(error, QStringLiteral("Tabela %1 ma inne kolumny: %2")
                               .arg(stem, columns.join(QStringLiteral(", "))));
    return true;
}
