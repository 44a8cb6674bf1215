#include "data/uDM.h"

#include "data/Amounts.h"
#include "data/PeriodFilter.h"
#include "data/Regional.h"
#include "data/ServerSchema.h"
#include "data/TableSwap.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/PgConnection.h"
#include "dbengine/PolishText.h"
#include "dbengine/Session.h"

#include <functional>

TmyDataBase* myDataBase = nullptr;

namespace {

// Rows of a view read when it opens: a grid's first screen, also on a tall monitor.
constexpr int kFirstScreen = 60;

enum Code : qint64
{
    kRefreshRejestr = 101719,
    kRefreshKontrahenci = 101349,
    kLocateRejestr = 101717,
    kLocateKontrahent = 101350,
    kMaxRejestrID = 101347,
    kMaxID = 801,
    kSumRejestr = 102210,
    kCountKontrahenci = 112210,
};

QString direction(bool ascending)
{
    return ascending ? QStringLiteral("ASC") : QStringLiteral("DESC");
}

void setLines(Query& q, const QStringList& lines)
{
    q.sql() = lines;
}

} // namespace

TmyDataBase::TmyDataBase(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("myDataBase"));
    DatabaseMain.databaseName = QStringLiteral("DBREJESTR");
    DatabaseMain.driverName = QStringLiteral("STANDARD");
    for (Query* q : {&DBFRejestr, &DBFKontrahenci, &DBFInsertRejestr, &DBFUpdateRejestr,
                     &DBFDeleteRejestr, &DBFInsertKontrahenci, &DBFUpdateKontrahenci,
                     &DBFDeleteKontrahenci, &DBFRejestrSUMA, &DBFKontrahenciSUMA, &mySQL})
        q->setDatabase(&DatabaseMain);
    // The views end with their ORDER BY; the row number makes that order total, so each
    // window of a view meets the next exactly.
    DBFRejestr.setFirstScreen(kFirstScreen, QStringLiteral(", rowid"));
    DBFKontrahenci.setFirstScreen(kFirstScreen, QStringLiteral(", rowid"));

    const QString empty;
    setLines(DBFRejestr, {QStringLiteral("SELECT * FROM rejestr.DB WHERE 1=1"), empty, empty, empty,
                          QStringLiteral("ORDER BY"), empty, empty});
    setLines(DBFKontrahenci, {QStringLiteral("SELECT * FROM kontrahenci.DB WHERE 1=1"), empty,
                              empty, empty, QStringLiteral("ORDER BY"), empty, empty});
    setLines(DBFInsertRejestr, {QStringLiteral("INSERT INTO rejestr.DB(ID,DATAWPISU,DATADOK,"),
                                QStringLiteral("NALEZNOSC,STAWKA,DATAZAPLATY,"),
                                QStringLiteral("NRDOK,IMIE,NAZWISKO,NIP,ADRES,KODPOCZT,"),
                                QStringLiteral("MIEJSCOWOSC,UWAGI,IDKONTRAHENTA"),
                                QStringLiteral(") VALUES ("),
                                empty,
                                QStringLiteral(","),
                                empty,
                                QStringLiteral(","),
                                empty,
                                QStringLiteral(","),
                                empty,
                                QStringLiteral(","),
                                empty,
                                QStringLiteral(","),
                                empty,
                                QStringLiteral(",:PARAM0,:PARAM1,:PARAM2"),
                                QStringLiteral(",:PARAM3,:PARAM4,:PARAM5,:PARAM6,:PARAM7,"),
                                empty,
                                QStringLiteral(")")});
    setLines(DBFUpdateRejestr, {QStringLiteral("UPDATE rejestr.DB SET"),
                                QStringLiteral("ID="),
                                empty,
                                QStringLiteral(",DATAWPISU="),
                                empty,
                                QStringLiteral(",DATADOK="),
                                empty,
                                QStringLiteral(",NALEZNOSC="),
                                empty,
                                QStringLiteral(",STAWKA="),
                                empty,
                                QStringLiteral(",DATAZAPLATY="),
                                empty,
                                QStringLiteral(",NRDOK=:PARAM0"),
                                QStringLiteral(",IMIE=:PARAM1"),
                                QStringLiteral(",NAZWISKO=:PARAM2"),
                                QStringLiteral(",NIP=:PARAM3"),
                                QStringLiteral(",ADRES=:PARAM4"),
                                QStringLiteral(",KODPOCZT=:PARAM5"),
                                QStringLiteral(",MIEJSCOWOSC=:PARAM6"),
                                QStringLiteral(",UWAGI=:PARAM7"),
                                QStringLiteral("WHERE ID="),
                                empty,
                                QStringLiteral("AND IDKONTRAHENTA="),
                                empty});
    setLines(DBFDeleteRejestr, {QStringLiteral("DELETE FROM rejestr.DB WHERE ID= "), empty,
                                QStringLiteral("AND IDKONTRAHENTA="), empty, empty});
    setLines(DBFInsertKontrahenci,
             {QStringLiteral("INSERT INTO kontrahenci.DB(ID,NAZWA,NIP,ADRES,KODPOCZT,"),
              QStringLiteral("MIEJSCOWOSC,TELEFONY,UWAGI,SKROT) VALUES ("), empty,
              QStringLiteral(",:PARAM0,:PARAM1,:PARAM2"),
              QStringLiteral(",:PARAM3,:PARAM4,:PARAM5,:PARAM6,:PARAM7)")});
    setLines(DBFUpdateKontrahenci,
             {QStringLiteral("UPDATE kontrahenci.DB SET"), QStringLiteral("ID="), empty,
              QStringLiteral(",NAZWA=:PARAM0"), QStringLiteral(",NIP=:PARAM1"),
              QStringLiteral(",ADRES=:PARAM2"), QStringLiteral(",KODPOCZT=:PARAM3"),
              QStringLiteral(",MIEJSCOWOSC=:PARAM4"), QStringLiteral(",TELEFONY=:PARAM5"),
              QStringLiteral(",UWAGI=:PARAM6,SKROT=:PARAM7"), QStringLiteral("WHERE ID="), empty,
              empty});
    setLines(DBFDeleteKontrahenci,
             {QStringLiteral("DELETE FROM kontrahenci.DB WHERE ID= "), empty, empty, empty});
    // Totals of what the rows show, added in whole grosze (each tax value rounded first).
    setLines(DBFRejestrSUMA,
             {QStringLiteral("SELECT COUNT(*),SUM(") +
                  AmountHundredthsSql(QStringLiteral("NALEZNOSC")) + QStringLiteral("),SUM(") +
                  TaxValueGroszeSql(QStringLiteral("NALEZNOSC"), QStringLiteral("STAWKA")) +
                  QStringLiteral(") FROM rejestr.DB WHERE 1 = 1"),
              empty, empty, empty});
    setLines(DBFKontrahenciSUMA, {QStringLiteral("SELECT COUNT(*) FROM kontrahenci.DB WHERE 1 = 1"),
                                  empty, empty, empty});
}

void TmyDataBase::DMCreate()
{
    DatabaseMain.disconnect();
    DatabaseMain.params.clear();
    // Only these two: an old Paradox table copied into db/ must not stop the program.
    SetTableNames();
    DatabaseMain.tableFiles = {TableNames.cbegin(), TableNames.cend()};
    if (const QString server = ServerConnInfo(); !server.isEmpty()) {
        DatabaseMain.params << QStringLiteral("SERVER=") + server;
        OpenTables();
        return;
    }
    DatabaseMain.params << QStringLiteral("PATH=") + ProgramPath(QStringLiteral("db/"));
    // Beside the program's files, out of db/: renumbering a taxpayer writes both tables.
    DatabaseMain.mainFile = ProgramPath(QStringLiteral(".sesja"));
    // A restore or import cut short (a power cut) is undone before the tables are opened.
    if (FinishInterruptedSwap(ProgramPath(QStringLiteral("db"))))
        LogError(QStringLiteral("Przywrócono tabele sprzed przerwanej wymiany plików"));
    OpenTables();
}

void TmyDataBase::OpenTables()
{
    DatabaseMain.connect();
    if (DatabaseMain.store() == Database::Store::Server)
        DatabaseMain.serverConnection().listen(QLatin1String(kChangesChannel));
    m_textColumns.clear();
    for (const QString& table : {QStringLiteral("rejestr"), QStringLiteral("kontrahenci")}) {
        for (const QString& column : DatabaseMain.textColumns(table))
            m_textColumns.insert(column.toUpper());
    }

    m_kontrahenciSortField = QStringLiteral("ID");
    m_kontrahenciSortAsc = true;
    m_rejestrDateFilter.clear();
    m_rejestrTaxpayer.reset();
    m_rejestrSortField = QStringLiteral("ID");
    m_rejestrSortAsc = true;
    RefreshKontrahenci();
}

QString TmyDataBase::SortExpression(const QString& column) const
{
    // The stored WARTOSC stays empty; order by what the grid shows instead.
    if (column.compare(QLatin1String("WARTOSC"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("NALEZNOSC*STAWKA");
    // Only texts: a collation on a number column would keep the planner off its index.
    if (m_textColumns.contains(column.toUpper()))
        return column + QStringLiteral(" COLLATE ") + QLatin1String(kPolishCollation);
    return column;
}

void TmyDataBase::putSearch(Query& q) const
{
    const QString needle = m_kontrahenciSearch.trimmed();
    q.setLine(1, needle.isEmpty()
                     ? QString()
                     : QStringLiteral("AND SZUKAJ(:PARAM0,NIP,SKROT,NAZWA,MIEJSCOWOSC)"));
    q.setParam(QStringLiteral("PARAM0"), needle);
}

void TmyDataBase::attachDisplayRules()
{
    Query& q = DBFRejestr;
    q.clearDisplayHooks();
    const auto dateRule = [](int field) {
        return [field](const Query& v, int row) { return IntToDateText(v.integerAt(row, field)); };
    };
    for (const char* name : {"DATAWPISU", "DATADOK", "DATAZAPLATY"}) {
        const int f = q.field(QLatin1String(name));
        q.setDisplayHook(QLatin1String(name), dateRule(f));
    }
    const int amount = q.field(QStringLiteral("NALEZNOSC"));
    const int rate = q.field(QStringLiteral("STAWKA"));
    q.field(QStringLiteral("WARTOSC"));
    q.setDisplayHook(QStringLiteral("NALEZNOSC"), [amount](const Query& v, int row) {
        return FormatAmount(v.floatAt(row, amount));
    });
    q.setDisplayHook(QStringLiteral("STAWKA"),
                     [rate](const Query& v, int row) { return FormatRate(v.floatAt(row, rate)); });
    q.setDisplayHook(QStringLiteral("WARTOSC"), [amount, rate](const Query& v, int row) {
        return FormatTaxValue(v.floatAt(row, amount), v.floatAt(row, rate));
    });
}

void TmyDataBase::RefreshRejestr()
{
    try {
        DBFRejestr.setLine(1, QString());
        DBFRejestr.setLine(2, m_rejestrDateFilter);
        DBFRejestr.setLine(3, rejestrTaxpayerFilter());
        DBFRejestr.setLine(5, SortExpression(m_rejestrSortField));
        DBFRejestr.setLine(6, direction(m_rejestrSortAsc));
        DBFRejestr.close();
        DBFRejestr.open();
        attachDisplayRules();
    } catch (const EDBEngineError& e) {
        ShowDBError(e, kRefreshRejestr);
    }
}

void TmyDataBase::SetRejestrTaxpayer(std::optional<qint64> taxpayerId)
{
    m_rejestrTaxpayer = taxpayerId;
}

void TmyDataBase::SetRejestrSort(const QString& column, bool ascending)
{
    m_rejestrSortField = column;
    m_rejestrSortAsc = ascending;
}

QString TmyDataBase::rejestrTaxpayerFilter() const
{
    // As a number, as the writes address it: no stored text ever becomes SQL. No taxpayer: a
    // number none has, so the view is empty.
    return QStringLiteral("AND IDKONTRAHENTA=%1").arg(m_rejestrTaxpayer.value_or(-1));
}

void TmyDataBase::SetRejestrYearMonth(int year, int month)
{
    m_rejestrDateFilter = YearMonthFilter(month, year > 0 ? YearIndex(year) : 0);
}

void TmyDataBase::SetRejestrDateRange(const QString& fromText, const QString& toText)
{
    m_rejestrDateFilter = DateRangeFilter(fromText, toText);
}

void TmyDataBase::RefreshKontrahenci()
{
    try {
        for (int line = 1; line <= 3; ++line)
            DBFKontrahenci.setLine(line, QString());
        putSearch(DBFKontrahenci);
        DBFKontrahenci.setLine(5, SortExpression(m_kontrahenciSortField));
        DBFKontrahenci.setLine(6, direction(m_kontrahenciSortAsc));
        DBFKontrahenci.close();
        DBFKontrahenci.open();
    } catch (const EDBEngineError& e) {
        ShowDBError(e, kRefreshKontrahenci);
    }
}

void TmyDataBase::SortRejestrBy(const QString& column)
{
    if (column == m_rejestrSortField)
        m_rejestrSortAsc = !m_rejestrSortAsc;
    m_rejestrSortField = column;
    RefreshRejestr();
}

void TmyDataBase::SortKontrahenciBy(const QString& column)
{
    if (column == m_kontrahenciSortField)
        m_kontrahenciSortAsc = !m_kontrahenciSortAsc;
    m_kontrahenciSortField = column;
    RefreshKontrahenci();
}

namespace {

// Moves the view's cursor to the first row meeting the condition, or, with none, to the last
// row. A windowed view counts the rows before it; any other walks its rows.
void locateRow(Query& q, const QString& condition, const std::function<bool()>& matches)
{
    if (q.windowed()) {
        if (q.locate(condition) < 0)
            q.setCursor(q.countRows() - 1);
        return;
    }
    q.first();
    while (!q.eof() && !matches())
        q.next();
}

} // namespace

void TmyDataBase::LocateRejestr(qint64 entryId, qint64 taxpayerId)
{
    Query& q = DBFRejestr;
    q.disableControls();
    try {
        const int id = q.field(QStringLiteral("ID"));
        const int owner = q.field(QStringLiteral("IDKONTRAHENTA"));
        locateRow(q, QStringLiteral("ID=%1 AND IDKONTRAHENTA=%2").arg(entryId).arg(taxpayerId),
                  [&] {
                      return q.integerAt(q.cursor(), id) == entryId &&
                             q.integerAt(q.cursor(), owner) == taxpayerId;
                  });
    } catch (const EDBEngineError& e) {
        ShowDBError(e, kLocateRejestr);
    } catch (const std::exception& e) {
        ShowDBError(QString::fromUtf8(e.what()), kLocateRejestr);
    }
    q.enableControls();
}

bool TmyDataBase::OthersChanged()
{
    if (DatabaseMain.store() != Database::Store::Server)
        return false;
    return !DatabaseMain.serverConnection().takeNotifications().isEmpty();
}

void TmyDataBase::RefreshKeepingRows()
{
    const bool hadTaxpayer = !DBFKontrahenci.isEmpty();
    const qint64 taxpayer = hadTaxpayer ? DBFKontrahenci.asInteger(QStringLiteral("ID")) : 0;
    const bool hadEntry = !DBFRejestr.isEmpty();
    const qint64 entry = hadEntry ? DBFRejestr.asInteger(QStringLiteral("ID")) : 0;
    const qint64 entryTaxpayer =
        hadEntry ? DBFRejestr.asInteger(QStringLiteral("IDKONTRAHENTA")) : 0;
    RefreshKontrahenci();
    if (hadTaxpayer)
        LocateKontrahent(taxpayer);
    RefreshRejestr();
    if (hadEntry)
        LocateRejestr(entry, entryTaxpayer);
}

void TmyDataBase::LocateKontrahent(qint64 taxpayerId)
{
    Query& q = DBFKontrahenci;
    q.disableControls();
    try {
        const int id = q.field(QStringLiteral("ID"));
        locateRow(q, QStringLiteral("ID=%1").arg(taxpayerId),
                  [&] { return q.integerAt(q.cursor(), id) == taxpayerId; });
    } catch (const EDBEngineError& e) {
        ShowDBError(e, kLocateKontrahent);
    } catch (const std::exception& e) {
        ShowDBError(QString::fromUtf8(e.what()), kLocateKontrahent);
    }
    q.enableControls();
}

qint64 TmyDataBase::scalarId(const QString& statement)
{
    mySQL.close();
    mySQL.sql().clear();
    mySQL.sql() << statement;
    mySQL.open();
    const qint64 result = mySQL.isEmpty() ? 0 : mySQL.asInteger(QStringLiteral("ID"));
    mySQL.close();
    return result;
}

qint64 TmyDataBase::MaxRejestrID(qint64 taxpayerId)
{
    try {
        return scalarId(
            QStringLiteral("SELECT MAX(ID) AS ID FROM rejestr.DB WHERE IDKONTRAHENTA=") +
            QString::number(taxpayerId));
    } catch (const EDBEngineError& e) {
        mySQL.close();
        ShowDBError(e, kMaxRejestrID);
        return -1;
    }
}

qint64 TmyDataBase::MaxID(const QString& table, const QString& column)
{
    try {
        return scalarId(QStringLiteral("SELECT MAX(") + column + QStringLiteral(") AS ID FROM ") +
                        table);
    } catch (const EDBEngineError& e) {
        mySQL.close();
        ShowDBError(e, kMaxID);
        return -1;
    }
}

qint64 TmyDataBase::MaxTaxpayerNumber()
{
    try {
        // Entries left under the number of a deleted taxpayer keep that number taken.
        return scalarId(QStringLiteral("SELECT MAX(ID) AS ID FROM (SELECT MAX(ID) AS ID FROM "
                                       "kontrahenci.DB UNION ALL SELECT MAX(IDKONTRAHENTA) FROM "
                                       "rejestr.DB)"));
    } catch (const EDBEngineError& e) {
        mySQL.close();
        ShowDBError(e, kMaxID);
        return -1;
    }
}

bool TmyDataBase::hasRow(const QString& statement)
{
    bool answer = true;
    try {
        mySQL.close();
        mySQL.sql().clear();
        mySQL.sql() << statement;
        mySQL.open();
        answer = !mySQL.isEmpty();
    } catch (...) {
        // A check that cannot be made counts as "taken": nothing is saved on a doubt.
        answer = true;
    }
    mySQL.close();
    return answer;
}

bool TmyDataBase::RejestrIDExists(qint64 entryId, qint64 taxpayerId)
{
    return hasRow(QStringLiteral("SELECT * FROM rejestr.DB WHERE IDKONTRAHENTA=") +
                  QString::number(taxpayerId) + QStringLiteral(" AND ID= ") +
                  QString::number(entryId));
}

bool TmyDataBase::RecordExists(qint64 value, const QString& table, const QString& column)
{
    return hasRow(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(".DB WHERE ") + column +
                  QStringLiteral(" = ") + QString::number(value));
}

std::optional<RejestrSums> TmyDataBase::SumRejestr()
{
    try {
        DBFRejestrSUMA.close();
        DBFRejestrSUMA.setLine(1, QString());
        DBFRejestrSUMA.setLine(2, m_rejestrDateFilter);
        DBFRejestrSUMA.setLine(3, rejestrTaxpayerFilter());
        DBFRejestrSUMA.open();
        RejestrSums sums;
        sums.count = DBFRejestrSUMA.textAt(0, 0);
        // Whole grosze, held in a real number.
        const auto total = [this](int field) {
            GroszeTotal sum;
            sum.addGroszeCount(DBFRejestrSUMA.floatAt(0, field));
            return sum.text();
        };
        sums.amounts = total(1);
        sums.values = total(2);
        DBFRejestrSUMA.close();
        return sums;
    } catch (const EDBEngineError& e) {
        DBFRejestrSUMA.close();
        ShowDBError(e, kSumRejestr);
        return std::nullopt;
    }
}

std::optional<QString> TmyDataBase::CountKontrahenci()
{
    try {
        DBFKontrahenciSUMA.close();
        for (int line = 1; line <= 3; ++line)
            DBFKontrahenciSUMA.setLine(line, QString());
        putSearch(DBFKontrahenciSUMA);
        DBFKontrahenciSUMA.open();
        const QString count = DBFKontrahenciSUMA.textAt(0, 0);
        DBFKontrahenciSUMA.close();
        return count;
    } catch (const EDBEngineError& e) {
        DBFKontrahenciSUMA.close();
        ShowDBError(e, kCountKontrahenci);
        return std::nullopt;
    }
}

QString TmyDataBase::BDEVersion()
{
    try {
        return QString::number(Session::engineVersion());
    } catch (...) {
        return QStringLiteral("-1");
    }
}
