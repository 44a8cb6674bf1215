#include "editing/uKontrahent.h"

#include "data/uNumberText.h"

#include <QLineEdit>

TfKontrahent::TfKontrahent(QWidget* parent)
    : TEditForm(QStringLiteral("TfKontrahent"), QStringLiteral("Edytuj dane dotyczące Płatnika"),
                QSize(606, 282), parent)
{
    // The fields carry no hints.
    fID = addField(QStringLiteral("fID"), QStringLiteral("ID"), 65, 0);
    fSKROT = addField(QStringLiteral("fSKROT"), QStringLiteral("Nazwa skrócona"), 217, 100);
    fNAZWA = addField(QStringLiteral("fNAZWA"), QStringLiteral("Nazwa"), 473, 254);
    fNIP = addField(QStringLiteral("fNIP"), QStringLiteral("NIP"), 97, 20);
    fADRES = addField(QStringLiteral("fADRES"), QStringLiteral("Adres"), 473, 254);
    fKODPOCZT = addField(QStringLiteral("fKODPOCZT"), QStringLiteral("Kod pocztowy"), 97, 20);
    fMIEJSCOWOSC =
        addField(QStringLiteral("fMIEJSCOWOSC"), QStringLiteral("Miejscowość"), 217, 100);
    fTELEFONY = addField(QStringLiteral("fTELEFONY"), QStringLiteral("Telefon"), 217, 100);
    fUWAGI = addField(QStringLiteral("fUWAGI"), QStringLiteral("Uwagi"), 473, 254);
}

void TfKontrahent::Clear()
{
    for (QLineEdit* field :
         {fID, fSKROT, fNAZWA, fNIP, fADRES, fKODPOCZT, fMIEJSCOWOSC, fTELEFONY, fUWAGI})
        showStored(field, QString());
}

void TfKontrahent::Load(const KontrahentTexts& texts)
{
    showStored(fID, texts.ID);
    showStored(fSKROT, texts.SKROT);
    showStored(fNAZWA, texts.NAZWA);
    showStored(fNIP, texts.NIP);
    showStored(fADRES, texts.ADRES);
    showStored(fKODPOCZT, texts.KODPOCZT);
    showStored(fMIEJSCOWOSC, texts.MIEJSCOWOSC);
    showStored(fTELEFONY, texts.TELEFONY);
    showStored(fUWAGI, texts.UWAGI);
}

KontrahentTexts TfKontrahent::Texts() const
{
    return KontrahentTexts{fID->text(),          fSKROT->text(),    fNAZWA->text(),
                           fNIP->text(),         fADRES->text(),    fKODPOCZT->text(),
                           fMIEJSCOWOSC->text(), fTELEFONY->text(), fUWAGI->text()};
}

void TfKontrahent::FormShow()
{
    saved = false;
    focusSelected(fID);
}

void TfKontrahent::SpeedButton4Click()
{
    if (!checkIdField(fID))
        return;
    fID->setText(NormalizeIdText(fID->text()));
    closeSaved();
}
