#include "editing/uEdycja.h"

#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "dialogs/uInfoForm.h"
#include "data/uNumberText.h"

#include <QLineEdit>

namespace {

const int dateWidth = 65;
const int pickerSide = 21;
const QColor formatCaptionColour(144, 144, 160);

// Neither the empty date text nor a day of the calendar: the write would store 0 or a code
// that names no day.
bool IsUnusableDate(const QString& text)
{
    if (text == EmptyDateText)
        return false;
    if (!IsDateText(text))
        return true;
    const int code = DateTextToInt(text);
    return !QDate(code / 10000, code / 100 % 100, code % 100).isValid();
}

} // namespace

TfEdycja::TfEdycja(QWidget* parent)
    : TEditForm(QStringLiteral("TfEdycja"),
                QStringLiteral("Edytuj Rejestr dla wskazanego Płatnika"), QSize(604, 380), parent)
{
    auto field = [this](const QString& name, const QString& label, int width, int maxLength,
                        const QString& hint) {
        QLineEdit* edit = addField(name, label, width, maxLength);
        edit->setStatusTip(hint);
        return edit;
    };
    fID = field(QStringLiteral("fID"), QStringLiteral("ID"), 65, 0, QStringLiteral("ID zapisu"));
    fDATAWPISU = addDateField(QStringLiteral("DATAWPISU"), QStringLiteral("Data wpisu"),
                              QStringLiteral("Data dokonania wpisu"), fDTPDATAWPISU);
    fDATADOK = addDateField(QStringLiteral("DATADOK"), QStringLiteral("Data dokumentu"),
                            QStringLiteral("Data wystawienia dokumentu"), fDTPDATADOK);
    fNRDOK = field(QStringLiteral("fNRDOK"), QStringLiteral("Numer dokumentu"), 121, 50,
                   QStringLiteral("Numer dokumentu"));
    fIMIE = field(QStringLiteral("fIMIE"), QStringLiteral("Imię"), 121, 50, QStringLiteral("Imię"));
    fNAZWISKO = field(QStringLiteral("fNAZWISKO"), QStringLiteral("Nazwisko"), 217, 100,
                      QStringLiteral("Nazwisko"));
    fNIP = field(QStringLiteral("fNIP"), QStringLiteral("NIP"), 89, 20, QStringLiteral("NIP"));
    fADRES =
        field(QStringLiteral("fADRES"), QStringLiteral("Adres"), 473, 254, QStringLiteral("Adres"));
    fKODPOCZT = field(QStringLiteral("fKODPOCZT"), QStringLiteral("Kod pocztowy"), 89, 20,
                      QStringLiteral("Kod pocztowy"));
    fMIEJSCOWOSC = field(QStringLiteral("fMIEJSCOWOSC"), QStringLiteral("Miejscowość"), 217, 100,
                         QStringLiteral("Miejscowość"));
    fNALEZNOSC = field(QStringLiteral("fNALEZNOSC"), QStringLiteral("Kwota należności"), 89, 0,
                       QStringLiteral("Kwota należności"));
    fSTAWKA = field(QStringLiteral("fSTAWKA"), QStringLiteral("Stawka podatku"), 89, 0,
                    QStringLiteral("Stawka podatku"));
    addCaption(QStringLiteral("LabelProcent"), QStringLiteral("%"),
               palette().color(QPalette::WindowText), 4);
    fDATAZAPLATY = addDateField(QStringLiteral("DATAZAPLATY"), QStringLiteral("Data zapłaty"),
                                QStringLiteral("Data zapłaty"), fDTPDATAZAPLATY);
    fUWAGI =
        field(QStringLiteral("fUWAGI"), QStringLiteral("Uwagi"), 473, 254, QStringLiteral("Uwagi"));
}

TDateEdit* TfEdycja::addDateField(const QString& column, const QString& label, const QString& hint,
                                  TDatePicker*& picker)
{
    auto* edit = new TDateEdit(fieldArea());
    // 65 pixels, or what a wider system font needs to show the whole date.
    addField(QStringLiteral("f") + column, label, qMax(dateWidth, edit->fittingWidth()), 0, edit);
    // Of all fields only the dates show their hint as a tool tip.
    edit->setToolTip(hint);
    edit->setStatusTip(hint);

    picker = new TDatePicker(fieldArea());
    picker->setObjectName(QStringLiteral("fDTP") + column);
    picker->setFixedSize(pickerSide, pickerSide);
    addBeside(picker, 2);
    edit->attachPicker(picker);
    addCaption(QStringLiteral("LabelFormat") + column, DateHintText(), formatCaptionColour, 6);
    return edit;
}

void TfEdycja::Clear()
{
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{
             fID, fDATAWPISU, fDATADOK, fNRDOK, fIMIE, fNAZWISKO, fNIP, fADRES, fKODPOCZT,
             fMIEJSCOWOSC, fNALEZNOSC, fSTAWKA, fDATAZAPLATY, fUWAGI})
        showStored(field, QString());
}

void TfEdycja::Load(const RejestrEntryTexts& texts)
{
    showStored(fID, texts.ID);
    showStored(fDATAWPISU, texts.DATAWPISU);
    showStored(fDATADOK, texts.DATADOK);
    showStored(fNRDOK, texts.NRDOK);
    showStored(fIMIE, texts.IMIE);
    showStored(fNAZWISKO, texts.NAZWISKO);
    showStored(fNIP, texts.NIP);
    showStored(fADRES, texts.ADRES);
    showStored(fKODPOCZT, texts.KODPOCZT);
    showStored(fMIEJSCOWOSC, texts.MIEJSCOWOSC);
    showStored(fNALEZNOSC, texts.NALEZNOSC);
    showStored(fSTAWKA, texts.STAWKA);
    showStored(fDATAZAPLATY, texts.DATAZAPLATY);
    showStored(fUWAGI, texts.UWAGI);
}

RejestrEntryTexts TfEdycja::Texts() const
{
    return RejestrEntryTexts{fID->text(),
                             fDATAWPISU->dateText(),
                             fDATADOK->dateText(),
                             fNRDOK->text(),
                             fIMIE->text(),
                             fNAZWISKO->text(),
                             fNIP->text(),
                             fADRES->text(),
                             fKODPOCZT->text(),
                             fMIEJSCOWOSC->text(),
                             fNALEZNOSC->text(),
                             fSTAWKA->text(),
                             fDATAZAPLATY->dateText(),
                             fUWAGI->text()};
}

void TfEdycja::FormShow()
{
    saved = false;
    // A text naming no calendar day (31-04-2008) opens its calendar on today.
    for (TDateEdit* field : {fDATAWPISU, fDATADOK, fDATAZAPLATY})
        field->showDateInPicker();
    focusSelected(fID);
}

TDateEdit* TfEdycja::unusableDateField() const
{
    for (TDateEdit* field : {fDATAWPISU, fDATADOK, fDATAZAPLATY}) {
        // In preview nothing is written and nothing could be mended.
        if (!field->isReadOnly() && IsUnusableDate(field->dateText()))
            return field;
    }
    return nullptr;
}

void TfEdycja::SpeedButton4Click()
{
    if (TDateEdit* field = unusableDateField()) {
        ShowInfo(QStringLiteral("Uwaga"), QStringLiteral("Nie poprawny format daty. Popraw pole"));
        // After the message, which hands the focus back to where it was.
        field->setFocus(Qt::OtherFocusReason);
        const qsizetype blank = field->displayText().indexOf(u'_');
        if (blank >= 0)
            field->setCursorPosition(int(blank));
        else
            field->selectAll();
        return;
    }
    if (!checkIdField(fID) ||
        !checkHundredthsField(fNALEZNOSC, QStringLiteral("kwoty"), QStringLiteral("1 500,50")) ||
        !checkHundredthsField(fSTAWKA, QStringLiteral("stawki"), QStringLiteral("2 lub 0,5")))
        return;
    fID->setText(NormalizeIdText(fID->text()));
    fNALEZNOSC->setText(NormalizeAmountText(fNALEZNOSC->text()));
    fSTAWKA->setText(NormalizeAmountText(fSTAWKA->text()));
    closeSaved();
}

void TfEdycja::fieldLeft(QLineEdit* field)
{
    if (field == fNALEZNOSC || field == fSTAWKA)
        field->setText(NormalizeAmountText(field->text()));
}
