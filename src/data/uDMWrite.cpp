// The data module's write operations: inserts, updates and deletes of taxpayers and entries.
#include "data/uDM.h"

#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"

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

// The stored columns of each table, in the order a stamp lists them (never the computed WARTOSC).
const QStringList kRejestrColumns = {
    QStringLiteral("ID"),          QStringLiteral("DATAWPISU"), QStringLiteral("DATADOK"),
    QStringLiteral("NALEZNOSC"),   QStringLiteral("STAWKA"),    QStringLiteral("DATAZAPLATY"),
    QStringLiteral("NRDOK"),       QStringLiteral("IMIE"),      QStringLiteral("NAZWISKO"),
    QStringLiteral("NIP"),         QStringLiteral("ADRES"),     QStringLiteral("KODPOCZT"),
    QStringLiteral("MIEJSCOWOSC"), QStringLiteral("UWAGI"),     QStringLiteral("IDKONTRAHENTA")};
const QStringList kKontrahenciColumns = {
    QStringLiteral("ID"),       QStringLiteral("NAZWA"),    QStringLiteral("NIP"),
    QStringLiteral("ADRES"),    QStringLiteral("KODPOCZT"), QStringLiteral("MIEJSCOWOSC"),
    QStringLiteral("TELEFONY"), QStringLiteral("UWAGI"),    QStringLiteral("SKROT")};

// The stored values of a row exactly as read (floats in their round-trip text), so a stamp
// taken from a view and one taken from the file now agree unless the record changed.
RecordStamp StampOf(const Query& q, int row, const QStringList& columns)
{
    RecordStamp stamp;
    for (const QString& column : columns) {
        stamp += q.rawTextAt(row, q.field(column)).toUtf8();
        stamp += '\x1f';
    }
    return stamp;
}

QString Key(qint64 entryId, qint64 taxpayerId)
{
    return QStringLiteral(" WHERE IDKONTRAHENTA=%1 AND ID=%2").arg(taxpayerId).arg(entryId);
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

template <typename Body> SaveResult TmyDataBase::inWriteTransaction(qint64 code, Body body)
{
    bool inTransaction = false;
    try {
        // The write lock first: no other copy can write between the checks and the write.
        DatabaseMain.exec(QStringLiteral("BEGIN IMMEDIATE"));
        inTransaction = true;
        const SaveResult::Outcome outcome = body();
        DatabaseMain.exec(outcome == SaveResult::Saved ? QStringLiteral("COMMIT")
                                                       : QStringLiteral("ROLLBACK"));
        return {outcome};
    } catch (const EDBEngineError& err) {
        mySQL.close();
        if (inTransaction) {
            try {
                DatabaseMain.exec(QStringLiteral("ROLLBACK"));
            } catch (const EDBEngineError&) {
                // The engine has already rolled back.
            }
        }
        ShowDBError(err, code);
        return {SaveResult::Failed};
    }
}

RecordStamp TmyDataBase::storedStamp(const QString& statement, const QStringList& columns)
{
    mySQL.close();
    mySQL.sql() = QStringList{QStringLiteral("SELECT ") + columns.join(u',') + statement};
    mySQL.open();
    const RecordStamp stamp = mySQL.isEmpty() ? RecordStamp() : StampOf(mySQL, 0, columns);
    mySQL.close();
    return stamp;
}

bool TmyDataBase::exists(const QString& statement)
{
    mySQL.close();
    mySQL.sql() = QStringList{statement + QStringLiteral(" LIMIT 1")};
    mySQL.open();
    const bool found = !mySQL.isEmpty();
    mySQL.close();
    return found;
}

RejestrEntryTexts TmyDataBase::CurrentRejestr() const
{
    const Query& r = DBFRejestr;
    const auto date = [&r](const char* name) {
        return IntToDateText(r.asInteger(QLatin1String(name)));
    };
    RejestrEntryTexts e;
    e.ID = r.asText(QStringLiteral("ID"));
    e.DATAWPISU = date("DATAWPISU");
    e.DATADOK = date("DATADOK");
    e.NRDOK = r.asText(QStringLiteral("NRDOK"));
    e.IMIE = r.asText(QStringLiteral("IMIE"));
    e.NAZWISKO = r.asText(QStringLiteral("NAZWISKO"));
    e.NIP = r.asText(QStringLiteral("NIP"));
    e.ADRES = r.asText(QStringLiteral("ADRES"));
    e.KODPOCZT = r.asText(QStringLiteral("KODPOCZT"));
    e.MIEJSCOWOSC = r.asText(QStringLiteral("MIEJSCOWOSC"));
    e.NALEZNOSC = FormatAmount(r.asFloat(QStringLiteral("NALEZNOSC")));
    e.STAWKA = FormatAmount(r.asFloat(QStringLiteral("STAWKA")));
    e.DATAZAPLATY = date("DATAZAPLATY");
    e.UWAGI = r.asText(QStringLiteral("UWAGI"));
    return e;
}

KontrahentTexts TmyDataBase::CurrentKontrahent() const
{
    const Query& k = DBFKontrahenci;
    return {k.asText(QStringLiteral("ID")),          k.asText(QStringLiteral("SKROT")),
            k.asText(QStringLiteral("NAZWA")),       k.asText(QStringLiteral("NIP")),
            k.asText(QStringLiteral("ADRES")),       k.asText(QStringLiteral("KODPOCZT")),
            k.asText(QStringLiteral("MIEJSCOWOSC")), k.asText(QStringLiteral("TELEFONY")),
            k.asText(QStringLiteral("UWAGI"))};
}

RecordStamp TmyDataBase::CurrentRejestrStamp() const
{
    return DBFRejestr.isEmpty() ? RecordStamp()
                                : StampOf(DBFRejestr, DBFRejestr.cursor(), kRejestrColumns);
}

RecordStamp TmyDataBase::CurrentKontrahentStamp() const
{
    return DBFKontrahenci.isEmpty()
               ? RecordStamp()
               : StampOf(DBFKontrahenci, DBFKontrahenci.cursor(), kKontrahenciColumns);
}

SaveResult TmyDataBase::InsertRejestr(qint64 taxpayerId, const RejestrEntryTexts& e)
{
    return inWriteTransaction(kInsertRejestr, [&] {
        const qint64 id = wholeNumber(e.ID).toLongLong();
        Query& q = DBFInsertRejestr;
        q.setLine(5, QString::number(id));
        q.setLine(7, dateCode(e.DATAWPISU));
        q.setLine(9, dateCode(e.DATADOK));
        q.setLine(11, decimalNumber(e.NALEZNOSC));
        q.setLine(13, decimalNumber(e.STAWKA));
        q.setLine(15, dateCode(e.DATAZAPLATY));
        bindRejestrTexts(q, e);
        q.setLine(18, QString::number(taxpayerId));
        // An entry under a number no taxpayer holds would be lost to every view.
        if (!exists(QStringLiteral("SELECT ID FROM kontrahenci.DB WHERE ID=") +
                    QString::number(taxpayerId)))
            return SaveResult::Removed;
        if (exists(QStringLiteral("SELECT ID FROM rejestr.DB") + Key(id, taxpayerId)))
            return SaveResult::Taken;
        q.execute();
        return SaveResult::Saved;
    });
}

SaveResult TmyDataBase::UpdateRejestr(qint64 oldId, qint64 taxpayerId, const RejestrEntryTexts& e,
                                      const RecordStamp& asRead)
{
    return inWriteTransaction(kUpdateRejestr, [&] {
        const qint64 id = wholeNumber(e.ID).toLongLong();
        Query& q = DBFUpdateRejestr;
        q.setLine(2, QString::number(id));
        q.setLine(4, dateCode(e.DATAWPISU));
        q.setLine(6, dateCode(e.DATADOK));
        q.setLine(8, decimalNumber(e.NALEZNOSC));
        q.setLine(10, decimalNumber(e.STAWKA));
        q.setLine(12, dateCode(e.DATAZAPLATY));
        bindRejestrTexts(q, e);
        q.setLine(22, QString::number(oldId));
        q.setLine(24, QString::number(taxpayerId));
        const RecordStamp stored = storedStamp(
            QStringLiteral(" FROM rejestr.DB") + Key(oldId, taxpayerId), kRejestrColumns);
        if (stored.isEmpty())
            return SaveResult::Removed;
        if (stored != asRead)
            return SaveResult::Changed;
        if (id != oldId &&
            exists(QStringLiteral("SELECT ID FROM rejestr.DB") + Key(id, taxpayerId)))
            return SaveResult::Taken;
        q.execute();
        return SaveResult::Saved;
    });
}

SaveResult TmyDataBase::DeleteRejestr(qint64 entryId, qint64 taxpayerId)
{
    return inWriteTransaction(kDeleteRejestr, [&] {
        DBFDeleteRejestr.setLine(1, QString::number(entryId));
        DBFDeleteRejestr.setLine(3, QString::number(taxpayerId));
        return DBFDeleteRejestr.execute() > 0 ? SaveResult::Saved : SaveResult::Removed;
    });
}

SaveResult TmyDataBase::InsertKontrahent(const KontrahentTexts& k)
{
    return inWriteTransaction(kInsertKontrahent, [&] {
        const QString id = wholeNumber(k.ID);
        if (exists(QStringLiteral("SELECT ID FROM kontrahenci.DB WHERE ID=") + id))
            return SaveResult::Taken;
        if (exists(QStringLiteral("SELECT ID FROM rejestr.DB WHERE IDKONTRAHENTA=") + id))
            return SaveResult::LeftOver;
        DBFInsertKontrahenci.setLine(2, id);
        bindKontrahentTexts(DBFInsertKontrahenci, k);
        DBFInsertKontrahenci.execute();
        return SaveResult::Saved;
    });
}

SaveResult TmyDataBase::UpdateKontrahent(qint64 oldId, const KontrahentTexts& k,
                                         const RecordStamp& asRead)
{
    return inWriteTransaction(kUpdateKontrahent, [&] {
        const QString newId = wholeNumber(k.ID);
        const QString old = QString::number(oldId);
        const RecordStamp stored = storedStamp(
            QStringLiteral(" FROM kontrahenci.DB WHERE ID=") + old, kKontrahenciColumns);
        if (stored.isEmpty())
            return SaveResult::Removed;
        if (stored != asRead)
            return SaveResult::Changed;
        if (newId != old) {
            if (exists(QStringLiteral("SELECT ID FROM kontrahenci.DB WHERE ID=") + newId))
                return SaveResult::Taken;
            if (exists(QStringLiteral("SELECT ID FROM rejestr.DB WHERE IDKONTRAHENTA=") + newId))
                return SaveResult::LeftOver;
        }
        Query& q = DBFUpdateKontrahenci;
        q.setLine(2, newId);
        bindKontrahentTexts(q, k);
        q.setLine(11, old);
        q.execute();
        if (newId != old) {
            // The entries belong to the taxpayer, not to its old number.
            Query move(&DatabaseMain);
            move.sql() << QStringLiteral("UPDATE rejestr.DB SET IDKONTRAHENTA=") + newId
                       << QStringLiteral("WHERE IDKONTRAHENTA=") + old;
            move.execute();
        }
        return SaveResult::Saved;
    });
}

SaveResult TmyDataBase::DeleteKontrahent(qint64 taxpayerId)
{
    return inWriteTransaction(kDeleteKontrahent, [&] {
        const QString id = QString::number(taxpayerId);
        // Entries without their taxpayer would be unreachable and reappear under a new one.
        if (exists(QStringLiteral("SELECT ID FROM rejestr.DB WHERE IDKONTRAHENTA=") + id))
            return SaveResult::HasEntries;
        DBFDeleteKontrahenci.setLine(1, id);
        return DBFDeleteKontrahenci.execute() > 0 ? SaveResult::Saved : SaveResult::Removed;
    });
}

bool TmyDataBase::KontrahentHasEntries(qint64 taxpayerId)
{
    return hasRow(QStringLiteral("SELECT ID FROM rejestr.DB WHERE IDKONTRAHENTA=") +
                  QString::number(taxpayerId) + QStringLiteral(" LIMIT 1"));
}
