#pragma once

#include "data/Amounts.h"
#include "report/Report.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class Query;
class TfReportParams;
class QWidget;

// What the main window hands the report: the view it prints, in its order, and the period it
// shows.
struct ReportCriteria
{
    Query* view = nullptr;
    // "od 01-03-2026 do 31-03-2026" for a date range, else the month's name and a blank (unless
    // all months) followed by the year list's text.
    QString period;
    bool dateRange = false;
};

// The report data module: prints the selected taxpayer's register for the period the main window
// shows. It walks the register view it is handed, answers the template's variables from that
// view (by field name), the taxpayer view and the parameters window, and shows the preview over
// window.
class TDMRaporty : public QObject
{
    Q_OBJECT
public:
    TDMRaporty(TfReportParams* params, QWidget* window, QObject* parent = nullptr);

    ReportUserDataset frUserDataset2;
    Report frReport2; // title "Rejestr TARV"

    // Set to 1 when the report goes to its first row; nothing else changes it.
    int pageNumber = 0;
    // The NALEZNOSC and WARTOSC texts handed out since the first row, added as the figures they
    // print, exactly in grosze.
    GroszeTotal amountSum;
    GroszeTotal valueSum;

    // The main window's "Raport" button: date and town preset, the parameters window (however
    // it is closed, the report goes on), the template read afresh from the program directory,
    // the prepared report in its preview. A template that cannot be read or understood, and any
    // error while preparing, goes to the program-wide handler and no preview opens.
    void SBRaportClick(const ReportCriteria& criteria);
    // The view and period the dataset and the variables read (SBRaportClick sets them).
    void SetCriteria(const ReportCriteria& criteria) { m_criteria = criteria; }

    void frUserDataset2First();
    void frUserDataset2Next();
    void frUserDataset2CheckEOF(bool& Eof);
    // Names compared exactly, letter case included; any other name gets an empty text.
    void frReport2GetValue(const QString& ParName, QString& ParValue);

private:
    int registerField(const QString& name) const;
    static QString taxpayerText(const QString& field);

    QPointer<TfReportParams> m_params;
    QPointer<QWidget> m_window;
    ReportCriteria m_criteria;
    mutable QHash<QString, int> m_fields; // the view's field of each name asked for, or -1
};
