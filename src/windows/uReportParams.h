#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TDateEdit;
class TDatePicker;

// The report parameters window: the report date and the town, shown modally before every
// report. Nothing is validated and nothing cancels: whatever the two fields hold when the window
// closes goes into the report.
class TfReportParams : public QDialog
{
    Q_OBJECT
public:
    explicit TfReportParams(QWidget* parent = nullptr);

    QLabel* Header = nullptr;
    QLabel* Label2 = nullptr;
    TDateEdit* fDATA = nullptr;
    TDatePicker* fDTPDATA = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* fMIEJSCOWOSC = nullptr;
    QPushButton* SpeedButton2 = nullptr;

    // The date field as the user sees it, blanks for the empty positions: a cleared date reads
    // as the two separators among blanks.
    QString DateText() const;

    void FormShow();
    void SpeedButton2Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
