// The data module's write operations: inserts, updates and deletes of taxpayers and entries.
#include "data/uDM.h"

#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"

#include <sqlite3.h>

namespace {

enum Code : qint64
{
    kInsertRejestr = 101654,
    kUpdateRejestr = 101826,
    kDeleteRejestr = 102115,
    kInsertKontrahent = 111654,
    kUpdateKontrahent = 121826,
    kDeleteKontrahent = 112115,
};

// Numbers go into the statement text, so only a well-formed number may: anything else is an
// error, never SQL.
QString wholeNumber(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw EDBEngineError(QStringLiteral("Niepoprawna liczba całkowita: '%1'").arg(text));
    return QString::number(value);
}

QString decimalNumber(const QString& text)
{
    const QString dotted = ReplaceChar(text.trimmed(), u',', u'.');
    bool ok = false;
    dotted.toDouble(&ok);
    if (!ok || dotted.contains(u'e', Qt::CaseInsensitive))
        throw EDBEngineError(QStringLiteral("Niepoprawna kwota: '%1'").arg(text));
    return dotted;
}

QString dateCode(const QString& text)
{
    return QString::number(DateTextToInt(text));
}

// An edit that changed no row was made on a record that another copy of the program deleted or
// renumbered meanwhile: the user learns the save did not happen instead of being told it did.
void requireChangedRow(const Database& db)
{
    if (sqlite3_changes(db.handle()) == 0)
        throw EDBEngineError(QStringLiteral("Nie znaleziono zapisu do zmiany: mógł zostać "
                                            "usunięty lub zmieniony w innej kopii programu."));
}

} // namespace

void TmyDataBase::bindRejestrTexts(Query& q, const RejestrEntryTexts& e)
{
    const QString texts[] = {e.NRDOK, e.IMIE,     e.NAZWISKO,    e.NIP,
                             e.ADRES, e.KODPOCZT, e.MIEJSCOWOSC, e.UWAGI};
    for (int i = 0; i < 8; ++i)
        q.setParam(QStringLiteral("PARAM%1").arg(i), texts[i]);
}

void TmyDataBase::bindKontrahentTexts(Query& q, const KontrahentTexts& k)
{
    const QString texts[] = {k.NAZWA,       k.NIP,      k.ADRES, k.KODPOCZT,
                             k.MIEJSCOWOSC, k.TELEFONY, k.UWAGI, k.SKROT};
    for (int i = 0; i < 8; ++i)
        q.setParam(QStringLiteral("PARAM%1").arg(i), texts[i]);
}

bool TmyDataBase::InsertRejestr(qint64 taxpayerId, const RejestrEntryTexts& e)
{
    try {
        Query& q = DBFInsertRejestr;
        q.setLine(5, wholeNumber(e.ID));
        q.setLine(7, dateCode(e.DATAWPISU));
        q.setLine(9, dateCode(e.DATADOK));
        q.setLine(11, decimalNumber(e.NALEZNOSC));
        q.setLine(13, decimalNumber(e.STAWKA));
        q.setLine(15, dateCode(e.DATAZAPLATY));
        bindRejestrTexts(q, e);
        q.setLine(18, QString::number(taxpayerId));
        q.execute();
        return true;
    } catch (const EDBEngineError& err) {
        ShowDBError(err, kInsertRejestr);
        return false;
    }
}

bool TmyDataBase::UpdateRejestr(qint64 oldId, qint64 taxpayerId, const RejestrEntryTexts& e)
{
    try {
        Query& q = DBFUpdateRejestr;
        q.setLine(2, wholeNumber(e.ID));
        q.setLine(4, dateCode(e.DATAWPISU));
        q.setLine(6, dateCode(e.DATADOK));
        q.setLine(8, decimalNumber(e.NALEZNOSC));
        q.setLine(10, decimalNumber(e.STAWKA));
        q.setLine(12, dateCode(e.DATAZAPLATY));
        bindRejestrTexts(q, e);
        q.setLine(22, QString::number(oldId));
        q.setLine(24, QString::number(taxpayerId));
        q.execute();
        requireChangedRow(DatabaseMain);
        return true;
    } catch (const EDBEngineError& err) {
        ShowDBError(err, kUpdateRejestr);
        return false;
    }
}

bool TmyDataBase::DeleteRejestr(qint64 entryId, qint64 taxpayerId)
{
    try {
        DBFDeleteRejestr.setLine(1, QString::number(entryId));
        DBFDeleteRejestr.setLine(3, QString::number(taxpayerId));
        DBFDeleteRejestr.execute();
        return true;
    } catch (const EDBEngineError& err) {
        ShowDBError(err, kDeleteRejestr);
        return false;
    }
}

bool TmyDataBase::InsertKontrahent(const KontrahentTexts& k)
{
    try {
        DBFInsertKontrahenci.setLine(2, wholeNumber(k.ID));
        bindKontrahentTexts(DBFInsertKontrahenci, k);
        DBFInsertKontrahenci.execute();
        return true;
    } catch (const EDBEngineError& err) {
        ShowDBError(err, kInsertKontrahent);
        return false;
    }
}

bool TmyDataBase::UpdateKontrahent(qint64 oldId, const KontrahentTexts& k)
{
    bool inTransaction = false;
    try {
        const QString newId = wholeNumber(k.ID);
        Query& q = DBFUpdateKontrahenci;
        q.setLine(2, newId);
        bindKontrahentTexts(q, k);
        q.setLine(11, QString::number(oldId));
        DatabaseMain.exec(QStringLiteral("BEGIN IMMEDIATE"));
        inTransaction = true;
        q.execute();
        requireChangedRow(DatabaseMain);
        if (newId != QString::number(oldId)) {
            // The entries belong to the taxpayer, not to its old number.
            Query move(&DatabaseMain);
            move.sql() << QStringLiteral("UPDATE rejestr.DB SET IDKONTRAHENTA=") + newId
                       << QStringLiteral("WHERE IDKONTRAHENTA=") + QString::number(oldId);
            move.execute();
        }
        DatabaseMain.exec(QStringLiteral("COMMIT"));
        return true;
    } catch (const EDBEngineError& err) {
        if (inTransaction) {
            try {
                DatabaseMain.exec(QStringLiteral("ROLLBACK"));
            } catch (const EDBEngineError&) {
                // The engine has already rolled back.
            }
        }
        ShowDBError(err, kUpdateKontrahent);
        return false;
    }
}

bool TmyDataBase::DeleteKontrahent(qint64 taxpayerId)
{
    try {
        DBFDeleteKontrahenci.setLine(1, QString::number(taxpayerId));
        DBFDeleteKontrahenci.execute();
        return true;
    } catch (const EDBEngineError& err) {
        ShowDBError(err, kDeleteKontrahent);
        return false;
    }
}

bool TmyDataBase::KontrahentHasEntries(qint64 taxpayerId)
{
    return hasRow(QStringLiteral("SELECT ID FROM rejestr.DB WHERE IDKONTRAHENTA=") +
                  QString::number(taxpayerId) + QStringLiteral(" LIMIT 1"));
}
