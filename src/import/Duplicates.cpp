#include "import/Duplicates.h"

#include "data/FileUtil.h"
#include "data/UniqueNumbers.h"
#include "dbengine/SqliteHandles.h"

#include <QFile>
#include <QStringList>

namespace {

constexpr qint64 kMaxNumber = 999999999999999999; // 18 digits, as the edit windows take

class Table
{
public:
    explicit Table(const QString& file)
    {
        sqlite3* raw = nullptr;
        sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        m_db.reset(raw);
        m_file = file;
    }

    SqliteStatementPtr prepare(const char* sql, QString* error) const
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db.get(), sql, -1, &st, nullptr) != SQLITE_OK)
            fail(error);
        return SqliteStatementPtr(st);
    }

    bool exec(const char* sql, QString* error) const
    {
        return sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail(error);
    }

    bool fail(QString* error) const
    {
        return Fail(error, QStringLiteral("Nie można zapisać pliku %1: %2.")
                               .arg(m_file, QString::fromUtf8(sqlite3_errmsg(m_db.get()))));
    }

private:
    SqliteConnectionPtr m_db;
    QString m_file;
};

bool RefuseSharedTaxpayerNumbers(const Table& table, const QString& source, QString* error)
{
    const SqliteStatementPtr st = table.prepare(
        "SELECT ID, group_concat(rowid, ', ') FROM (SELECT ID, rowid FROM kontrahenci "
        "WHERE ID IN (SELECT ID FROM kontrahenci GROUP BY ID HAVING count(*) > 1) "
        "ORDER BY rowid) GROUP BY ID ORDER BY min(rowid) LIMIT 1",
        error);
    if (!st)
        return false;
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_DONE)
        return true;
    if (rc != SQLITE_ROW)
        return table.fail(error);
    return Fail(error,
                QStringLiteral("Plik %1: numer %2 mają różni podatnicy (rekordy %3), więc nie "
                               "wiadomo, do którego z nich należą zapisy rejestru pod tym numerem. "
                               "Nadaj im różne numery w programie, który zapisał tabelę.")
                    .arg(source)
                    .arg(sqlite3_column_int64(st.get(), 0))
                    .arg(QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1)))));
}

bool RenumberRepeatedEntries(const Table& table, const QString& source,
                             std::vector<RenumberedEntry>* renumbered, QString* error)
{
    // Every entry after the first of its taxpayer and number, in the file's order.
    const SqliteStatementPtr later = table.prepare(
        "SELECT r.rowid, r.IDKONTRAHENTA, r.ID FROM rejestr AS r JOIN (SELECT IDKONTRAHENTA, "
        "ID, min(rowid) AS first FROM rejestr GROUP BY IDKONTRAHENTA, ID HAVING count(*) > 1) "
        "AS d ON r.IDKONTRAHENTA = d.IDKONTRAHENTA AND r.ID = d.ID AND r.rowid > d.first "
        "ORDER BY r.rowid",
        error);
    if (!later)
        return false;
    std::vector<RenumberedEntry> found;
    int rc;
    while ((rc = sqlite3_step(later.get())) == SQLITE_ROW)
        found.push_back({sqlite3_column_int64(later.get(), 1), sqlite3_column_int64(later.get(), 2),
                         0, sqlite3_column_int64(later.get(), 0)});
    if (rc != SQLITE_DONE)
        return table.fail(error);
    if (found.empty())
        return true;

    const SqliteStatementPtr last =
        table.prepare("SELECT max(ID) FROM rejestr WHERE IDKONTRAHENTA = ?", error);
    const SqliteStatementPtr update =
        table.prepare("UPDATE rejestr SET ID = ? WHERE rowid = ?", error);
    if (!last || !update || !table.exec("BEGIN", error))
        return false;
    for (RenumberedEntry& e : found) {
        sqlite3_bind_int64(last.get(), 1, e.taxpayer);
        if (sqlite3_step(last.get()) != SQLITE_ROW)
            return table.fail(error);
        const qint64 highest = sqlite3_column_int64(last.get(), 0);
        sqlite3_reset(last.get());
        if (highest >= kMaxNumber)
            return Fail(error, QStringLiteral("Plik %1, rekord %2: zapis powtarza numer %3, a "
                                              "podatnik %4 nie ma już wolnego numeru.")
                                   .arg(source)
                                   .arg(e.record)
                                   .arg(e.oldNumber)
                                   .arg(e.taxpayer));
        e.newNumber = highest + 1;
        sqlite3_bind_int64(update.get(), 1, e.newNumber);
        sqlite3_bind_int64(update.get(), 2, e.record);
        if (sqlite3_step(update.get()) != SQLITE_DONE)
            return table.fail(error);
        sqlite3_reset(update.get());
    }
    if (!table.exec("COMMIT", error))
        return false;
    if (renumbered)
        *renumbered = std::move(found);
    return true;
}

} // namespace

bool SettleDuplicates(const QString& stagedFile, const QString& tableName, const QString& source,
                      std::vector<RenumberedEntry>* renumbered, QString* error)
{
    if (renumbered)
        renumbered->clear();
    {
        const Table table(stagedFile);
        const bool settled = tableName.startsWith(QLatin1String("kontrahenci"), Qt::CaseInsensitive)
                                 ? RefuseSharedTaxpayerNumbers(table, source, error)
                                 : RenumberRepeatedEntries(table, source, renumbered, error);
        if (!settled)
            return false;
    }
    // From here on the engine itself refuses a repeated number.
    return EnsureUniqueNumbers(stagedFile, error);
}

QString RenumberedText(const std::vector<RenumberedEntry>& renumbered)
{
    constexpr size_t kNamed = 10;
    if (renumbered.empty())
        return {};
    QStringList lines;
    for (size_t i = 0; i < renumbered.size() && i < kNamed; ++i) {
        const RenumberedEntry& e = renumbered[i];
        lines << QStringLiteral("podatnik %1, rekord %2: numer %3 → %4")
                     .arg(e.taxpayer)
                     .arg(e.record)
                     .arg(e.oldNumber)
                     .arg(e.newNumber);
    }
    if (renumbered.size() > kNamed)
        lines << QStringLiteral("…");
    return QStringLiteral("Zapisy, które powtarzały numer wcześniejszego zapisu tego samego "
                          "podatnika, otrzymały kolejne wolne numery (razem %1):\n%2")
        .arg(renumbered.size())
        .arg(lines.join(u'\n'));
}

QString RenumberedSummary(const std::vector<RenumberedEntry>& renumbered)
{
    if (renumbered.empty())
        return {};
    const RenumberedEntry& e = renumbered.front();
    return QStringLiteral("Nowe numery nadano zapisom powtarzającym numer wcześniejszego zapisu "
                          "tego samego podatnika: %1 (pierwszy: podatnik %2, numer %3 → %4).")
        .arg(renumbered.size())
        .arg(e.taxpayer)
        .arg(e.oldNumber)
        .arg(e.newNumber);
}
