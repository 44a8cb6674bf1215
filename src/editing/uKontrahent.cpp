#include "editing/uKontrahent.h"

#include "editing/uNumberText.h"

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
        field->clear();
}

void TfKontrahent::Load(const KontrahentTexts& texts)
{
    fID->setText(texts.ID);
    fSKROT->setText(texts.SKROT);
    fNAZWA->setText(texts.NAZWA);
    fNIP->setText(texts.NIP);
    fADRES->setText(texts.ADRES);
    fKODPOCZT->setText(texts.KODPOCZT);
    fMIEJSCOWOSC->setText(texts.MIEJSCOWOSC);
    fTELEFONY->setText(texts.TELEFONY);
    fUWAGI->setText(texts.UWAGI);
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
    fID->setText(NormalizeWholeNumberText(fID->text()));
    closeSaved();
}
