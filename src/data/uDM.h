#pragma once

#include "data/uRecords.h"
#include "dbengine/Database.h"
#include "dbengine/Query.h"

#include <QObject>
#include <QSet>

#include <optional>

// Count and sums of what the register view selects, as shown: each a sum of the figures the
// rows show, exact in grosze.
struct RejestrSums
{
    QString count;
    QString amounts;
    QString values;
};

// The stored values of a record as a view read them, to tell at saving whether another copy of
// the program changed the record since.
using RecordStamp = QByteArray;

// How a write ended. Anything but Saved wrote nothing.
struct SaveResult
{
    enum Outcome
    {
        Saved,
        Failed,     // a database error, already reported
        Changed,    // another copy changed the record since the window read it
        Removed,    // another copy deleted or renumbered the record (or the entry's taxpayer)
        Taken,      // the number is in use
        LeftOver,   // entries of a deleted taxpayer remain under the number
        HasEntries, // a taxpayer with entries cannot be deleted
    };
    Outcome outcome = Failed;
    explicit operator bool() const { return outcome == Saved; }
};

// The data module: owns the connection and every statement the program sends. Statements are
// templates of whole lines; run-time values overwrite whole lines (slots), and texts typed by
// the user travel only as the named parameters PARAM0..PARAM7. Each operation catches the
// engine's error itself and reports it with its own code.
class TmyDataBase : public QObject
{
    Q_OBJECT
public:
    explicit TmyDataBase(QObject* parent = nullptr);

    // Connects to the program directory's db/ and opens the taxpayer view. A failure to
    // connect is not caught here: it raises EDBEngineError for the program-wide handler.
    void DMCreate();
    // DMCreate's connection and views alone, on the folder as it stands (after the tables have
    // been swapped for others).
    void OpenTables();

    // Register view (rejestr) and taxpayer view (kontrahenci): the grids show these.
    Query DBFRejestr;
    Query DBFKontrahenci;
    Query DBFInsertRejestr;
    Query DBFUpdateRejestr;
    Query DBFDeleteRejestr;
    Query DBFInsertKontrahenci;
    Query DBFUpdateKontrahenci;
    Query DBFDeleteKontrahenci;
    Query DBFRejestrSUMA;
    Query DBFKontrahenciSUMA;
    Query mySQL;
    Database DatabaseMain;

    // What the register view shows, in effect from its next RefreshRejestr: the entries of one
    // taxpayer (none: no entries), of a period (the whole register by default), in an order.
    void SetRejestrTaxpayer(std::optional<qint64> taxpayerId);
    std::optional<qint64> RejestrTaxpayer() const { return m_rejestrTaxpayer; }
    // A year (0: every year) and a month of it (1..12; 0: the whole year).
    void SetRejestrYearMonth(int year, int month);
    // Entry dates between two date texts as the date fields hold them; one with blanks is no
    // bound.
    void SetRejestrDateRange(const QString& fromText, const QString& toText);
    // The register's order: a column and its direction (SortRejestrBy is the title click).
    void SetRejestrSort(const QString& column, bool ascending);
    const QString& RejestrSortField() const { return m_rejestrSortField; }
    bool RejestrSortAscending() const { return m_rejestrSortAsc; }
    const QString& KontrahenciSortField() const { return m_kontrahenciSortField; }
    bool KontrahenciSortAscending() const { return m_kontrahenciSortAsc; }
    // What the search field above the taxpayer list holds: the taxpayer view and its count hold
    // only the taxpayers it finds (by abbreviation, name, NIP or town); empty: all of them. In
    // effect from the next RefreshKontrahenci.
    void SetKontrahenciSearch(const QString& text) { m_kontrahenciSearch = text; }

    void RefreshRejestr();
    void RefreshKontrahenci();
    // The same column again reverses the direction; another column keeps it.
    void SortRejestrBy(const QString& column);
    void SortKontrahenciBy(const QString& column);
    // Moves the view's cursor to the row; with no such row it ends on the last row.
    void LocateRejestr(qint64 entryId, qint64 taxpayerId);
    void LocateKontrahent(qint64 taxpayerId);
    // Whether another copy of the program saved something since the last question (on a
    // server, which tells; the files' views catch up at their next refresh). Never raises.
    bool OthersChanged();
    // Both views read anew, each cursor back on its record where that record still is.
    void RefreshKeepingRows();

    // Highest number in use (0 when none); -1 after a reported failure.
    qint64 MaxRejestrID(qint64 taxpayerId);
    qint64 MaxID(const QString& table, const QString& column);
    // The highest taxpayer number in use in either table: a taxpayer's, or one under which
    // entries remain.
    qint64 MaxTaxpayerNumber();
    // Answer yes on any failure, so nothing is saved on a doubt.
    bool RejestrIDExists(qint64 entryId, qint64 taxpayerId);
    bool RecordExists(qint64 value, const QString& table, const QString& column);

    // The current record of the register or taxpayer view as the edit windows show it, and the
    // stamp of its stored values.
    RejestrEntryTexts CurrentRejestr() const;
    KontrahentTexts CurrentKontrahent() const;
    RecordStamp CurrentRejestrStamp() const;
    RecordStamp CurrentKontrahentStamp() const;

    // Write operations. Each checks and writes in one transaction that holds the tables'
    // write lock, so two copies of the program can never interleave a check and a write: an
    // edit saves only over the record as asRead stamps it (Changed, Removed), an entry only
    // under a taxpayer that exists (Removed), a number only when it is free (Taken, LeftOver),
    // and a taxpayer is deleted only without entries (HasEntries). A database error is
    // reported with the operation's code (Failed).
    SaveResult InsertRejestr(qint64 taxpayerId, const RejestrEntryTexts& entry);
    SaveResult UpdateRejestr(qint64 oldId, qint64 taxpayerId, const RejestrEntryTexts& entry,
                             const RecordStamp& asRead);
    SaveResult DeleteRejestr(qint64 entryId, qint64 taxpayerId);
    SaveResult InsertKontrahent(const KontrahentTexts& taxpayer);
    // A changed number takes the taxpayer's register entries along, in the same transaction.
    SaveResult UpdateKontrahent(qint64 oldId, const KontrahentTexts& taxpayer,
                                const RecordStamp& asRead);
    SaveResult DeleteKontrahent(qint64 taxpayerId);
    // Whether the taxpayer still has register entries (yes when it cannot be told).
    bool KontrahentHasEntries(qint64 taxpayerId);

    std::optional<RejestrSums> SumRejestr();
    std::optional<QString> CountKontrahenci();
    QString BDEVersion();

    // The ORDER BY expression for a grid column: the tax value is computed, never stored; a
    // text column sorts in Polish alphabetical order.
    QString SortExpression(const QString& column) const;

private:
    QString rejestrTaxpayerFilter() const;

    // The views' state, written into their lines at each refresh.
    QString m_rejestrDateFilter;
    std::optional<qint64> m_rejestrTaxpayer;
    QString m_rejestrSortField = QStringLiteral("ID");
    bool m_rejestrSortAsc = true;
    QString m_kontrahenciSortField = QStringLiteral("ID");
    bool m_kontrahenciSortAsc = true;
    QString m_kontrahenciSearch;

    template <typename Body> SaveResult inWriteTransaction(qint64 code, Body body);
    // The stamp of the record the statement selects; empty when there is none.
    RecordStamp storedStamp(const QString& statement, const QStringList& columns);
    // Whether the statement selects a row; raises EDBEngineError when it cannot be told.
    bool exists(const QString& statement);
    void attachDisplayRules();
    // The taxpayer view's line 1 and its parameter, on the view or its count.
    void putSearch(Query& q) const;
    void bindRejestrTexts(Query& q, const RejestrEntryTexts& entry);
    void bindKontrahentTexts(Query& q, const KontrahentTexts& taxpayer);
    qint64 scalarId(const QString& statement);
    bool hasRow(const QString& statement);

    // Columns the tables declare TEXT, read when the tables are opened.
    QSet<QString> m_textColumns;
};

// The one data module of the running program (null until start-up creates it).
extern TmyDataBase* myDataBase;
