#pragma once

#include "data/uRecords.h"
#include "editing/uEditForm.h"

class TDateEdit;
class TDatePicker;

// The register entry window: the caller fills it (Clear, Load, fID), shows it modally and, when
// saved is yes, reads Texts(). It never touches the database. Dates are masked fields with a
// calendar button each; amounts take "." and "," as the regional decimal separator.
class TfEdycja : public TEditForm
{
    Q_OBJECT

public:
    explicit TfEdycja(QWidget* parent = nullptr);

    QLineEdit* fID = nullptr;
    TDateEdit* fDATAWPISU = nullptr;
    TDatePicker* fDTPDATAWPISU = nullptr;
    TDateEdit* fDATADOK = nullptr;
    TDatePicker* fDTPDATADOK = nullptr;
    QLineEdit* fNRDOK = nullptr;
    QLineEdit* fIMIE = nullptr;
    QLineEdit* fNAZWISKO = nullptr;
    QLineEdit* fNIP = nullptr;
    QLineEdit* fADRES = nullptr;
    QLineEdit* fKODPOCZT = nullptr;
    QLineEdit* fMIEJSCOWOSC = nullptr;
    QLineEdit* fNALEZNOSC = nullptr;
    QLineEdit* fSTAWKA = nullptr;
    TDateEdit* fDATAZAPLATY = nullptr;
    TDatePicker* fDTPDATAZAPLATY = nullptr;
    QLineEdit* fUWAGI = nullptr;

    // Empties every field; the date fields show their empty mask.
    void Clear();
    // Every field gets its text as given; a date field takes a date text, the empty date text
    // or an empty text.
    void Load(const RejestrEntryTexts& texts);
    // The fourteen field texts in the record's order; a date field reads with blanks for its
    // unfilled places, so an untouched one reads EmptyDateText.
    RejestrEntryTexts Texts() const;

    // Refuses a date field that is neither empty nor a calendar date (message, focus to it);
    // otherwise normalises the ID, the amount and the rate, saved = yes, closes.
    void SpeedButton4Click() override;

protected:
    void FormShow() override;
    void fieldLeft(QLineEdit* field) override;

private:
    TDateEdit* addDateField(const QString& column, const QString& label, const QString& hint,
                            TDatePicker*& picker);
    // The first date field that could not be stored faithfully, or none.
    TDateEdit* unusableDateField() const;
};
