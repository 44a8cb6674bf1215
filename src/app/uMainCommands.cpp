// The record commands of the main window: preview, add, edit, copy and delete, on taxpayers or
// on register entries depending on the tab shown.
#include "app/uApplication.h"
#include "app/uMain.h"
#include "app/uWindows.h"
#include "archive/uArchiwum.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uFormPreview.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uQuestionForm.h"
#include "editing/uEdycja.h"
#include "editing/uKontrahent.h"
#include "editing/uSumy.h"
#include "import/uImportMenu.h"

#include <QLineEdit>
#include <QTabWidget>

namespace {

const QString kTaken = QStringLiteral("Istnieje już zapis o podanym ID");
// Entries left under a number by a deleted taxpayer would otherwise join the renumbered one.
const QString kNumberHasEntries =
    QStringLiteral("W rejestrze są już zapisy pod numerem %1, pozostałe po usuniętym podatniku. "
                   "Wybierz inny numer.");

// The number in an ID field; a text beyond the whole-number range is reported like any
// unexpected error and ends the command before anything is written.
bool wholeNumber(const QString& text, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    if (!ok)
        TApplication::ApplicationException(
            QStringLiteral("'%1' nie jest poprawną liczbą całkowitą").arg(text));
    return ok;
}

void refuseTakenNumber()
{
    ShowInfo(QStringLiteral("Uwaga"), kTaken);
}

} // namespace

bool TfMain::onRegisterTab() const
{
    return Zakladki->currentWidget() == rejestr;
}

Query& TfMain::activeView() const
{
    return onRegisterTab() ? myDataBase->DBFRejestr : myDataBase->DBFKontrahenci;
}

qint64 TfMain::currentTaxpayerId() const
{
    return myDataBase->DBFKontrahenci.asInteger(QStringLiteral("ID"));
}

void TfMain::LoadKontrahentToForm()
{
    const Query& k = myDataBase->DBFKontrahenci;
    fKontrahent->Load(
        KontrahentTexts{k.asText(QStringLiteral("ID")), k.asText(QStringLiteral("SKROT")),
                        k.asText(QStringLiteral("NAZWA")), k.asText(QStringLiteral("NIP")),
                        k.asText(QStringLiteral("ADRES")), k.asText(QStringLiteral("KODPOCZT")),
                        k.asText(QStringLiteral("MIEJSCOWOSC")),
                        k.asText(QStringLiteral("TELEFONY")), k.asText(QStringLiteral("UWAGI"))});
}

void TfMain::LoadRejestrToEdycja()
{
    const Query& r = myDataBase->DBFRejestr;
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
    fEdycja->Load(e);
}

void TfMain::SBPodgladClick()
{
    if (activeView().isEmpty())
        return;
    QDialog* window = nullptr;
    if (onRegisterTab()) {
        LoadRejestrToEdycja();
        window = fEdycja;
    } else {
        LoadKontrahentToForm();
        window = fKontrahent;
    }
    SetFormPreview(window, false);
    window->exec();
    SetFormPreview(window, true);
    focusActiveGrid();
}

void TfMain::SBDodajClick()
{
    if (onRegisterTab())
        AddRejestr();
    else
        AddKontrahent();
    focusActiveGrid();
}

void TfMain::SBEdytujClick()
{
    // Nothing to edit: no window, no update that matches no row.
    if (activeView().isEmpty())
        return;
    if (onRegisterTab())
        EditRejestr();
    else
        EditKontrahent();
    focusActiveGrid();
}

void TfMain::SBKopiujClick()
{
    // On an empty view there is nothing to copy from: the add window opens with empty fields.
    copyMode = true;
    SBDodajClick();
}

void TfMain::SBUsunClick()
{
    if (activeView().isEmpty())
        return;
    if (!onRegisterTab() && myDataBase->KontrahentHasEntries(currentTaxpayerId())) {
        // Entries without their taxpayer would be unreachable and reappear under a new one.
        ShowInfo(QStringLiteral("Uwaga"),
                 QStringLiteral("Nie można usunąć podatnika, dla którego istnieją zapisy w "
                                "rejestrze. Usuń wpierw jego zapisy."));
        focusActiveGrid();
        return;
    }
    if (!Ask(QStringLiteral("Pytanie"), QStringLiteral("Czy napewno usunąć zaznaczoną pozycję?"))) {
        focusActiveGrid();
        return;
    }
    if (onRegisterTab()) {
        if (myDataBase->DeleteRejestr(myDataBase->DBFRejestr.asInteger(QStringLiteral("ID")),
                                      currentTaxpayerId()))
            myDataBase->RefreshRejestr();
    } else if (myDataBase->DeleteKontrahent(currentTaxpayerId())) {
        myDataBase->RefreshKontrahenci();
    }
    focusActiveGrid();
}

void TfMain::AddKontrahent()
{
    fKontrahent->Clear();
    if (copyMode)
        LoadKontrahentToForm();
    copyMode = false;
    for (;;) {
        fKontrahent->fID->setText(QString::number(myDataBase->MaxTaxpayerNumber() + 1));
        fKontrahent->exec();
        if (!fKontrahent->saved)
            return;
        qint64 id = 0;
        if (!wholeNumber(fKontrahent->fID->text(), id))
            return;
        if (myDataBase->RecordExists(id, QStringLiteral("kontrahenci"), QStringLiteral("ID"))) {
            refuseTakenNumber();
            continue;
        }
        if (myDataBase->KontrahentHasEntries(id)) {
            ShowInfo(QStringLiteral("Uwaga"), kNumberHasEntries.arg(id));
            continue;
        }
        if (myDataBase->InsertKontrahent(fKontrahent->Texts())) {
            myDataBase->RefreshKontrahenci();
            myDataBase->LocateKontrahent(currentTaxpayerId());
        }
        return;
    }
}

void TfMain::EditKontrahent()
{
    LoadKontrahentToForm();
    const qint64 oldId = currentTaxpayerId();
    for (;;) {
        fKontrahent->exec();
        if (!fKontrahent->saved)
            return;
        qint64 id = 0;
        if (!wholeNumber(fKontrahent->fID->text(), id))
            return;
        if (fKontrahent->fID->text() != QString::number(oldId) &&
            myDataBase->RecordExists(id, QStringLiteral("kontrahenci"), QStringLiteral("ID"))) {
            refuseTakenNumber();
            continue;
        }
        if (id != oldId && myDataBase->KontrahentHasEntries(id)) {
            ShowInfo(QStringLiteral("Uwaga"), kNumberHasEntries.arg(id));
            continue;
        }
        if (myDataBase->UpdateKontrahent(oldId, fKontrahent->Texts())) {
            myDataBase->RefreshKontrahenci();
            myDataBase->LocateKontrahent(id);
        }
        return;
    }
}

void TfMain::AddRejestr()
{
    const qint64 taxpayer = currentTaxpayerId();
    fEdycja->Clear();
    if (copyMode)
        LoadRejestrToEdycja();
    copyMode = false;
    for (;;) {
        fEdycja->fID->setText(QString::number(myDataBase->MaxRejestrID(taxpayer) + 1));
        fEdycja->exec();
        if (!fEdycja->saved)
            return;
        qint64 id = 0;
        if (!wholeNumber(fEdycja->fID->text(), id))
            return;
        if (myDataBase->RejestrIDExists(id, taxpayer)) {
            refuseTakenNumber();
            continue;
        }
        if (myDataBase->InsertRejestr(taxpayer, fEdycja->Texts())) {
            myDataBase->RefreshRejestr();
            myDataBase->LocateRejestr(myDataBase->DBFRejestr.asInteger(QStringLiteral("ID")),
                                      taxpayer);
        }
        return;
    }
}

void TfMain::EditRejestr()
{
    const qint64 taxpayer = currentTaxpayerId();
    LoadRejestrToEdycja();
    const qint64 oldId = myDataBase->DBFRejestr.asInteger(QStringLiteral("ID"));
    for (;;) {
        fEdycja->exec();
        if (!fEdycja->saved)
            return;
        qint64 id = 0;
        if (!wholeNumber(fEdycja->fID->text(), id))
            return;
        if (fEdycja->fID->text() != QString::number(oldId) &&
            myDataBase->RejestrIDExists(id, taxpayer)) {
            refuseTakenNumber();
            continue;
        }
        if (myDataBase->UpdateRejestr(oldId, taxpayer, fEdycja->Texts())) {
            myDataBase->RefreshRejestr();
            myDataBase->LocateRejestr(id, taxpayer);
        }
        return;
    }
}

void TfMain::SBSumaClick()
{
    if (!onRegisterTab()) {
        fSumy->SetLayout(QStringLiteral("Sumy dla tabeli KONTRAHENCI"),
                         {QStringLiteral("Ilość rekordów")});
        if (const auto count = myDataBase->CountKontrahenci())
            fSumy->SetValues({*count});
    } else {
        fSumy->SetLayout(QStringLiteral("Sumy dla tabeli REJESTR"),
                         {QStringLiteral("Ilość rekordów"), QStringLiteral("Należności"),
                          QStringLiteral("Wartość")});
        if (const auto sums = myDataBase->SumRejestr())
            fSumy->SetValues({sums->count, sums->amounts, sums->values});
    }
    fSumy->ShowWindow();
}

void TfMain::ShowReplacedData()
{
    myDataBase->RefreshKontrahenci();
    showSortOrders();
    {
        // The tab change below runs once, not also from the tab signal.
        const QSignalBlocker block(Zakladki);
        Zakladki->setCurrentWidget(kontrahenci);
    }
    ZakladkiChange();
}

void TfMain::Archiwizacjabazydanych1Click()
{
    fArchiwum->exec();
    // Whatever happened there, the table files may have been replaced.
    ShowReplacedData();
}

void TfMain::ImportdanychztabelParadox1Click()
{
    ImportDanychZTabelParadox(this);
    ShowReplacedData();
}
