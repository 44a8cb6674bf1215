#include "ArchiveTestData.h"

#include "support/TempProgramDir.h"

#include "data/TableSchema.h"
#include "dbengine/SqliteHandles.h"

#include <QFile>
#include <QStringList>
#include <QtDebug>

QString DumpTable(const QString& file)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    SqliteConnectionPtr db(raw);
    sqlite3_stmt* st = nullptr;
    const QString table = file.section(u'/', -1).section(u'.', 0, 0);
    if (sqlite3_prepare_v2(raw,
                           QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table).toUtf8(),
                           -1, &st, nullptr) != SQLITE_OK)
        return QStringLiteral("ERROR: ") + QString::fromUtf8(sqlite3_errmsg(raw));
    SqliteStatementPtr owned(st);
    QStringList rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList values;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            values << QString::number(sqlite3_column_type(st, c)) + u':' +
                          QString::fromUtf8(
                              reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
        rows << values.join(u'|');
    }
    return rows.join(u'\n');
}

bool RunSql(const QString& file, const QString& statements)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteConnectionPtr db(raw);
    char* err = nullptr;
    if (sqlite3_exec(raw, statements.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        qWarning() << file << (err ? err : sqlite3_errmsg(raw));
        sqlite3_free(err);
        return false;
    }
    return true;
}

QString DumpLive(const TempProgramDir& dir, const QString& tableFile)
{
    if (!dir.onServer())
        return DumpTable(dir.filePath(QStringLiteral("db/") + tableFile));
    // A column's type is its values' type there; SQLite's codes: 1 integer, 2 real, 3 text.
    const TableSchema* table = SchemaOf(tableFile);
    QStringList cells;
    for (const TableColumn& c : table->columns)
        cells << QStringLiteral("CASE WHEN %1 IS NULL THEN '5:' ELSE '%2:'||%1 END")
                     .arg(QLatin1String(c.name))
                     .arg(c.type == ColumnType::Integer ? 1
                          : c.type == ColumnType::Real  ? 2
                                                        : 3);
    return dir.sql(tableFile,
                   QStringLiteral("SELECT group_concat(%1, chr(10)) FROM (SELECT * "
                                  "FROM %2 ORDER BY rowid)")
                       .arg(cells.join(QStringLiteral("||'|'||")), QLatin1String(table->stem)));
}

void FillData(const TempProgramDir& dir, int variant, int entries)
{
    const QString v = QString::number(variant);
    dir.sql(QStringLiteral("kontrahenci.DB"), QStringLiteral("DELETE FROM kontrahenci"));
    dir.sql(QStringLiteral("kontrahenci.DB"),
            QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA,NIP,MIEJSCOWOSC,SKROT) VALUES"
                           "(1,'Kancelaria Notarialna Żółć %1','123-456-78-90','Łódź','Żółć'),"
                           "(2,'Gmina Świętochłowice %1','987-654-32-10','Gdańsk','')")
                .arg(v));
    QStringList rows;
    for (int i = 1; i <= entries; ++i)
        rows << QStringLiteral("(%1,%2,%3.25,2,'Ślęzak %4','uwagi ąę %4',%5)")
                    .arg(i)
                    .arg(20260100 + i % 28 + 1)
                    .arg(i * 100 + variant)
                    .arg(v)
                    .arg(i % 2 + 1);
    dir.sql(QStringLiteral("rejestr.DB"), QStringLiteral("DELETE FROM rejestr"));
    dir.sql(QStringLiteral("rejestr.DB"),
            QStringLiteral("INSERT INTO rejestr(ID,DATAWPISU,NALEZNOSC,STAWKA,NAZWISKO,UWAGI,"
                           "IDKONTRAHENTA) VALUES") +
                rows.join(u','));
}
