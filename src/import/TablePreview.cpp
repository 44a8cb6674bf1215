#include "import/TablePreview.h"

#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteHandles.h"

#include <QFile>

namespace {

enum class Shown
{
    AsStored,
    Date,
    Amount,
    Left
};

Shown ShownAs(const QString& column)
{
    static const QStringList dates = {QStringLiteral("DATAWPISU"), QStringLiteral("DATADOK"),
                                      QStringLiteral("DATAZAPLATY")};
    if (dates.contains(column))
        return Shown::Date;
    if (column == QLatin1String("NALEZNOSC") || column == QLatin1String("STAWKA"))
        return Shown::Amount;
    return column == QLatin1String("WARTOSC") ? Shown::Left : Shown::AsStored;
}

QString Cell(sqlite3_stmt* st, int i, Shown shown)
{
    switch (shown) {
    case Shown::Date:
        return IntToDateText(sqlite3_column_int64(st, i));
    case Shown::Amount:
        return FormatAmount(sqlite3_column_double(st, i));
    case Shown::AsStored:
    case Shown::Left:
        break;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                             sqlite3_column_bytes(st, i));
}

} // namespace

TablePreview ReadTablePreview(const QString& tableFile, const QString& tableName, int rowLimit)
{
    TablePreview preview;
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(tableFile).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const SqliteConnectionPtr db(raw);
    const QByteArray sql = "SELECT * FROM " + tableName.section(u'.', 0, 0).toLatin1() +
                           " ORDER BY rowid LIMIT " + QByteArray::number(rowLimit);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(raw, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return preview;
    const SqliteStatementPtr owned(st);
    std::vector<Shown> shown;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const QString name = QString::fromUtf8(sqlite3_column_name(st, i));
        shown.push_back(ShownAs(name));
        if (shown.back() != Shown::Left)
            preview.columns << name;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < int(shown.size()); ++i) {
            if (shown[size_t(i)] != Shown::Left)
                row << Cell(st, i, shown[size_t(i)]);
        }
        preview.rows.push_back(row);
    }
    return preview;
}
