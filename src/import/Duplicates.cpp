#include "import/Duplicates.h"

#include "data/FileUtil.h"
#include "data/UniqueNumbers.h"
#include "dbengine/SqliteFile.h"

#include <QStringList>

namespace {

constexpr qint64 kMaxNumber = 999999999999999999; // 18 digits, as the edit windows take

// The converted file, the errors naming it.
class Table
{
public:
    explicit Table(const QString& file) : m_file(file)
    {
        m_db.open(file, SqliteFile::Mode::ReadWrite);
    }

    SqliteStatement prepare(const char* sql, QString* error)
    {
        SqliteStatement st = m_db.prepare(sql);
        if (!st.isValid())
            fail(error);
        return st;
    }

    bool exec(const char* sql, QString* error) { return m_db.exec(sql) || fail(error); }

    bool fail(QString* error) const
    {
        return Fail(error,
                    QStringLiteral("Nie można zapisać pliku %1: %2.").arg(m_file, m_db.message()));
    }

private:
    QString m_file;
    SqliteFile m_db;
};

bool RefuseSharedTaxpayerNumbers(Table& table, const QString& source, QString* error)
{
    SqliteStatement st = table.prepare(
        "SELECT ID, group_concat(rowid, ', ') FROM (SELECT ID, rowid FROM kontrahenci "
        "WHERE ID IN (SELECT ID FROM kontrahenci GROUP BY ID HAVING count(*) > 1) "
        "ORDER BY rowid) GROUP BY ID ORDER BY min(rowid) LIMIT 1",
        error);
    if (!st.isValid())
        return false;
    if (!st.next())
        return !st.failed() || table.fail(error);
    return Fail(error,
                QStringLiteral("Plik %1: numer %2 mają różni podatnicy (rekordy %3), więc nie "
                               "wiadomo, do którego z nich należą zapisy rejestru pod tym numerem. "
                               "Nadaj im różne numery w programie, który zapisał tabelę.")
                    .arg(source)
                    .arg(st.integer(0))
                    .arg(st.text(1)));
}

bool RenumberRepeatedEntries(Table& table, const QString& source,
                             std::vector<RenumberedEntry>* renumbered, QString* error)
{
    // Every entry after the first of its taxpayer and number, in the file's order.
    SqliteStatement later = table.prepare(
        "SELECT r.rowid, r.IDKONTRAHENTA, r.ID FROM rejestr AS r JOIN (SELECT IDKONTRAHENTA, "
        "ID, min(rowid) AS first FROM rejestr GROUP BY IDKONTRAHENTA, ID HAVING count(*) > 1) "
        "AS d ON r.IDKONTRAHENTA = d.IDKONTRAHENTA AND r.ID = d.ID AND r.rowid > d.first "
        "ORDER BY r.rowid",
        error);
    if (!later.isValid())
        return false;
    std::vector<RenumberedEntry> found;
    while (later.next())
        found.push_back({later.integer(1), later.integer(2), 0, later.integer(0)});
    if (later.failed())
        return table.fail(error);
    if (found.empty())
        return true;

    SqliteStatement last =
        table.prepare("SELECT max(ID) FROM rejestr WHERE IDKONTRAHENTA = ?", error);
    SqliteStatement update = table.prepare("UPDATE rejestr SET ID = ? WHERE rowid = ?", error);
    if (!last.isValid() || !update.isValid() || !table.exec("BEGIN", error))
        return false;
    for (RenumberedEntry& e : found) {
        last.bind(1, e.taxpayer);
        if (!last.next())
            return table.fail(error);
        const qint64 highest = last.integer(0);
        last.reset();
        if (highest >= kMaxNumber)
            return Fail(error, QStringLiteral("Plik %1, rekord %2: zapis powtarza numer %3, a "
                                              "podatnik %4 nie ma już wolnego numeru.")
                                   .arg(source)
                                   .arg(e.record)
                                   .arg(e.oldNumber)
                                   .arg(e.taxpayer));
        e.newNumber = highest + 1;
        update.bind(1, e.newNumber);
        update.bind(2, e.record);
        update.next();
        if (update.failed())
            return table.fail(error);
        update.reset();
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
        Table table(stagedFile);
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
