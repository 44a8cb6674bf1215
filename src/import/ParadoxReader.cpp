#include "import/ParadoxReader.h"

#include "data/FileUtil.h"
#include "data/TableSchema.h"
#include "dbengine/SqliteFile.h"
#include "import/ParadoxConvert.h"
#include "import/ParadoxTable.h"
#include "import/Pxlib.h"

#include <QFile>

#include <cmath>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace {

// How a column stores its values and what a blank reads as.
enum class Type
{
    Integer,
    Real,
    Text,
    Unwritten
};

// What a value must be for the program to work with it.
enum class Check
{
    None,
    Key,    // a number the program finds a record by
    Amount, // an amount or a rate
    Date    // a YYYYMMDD code
};

struct Column
{
    const char* name;
    Type type;
    Check check = Check::None;
};

struct Table
{
    const TableSchema* schema;
    std::vector<Column> columns;
};

// The program's columns, with what each value must be; WARTOSC, computed wherever it is shown,
// is never written.
Column ColumnOf(const TableColumn& c)
{
    const QByteArray name(c.name);
    if (name == "WARTOSC")
        return {c.name, Type::Unwritten, Check::Amount};
    const Type type = c.type == ColumnType::Integer ? Type::Integer
                      : c.type == ColumnType::Real  ? Type::Real
                                                    : Type::Text;
    if (name == "ID" || name == "IDKONTRAHENTA")
        return {c.name, type, Check::Key};
    if (name.startsWith("DATA"))
        return {c.name, type, Check::Date};
    return {c.name, type, c.type == ColumnType::Real ? Check::Amount : Check::None};
}

std::optional<Table> TableOf(const QString& tableFile)
{
    const TableSchema* schema = SchemaOf(tableFile);
    if (!schema)
        return std::nullopt;
    Table table{schema, {}};
    for (const TableColumn& c : schema->columns)
        table.columns.push_back(ColumnOf(c));
    return table;
}

// The stored form of a blank, as the program itself writes one.
void BindBlank(SqliteStatement& st, int position, Type type)
{
    switch (type) {
    case Type::Integer:
        st.bind(position, qint64(0));
        break;
    case Type::Real:
        st.bind(position, 0.0);
        break;
    case Type::Text:
        st.bind(position, QString()); // an empty text, never NULL
        break;
    case Type::Unwritten:
        st.bindNull(position);
        break;
    }
}

void BindText(SqliteStatement& st, int position, const QString& text)
{
    st.bind(position, text);
}

// A number typed into a text field goes in as a number; anything else is kept as it stands
// rather than lost.
void BindTextAsNumber(SqliteStatement& st, int position, const QString& text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qint64 whole = trimmed.toLongLong(&ok);
    if (ok) {
        st.bind(position, whole);
        return;
    }
    const double value = QString(trimmed).replace(u',', u'.').toDouble(&ok);
    if (ok)
        st.bind(position, value);
    else
        BindText(st, position, text);
}

// A whole number bound as a double is stored as an integer by the column's type, and a
// fraction is kept, so a value is never rounded on its way.
void BindValue(SqliteStatement& st, int position, Type type, const ParadoxTable& px, int field)
{
    if (px.isNull(field)) {
        BindBlank(st, position, type);
        return;
    }
    const ParadoxTable::Kind kind = px.fields()[size_t(field)].kind;
    if (type == Type::Text) {
        BindText(st, position, px.text(field));
        return;
    }
    switch (kind) {
    case ParadoxTable::Kind::Integer:
    case ParadoxTable::Kind::Date:
        st.bind(position, px.integer(field));
        break;
    case ParadoxTable::Kind::Number:
        st.bind(position, px.number(field));
        break;
    case ParadoxTable::Kind::Text:
        BindTextAsNumber(st, position, px.text(field));
        break;
    case ParadoxTable::Kind::Other:
        BindBlank(st, position, type);
        break;
    }
}

// The program finds taxpayers and entries by these numbers and writes them into statements,
// so a fraction or a word there would make it edit another record, or worse.
bool IsWholeNumber(const ParadoxTable& px, int field)
{
    if (px.isNull(field))
        return true;
    switch (px.fields()[size_t(field)].kind) {
    case ParadoxTable::Kind::Number: {
        const double v = px.number(field);
        return std::isfinite(v) && std::trunc(v) == v && std::fabs(v) < 9.0e15;
    }
    case ParadoxTable::Kind::Text: {
        bool ok = false;
        px.text(field).trimmed().toLongLong(&ok);
        return ok || px.text(field).trimmed().isEmpty();
    }
    case ParadoxTable::Kind::Integer:
    case ParadoxTable::Kind::Date:
    case ParadoxTable::Kind::Other:
        return true;
    }
    return true;
}

// The number a field holds, as it will be stored; false for a word in a text field, which is
// kept as text.
bool NumberOf(const ParadoxTable& px, int field, double* value)
{
    if (px.fields()[size_t(field)].kind != ParadoxTable::Kind::Text) {
        *value = px.number(field);
        return true;
    }
    bool ok = false;
    *value = px.text(field).trimmed().replace(u',', u'.').toDouble(&ok);
    return ok;
}

// Why the value cannot stand in the column (a clause that follows the field's name), or empty.
// Values beyond these are what noise read as data looks like, and the program could neither
// show nor add them up.
QString Objection(const Column& column, const ParadoxTable& px, int field)
{
    constexpr qint64 kMaxKey = 999999999999999999; // 18 digits
    constexpr double kMaxAmount = 1e13;
    constexpr double kMaxDate = 99991231;
    if (column.check == Check::Key) {
        if (!IsWholeNumber(px, field))
            return QStringLiteral("nie jest liczbą całkowitą");
        if (px.isNull(field) || px.text(field).trimmed().isEmpty())
            return QStringLiteral("jest puste");
        const qint64 key = px.integer(field);
        if (key < 1 || key > kMaxKey)
            return QStringLiteral("ma wartość %1, a numer musi leżeć między 1 a %2")
                .arg(px.text(field).trimmed())
                .arg(kMaxKey);
        return {};
    }
    double value = 0.0;
    if (column.check == Check::None || px.isNull(field) || !NumberOf(px, field, &value))
        return {};
    if (!std::isfinite(value))
        return QStringLiteral("nie jest liczbą");
    if (column.check == Check::Amount && std::fabs(value) > kMaxAmount)
        return QStringLiteral("ma wartość %1 spoza zakresu kwot (±10 bilionów)")
            .arg(px.text(field).trimmed());
    if (column.check == Check::Date && (value < 0 || value > kMaxDate))
        return QStringLiteral("nie jest datą (%1)").arg(px.text(field).trimmed());
    return {};
}

bool Exec(SqliteFile& db, const QByteArray& sql, QString* error, const QString& file)
{
    QString why;
    return db.exec(sql, &why) ||
           Fail(error, QStringLiteral("Nie można zapisać pliku %1: %2.").arg(file, why));
}

// The page the texts of the first records read best in; enough of a register to tell.
bool ChooseCodePage(ParadoxTable& px, int* codePage, QString* error)
{
    constexpr int kSampleRecords = 20000;
    HighByteCounts counts{};
    for (int r = 0, n = qMin(px.recordCount(), kSampleRecords); r < n; ++r) {
        if (!px.read(r, error))
            return false;
        px.countHighBytes(counts);
    }
    *codePage = LikelyCodePage(counts, px.codePage());
    return true;
}

bool Read(const QString& paradoxFile, const Table& table, const QString& sqliteFile, int codePage,
          ReadTable* result, QString* error)
{
    ParadoxTable px;
    if (!px.open(paradoxFile, error))
        return false;
    if (codePage == kLikelyCodePage && !ChooseCodePage(px, &codePage, error))
        return false;
    if (!px.setCodePage(codePage))
        return Fail(error, QStringLiteral("Nie można odczytać tabeli %1: nieobsługiwana strona "
                                          "kodowa %2.")
                               .arg(paradoxFile)
                               .arg(codePage));

    std::vector<int> sources;
    bool anyMatched = false;
    for (const Column& c : table.columns) {
        const int field = px.fieldIndex(QString::fromLatin1(c.name));
        if (field >= 0) {
            const ParadoxTable::Field& f = px.fields()[size_t(field)];
            if (f.kind == ParadoxTable::Kind::Other && f.type != pxfLogical)
                return Fail(error, QStringLiteral("Plik %1: kolumna %2 jest polem typu %3, "
                                                  "którego nie można przenieść.")
                                       .arg(paradoxFile, f.name, ParadoxTable::typeName(f.type)));
            anyMatched = true;
        }
        sources.push_back(field);
    }
    if (!anyMatched)
        return Fail(error, QStringLiteral("Plik %1 nie jest tabelą %2: nie ma żadnej z jej kolumn.")
                               .arg(paradoxFile, QLatin1String(table.schema->stem)));

    SqliteFile db;
    QString why;
    if (!db.open(sqliteFile, SqliteFile::Mode::Create, &why))
        return Fail(error, QStringLiteral("Nie można utworzyć pliku %1: %2.").arg(sqliteFile, why));

    const QByteArray create = TableOnlySql(*table.schema);
    QByteArray insert = QByteArray("INSERT INTO ") + table.schema->stem + " VALUES(";
    for (size_t i = 0; i < table.columns.size(); ++i)
        insert += i ? ",?" : "?";
    insert += ')';
    // A half-written file is deleted, never used, so it needs no journal.
    if (!Exec(db, "PRAGMA journal_mode=OFF; PRAGMA cache_size=-32768;", error, sqliteFile) ||
        !Exec(db, create, error, sqliteFile) || !Exec(db, "BEGIN", error, sqliteFile))
        return false;

    SqliteStatement st = db.prepare(insert);
    const auto writeFailed = [&] {
        return Fail(
            error, QStringLiteral("Nie można zapisać pliku %1: %2.").arg(sqliteFile, db.message()));
    };
    if (!st.isValid())
        return writeFailed();
    const int count = px.recordCount();
    for (int r = 0; r < count; ++r) {
        if (!px.read(r, error))
            return false;
        for (size_t i = 0; i < table.columns.size(); ++i) {
            const int position = int(i) + 1;
            const QString objection =
                sources[i] >= 0 ? Objection(table.columns[i], px, sources[i]) : QString();
            if (!objection.isEmpty())
                return Fail(error, QStringLiteral("Plik %1, rekord %2: pole %3 %4.")
                                       .arg(paradoxFile)
                                       .arg(r + 1)
                                       .arg(QLatin1String(table.columns[i].name), objection));
            if (sources[i] < 0)
                BindBlank(st, position, table.columns[i].type);
            else
                BindValue(st, position, table.columns[i].type, px, sources[i]);
        }
        st.next();
        if (st.failed())
            return writeFailed();
        st.reset();
    }
    st = SqliteStatement();
    // The installer's indexes, so an imported file serves the views as fast; its numbers' index
    // is made unique once repeated numbers are settled.
    if (!Exec(db, IndexesSql(*table.schema, false), error, sqliteFile) ||
        !Exec(db, "COMMIT", error, sqliteFile))
        return false;
    if (result)
        *result = {count, codePage == 0 ? 1250 : codePage, px.codePage()};
    return true;
}

} // namespace

bool ReadParadoxTable(const QString& paradoxFile, const QString& tableFile,
                      const QString& sqliteFile, int codePage, ReadTable* result, QString* error)
{
    const std::optional<Table> table = TableOf(tableFile);
    if (!table)
        return Fail(error, QStringLiteral("Nieznana tabela %1.").arg(tableFile));
    RemoveDatabaseFile(sqliteFile);
    if (IsSqliteFile(paradoxFile))
        return Fail(
            error,
            QStringLiteral("Plik %1 jest już tabelą SQLite, nie tabelą Paradox.").arg(paradoxFile));
    if (Read(paradoxFile, *table, sqliteFile, codePage, result, error))
        return true;
    RemoveDatabaseFile(sqliteFile);
    return false;
}
