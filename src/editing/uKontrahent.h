#pragma once

#include "data/uRecords.h"
#include "editing/uEditForm.h"

// The taxpayer window: the caller fills it (Clear, Load, fID), shows it modally and, when saved
// is yes, reads Texts(). It never touches the database.
class TfKontrahent : public TEditForm
{
    Q_OBJECT

public:
    explicit TfKontrahent(QWidget* parent = nullptr);

    QLineEdit* fID = nullptr;
    QLineEdit* fSKROT = nullptr;
    QLineEdit* fNAZWA = nullptr;
    QLineEdit* fNIP = nullptr;
    QLineEdit* fADRES = nullptr;
    QLineEdit* fKODPOCZT = nullptr;
    QLineEdit* fMIEJSCOWOSC = nullptr;
    QLineEdit* fTELEFONY = nullptr;
    QLineEdit* fUWAGI = nullptr;

    // Empties every field.
    void Clear();
    // Every field gets its column's text, as given.
    void Load(const KontrahentTexts& texts);
    // The nine field texts in the record's order.
    KontrahentTexts Texts() const;

    // Normalises the ID ("0" format), saved = yes, closes.
    void SpeedButton4Click() override;

protected:
    void FormShow() override;
};
