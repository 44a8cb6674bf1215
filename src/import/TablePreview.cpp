#include "import/TablePreview.h"

#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteFile.h"

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

QString Cell(const SqliteStatement& st, int i, Shown shown)
{
    switch (shown) {
    case Shown::Date:
        return IntToDateText(st.integer(i));
    case Shown::Amount:
        return FormatAmount(st.real(i));
    case Shown::AsStored:
    case Shown::Left:
        break;
    }
    return st.text(i);
}

} // namespace

TablePreview ReadTablePreview(const QString& tableFile, const QString& tableName, int rowLimit)
{
    TablePreview preview;
    SqliteFile db;
    if (!db.open(tableFile, SqliteFile::Mode::ReadOnly))
        return preview;
    SqliteStatement st = db.prepare("SELECT * FROM " + tableName.section(u'.', 0, 0).toLatin1() +
                                    " ORDER BY rowid LIMIT " + QByteArray::number(rowLimit));
    if (!st.isValid())
        return preview;
    std::vector<Shown> shown;
    for (int i = 0; i < st.columnCount(); ++i) {
        const QString name = st.columnName(i);
        shown.push_back(ShownAs(name));
        if (shown.back() != Shown::Left)
            preview.columns << name;
    }
    while (st.next()) {
        QStringList row;
        for (int i = 0; i < int(shown.size()); ++i) {
            if (shown[size_t(i)] != Shown::Left)
                row << Cell(st, i, shown[size_t(i)]);
        }
        preview.rows.push_back(row);
    }
    return preview;
}
