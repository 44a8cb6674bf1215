#include "import/TableSwap.h"

#include "data/uDM.h"
#include "dbengine/EDBEngineError.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const QString& text)
{
    return fs::path(QFile::encodeName(text).toStdString());
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString Aside(const QString& live)
{
    return live + QStringLiteral(".old");
}

bool Rename(const QString& from, const QString& to, QString* error)
{
    std::error_code ec;
    fs::rename(ToPath(from), ToPath(to), ec);
    return !ec || Fail(error, QStringLiteral("Nie można przenieść %1 do %2: %3.")
                                  .arg(from, to, QString::fromStdString(ec.message())));
}

struct Step
{
    bool movedAside = false;
    bool placed = false;
};

// Latest step first, so each live name gets back exactly the file it had.
void RollBack(const std::vector<StagedTable>& tables, std::vector<Step>& steps)
{
    for (size_t i = steps.size(); i-- > 0;) {
        std::error_code ignored;
        if (steps[i].placed)
            fs::rename(ToPath(tables[i].live), ToPath(tables[i].staged), ignored);
        if (steps[i].movedAside)
            fs::rename(ToPath(Aside(tables[i].live)), ToPath(tables[i].live), ignored);
        steps[i] = Step();
    }
}

bool Swap(const std::vector<StagedTable>& tables, std::vector<Step>& steps, QString* error)
{
    for (const StagedTable& t : tables) {
        // A rollback journal with content means a writer was cut short: SQLite would roll it
        // into whatever file carries the name next.
        if (QFileInfo(t.live + QStringLiteral("-journal")).size() > 0)
            return Fail(error, QStringLiteral("Plik %1 ma niezakończony zapis.").arg(t.live));
    }
    for (size_t i = 0; i < tables.size(); ++i) {
        if (QFileInfo::exists(tables[i].live)) {
            if (!Rename(tables[i].live, Aside(tables[i].live), error))
                return false;
            steps[i].movedAside = true;
        }
        if (!Rename(tables[i].staged, tables[i].live, error))
            return false;
        steps[i].placed = true;
    }
    return true;
}

void CloseStatements(TmyDataBase& dm)
{
    for (Query* q :
         {&dm.DBFRejestr, &dm.DBFKontrahenci, &dm.DBFInsertRejestr, &dm.DBFUpdateRejestr,
          &dm.DBFDeleteRejestr, &dm.DBFInsertKontrahenci, &dm.DBFUpdateKontrahenci,
          &dm.DBFDeleteKontrahenci, &dm.DBFRejestrSUMA, &dm.DBFKontrahenciSUMA, &dm.mySQL})
        q->release();
}

bool Connect(Database& db, QString* error)
{
    try {
        db.connect();
        return true;
    } catch (const EDBEngineError& e) {
        return Fail(error, e.message());
    }
}

} // namespace

bool SwapInTables(TmyDataBase* dataModule, const std::vector<StagedTable>& tables, QString* error)
{
    Database* db = dataModule ? &dataModule->DatabaseMain : nullptr;
    const bool connected = db && db->isConnected();
    std::vector<Step> steps(tables.size());
    QString why;
    bool ok = true;
    if (connected) {
        CloseStatements(*dataModule);
        // A statement prepared elsewhere would keep the earlier files open past the swap.
        ok = !sqlite3_next_stmt(db->handle(), nullptr) ||
             Fail(&why, QStringLiteral("Połączenie z bazą danych ma otwarte zapytania."));
        if (ok)
            db->disconnect();
    }
    ok = ok && Swap(tables, steps, &why);
    if (ok && connected)
        ok = Connect(*db, &why);
    if (!ok) {
        RollBack(tables, steps);
        if (connected && !db->isConnected())
            Connect(*db, nullptr);
        for (const StagedTable& t : tables)
            QFile::remove(t.staged);
    }
    if (connected && db->isConnected())
        dataModule->RefreshKontrahenci();
    if (!ok)
        return Fail(error, why);
    for (const StagedTable& t : tables)
        QFile::remove(Aside(t.live));
    return true;
}
