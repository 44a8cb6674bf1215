#include "data/UniqueNumbers.h"

#include "data/FileUtil.h"
#include "data/TableSchema.h"
#include "dbengine/SqliteFile.h"

#include <QFileInfo>

namespace {

bool IsUnique(SqliteFile& db, const TableSchema& n)
{
    SqliteStatement st = db.prepare("SELECT 1 FROM sqlite_master WHERE type='index' AND name=? AND "
                                    "sql LIKE 'CREATE UNIQUE INDEX%'");
    st.bind(1, QString::fromLatin1(n.numbersIndex));
    return st.next();
}

// The first repeated number, e.g. "17 podatnika 3" for taxpayer 3's entry 17, with how often it
// appears.
QString FirstRepeated(SqliteFile& db, const TableSchema& n, qint64* times)
{
    SqliteStatement st = db.prepare(
        QByteArray("SELECT ") +
        (QByteArray(n.numbers).contains(',') ? "ID || ' podatnika ' || IDKONTRAHENTA" : "ID") +
        ", count(*) FROM " + n.stem + " GROUP BY " + n.numbers + " HAVING count(*) > 1 LIMIT 1");
    if (!st.next())
        return {};
    *times = st.integer(1);
    return st.text(0);
}

} // namespace

bool EnsureUniqueNumbers(const QString& tableFile, QString* error)
{
    const TableSchema* n = SchemaOf(QFileInfo(tableFile).fileName());
    if (!n)
        return Fail(error, QStringLiteral("Nieznana tabela %1.").arg(tableFile));
    SqliteFile db;
    QString why;
    const auto failed = [&] {
        return Fail(error, QStringLiteral("Nie można zapisać pliku %1: %2.").arg(tableFile, why));
    };
    if (!db.open(tableFile, SqliteFile::Mode::ReadWrite, &why))
        return failed();
    if (IsUnique(db, *n))
        return true;
    qint64 times = 0;
    const QString repeated = FirstRepeated(db, *n, &times);
    if (!repeated.isEmpty())
        return Fail(error, QStringLiteral("Plik %1: numer %2 powtarza się %3 razy, więc zmiana "
                                          "jednego z tych rekordów zmieniłaby wszystkie. Plik "
                                          "pozostał bez zmian; nadaj im różne numery.")
                               .arg(tableFile, repeated)
                               .arg(times));
    if (!db.exec(QByteArray("BEGIN IMMEDIATE; DROP INDEX IF EXISTS ") + n->numbersIndex + "; " +
                     NumbersIndexSql(*n, true) + " COMMIT;",
                 &why)) {
        db.exec("ROLLBACK");
        return failed();
    }
    return true;
}
