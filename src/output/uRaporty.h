#pragma once

#include "data/Amounts.h"
#include "report/Report.h"

#include <QObject>

// The report data module: prints the selected taxpayer's register for the period the main window
// shows. It walks the register view that the register grid shows, answers the template's
// variables from that view, the taxpayer view and the parameters window, and shows the preview.
class TDMRaporty : public QObject
{
    Q_OBJECT
public:
    explicit TDMRaporty(QObject* parent = nullptr);

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
    void SBRaportClick();

    void frUserDataset2First();
    void frUserDataset2Next();
    void frUserDataset2CheckEOF(bool& Eof);
    // Names compared exactly, letter case included; any other name gets an empty text.
    void frReport2GetValue(const QString& ParName, QString& ParValue);

    // The period in force in the main window: "od " + from + " do " + to for the date range,
    // else the month's name and a blank (unless all months) followed by the year box's text.
    QString PeriodText() const;

private:
    QString registerText(int column) const;
    static QString taxpayerText(const QString& field);

    mutable QList<int> m_fields; // of the register columns, -1 until looked up
};
