#include "data/UniqueNumbers.h"

#include "data/FileUtil.h"
#include "data/TableSchema.h"
#include "dbengine/SqliteHandles.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool IsUnique(sqlite3* db, const TableSchema& n)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT 1 FROM sqlite_master WHERE type='index' AND name=? AND "
                       "sql LIKE 'CREATE UNIQUE INDEX%'",
                       -1, &raw, nullptr);
    const SqliteStatementPtr st(raw);
    sqlite3_bind_text(raw, 1, n.numbersIndex, -1, SQLITE_STATIC);
    return raw && sqlite3_step(raw) == SQLITE_ROW;
}

// The first repeated number, e.g. "3/17" for taxpayer 3's entry 17, with how often it appears.
QString FirstRepeated(sqlite3* db, const TableSchema& n, int* times)
{
    const QByteArray sql =
        QByteArray("SELECT ") +
        (QByteArray(n.numbers).contains(',') ? "IDKONTRAHENTA || '/' || ID" : "ID") +
        ", count(*) FROM " + n.stem + " GROUP BY " + n.numbers + " HAVING count(*) > 1 LIMIT 1";
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &raw, nullptr);
    const SqliteStatementPtr st(raw);
    if (!raw || sqlite3_step(raw) != SQLITE_ROW)
        return {};
    *times = sqlite3_column_int(raw, 1);
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
}

} // namespace

bool EnsureUniqueNumbers(const QString& tableFile, QString* error)
{
    const TableSchema* n = SchemaOf(QFileInfo(tableFile).fileName());
    if (!n)
        return Fail(error, QStringLiteral("Nieznana tabela %1.").arg(tableFile));
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(tableFile).constData(), &raw,
                                   SQLITE_OPEN_READWRITE, nullptr);
    const SqliteConnectionPtr db(raw);
    const auto failed = [&] {
        return Fail(error, QStringLiteral("Nie można zapisać pliku %1: %2.")
                               .arg(tableFile, QString::fromUtf8(raw ? sqlite3_errmsg(raw)
                                                                     : sqlite3_errstr(rc))));
    };
    if (rc != SQLITE_OK)
        return failed();
    sqlite3_busy_timeout(raw, 3000);
    if (IsUnique(raw, *n))
        return true;
    int times = 0;
    const QString repeated = FirstRepeated(raw, *n, &times);
    if (!repeated.isEmpty())
        return Fail(error, QStringLiteral("Plik %1: numer %2 powtarza się %3 razy, więc zmiana "
                                          "jednego z tych rekordów zmieniłaby wszystkie. Plik "
                                          "pozostał bez zmian; nadaj im różne numery.")
                               .arg(tableFile, repeated)
                               .arg(times));
    const QByteArray sql = QByteArray("BEGIN IMMEDIATE; DROP INDEX IF EXISTS ") + n->numbersIndex +
                           "; " + NumbersIndexSql(*n, true) + " COMMIT;";
    if (sqlite3_exec(raw, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        const bool ok = failed();
        sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
        return ok;
    }
    return true;
}
