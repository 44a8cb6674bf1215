#include "data/TableSchema.h"

const std::vector<TableSchema>& TableSchemas()
{
    using T = ColumnType;
    static const std::vector<TableSchema> tables{
        {"kontrahenci.DB",
         "kontrahenci",
         {{"ID", T::Integer},
          {"NAZWA", T::Text},
          {"NIP", T::Text},
          {"ADRES", T::Text},
          {"KODPOCZT", T::Text},
          {"MIEJSCOWOSC", T::Text},
          {"TELEFONY", T::Text},
          {"UWAGI", T::Text},
          {"SKROT", T::Text}},
         "",
         "kontrahenci_id",
         "ID"},
        {"rejestr.DB",
         "rejestr",
         {{"ID", T::Integer},
          {"DATAWPISU", T::Integer},
          {"DATADOK", T::Integer},
          {"NALEZNOSC", T::Real},
          {"STAWKA", T::Real},
          {"DATAZAPLATY", T::Integer},
          {"NRDOK", T::Text},
          {"IMIE", T::Text},
          {"NAZWISKO", T::Text},
          {"NIP", T::Text},
          {"ADRES", T::Text},
          {"KODPOCZT", T::Text},
          {"MIEJSCOWOSC", T::Text},
          {"UWAGI", T::Text},
          {"IDKONTRAHENTA", T::Integer},
          {"WARTOSC", T::Real}},
         "CREATE INDEX rejestr_kontrahent_data ON rejestr(IDKONTRAHENTA, DATAWPISU);",
         "rejestr_kontrahent_id",
         "IDKONTRAHENTA, ID"},
    };
    return tables;
}

const TableSchema* SchemaOf(const QString& tableFile)
{
    const QString stem = tableFile.section(u'.', 0, 0);
    for (const TableSchema& t : TableSchemas()) {
        if (stem.compare(QLatin1String(t.stem), Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

const char* SqlType(ColumnType type)
{
    switch (type) {
    case ColumnType::Integer:
        return "INTEGER";
    case ColumnType::Real:
        return "REAL";
    case ColumnType::Text:
        return "TEXT";
    }
    return "";
}

QStringList ColumnNames(const TableSchema& table)
{
    QStringList names;
    for (const TableColumn& c : table.columns)
        names << QLatin1String(c.name);
    return names;
}

QByteArray NumbersIndexSql(const TableSchema& table, bool unique)
{
    return QByteArray("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + table.numbersIndex +
           " ON " + table.stem + '(' + table.numbers + ");";
}

QByteArray TableOnlySql(const TableSchema& table)
{
    QByteArray sql = QByteArray("CREATE TABLE ") + table.stem + '(';
    for (size_t i = 0; i < table.columns.size(); ++i)
        sql += QByteArray(i ? ", " : "") + table.columns[i].name + ' ' +
               SqlType(table.columns[i].type);
    return sql + ");";
}

QByteArray IndexesSql(const TableSchema& table, bool uniqueNumbers)
{
    return table.indexes + NumbersIndexSql(table, uniqueNumbers);
}

QByteArray CreateTableSql(const TableSchema& table)
{
    return TableOnlySql(table) + IndexesSql(table, true);
}
