// The record commands of the main window: preview, add, edit, copy and delete, on taxpayers or
// on register entries depending on the tab shown.
#include "app/uApplication.h"
#include "app/uMain.h"
#include "app/uWindows.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uFormPreview.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uQuestionForm.h"
#include "editing/uEdycja.h"
#include "editing/uKontrahent.h"
#include "editing/uSumy.h"
#include "windows/uArchiwum.h"
#include "windows/uImportMenu.h"

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

const QString kHasEntries = QStringLiteral("Nie można usunąć podatnika, dla którego istnieją "
                                           "zapisy w rejestrze. Usuń wpierw jego zapisy.");
const QString kRemoved = QStringLiteral("Nie znaleziono zapisu do zmiany: mógł zostać usunięty "
                                        "lub zmieniony w innej kopii programu.");
const QString kChanged =
    QStringLiteral("Ten zapis zmieniono w innej kopii programu, odkąd otwarto okno. Okno pokazuje "
                   "teraz to, co zapisano; wprowadź swoje zmiany ponownie.");
const QString kTaxpayerGone =
    QStringLiteral("Podatnika o numerze %1 już nie ma: mógł zostać usunięty lub przenumerowany w "
                   "innej kopii programu. Zapisu nie dodano.");

void refuseTakenNumber()
{
    ShowInfo(QStringLiteral("Uwaga"), kTaken);
}

// What the user is told of a write that was refused; answers whether the window should open
// again for another try (a number in use), rather than the command end.
bool tellRefusal(SaveResult::Outcome outcome, qint64 number)
{
    switch (outcome) {
    case SaveResult::Taken:
        refuseTakenNumber();
        return true;
    case SaveResult::LeftOver:
        ShowInfo(QStringLiteral("Uwaga"), kNumberHasEntries.arg(number));
        return true;
    case SaveResult::Changed:
        ShowInfo(QStringLiteral("Uwaga"), kChanged);
        return true;
    case SaveResult::Removed:
        ShowInfo(QStringLiteral("Uwaga"), kRemoved);
        return false;
    case SaveResult::HasEntries:
        ShowInfo(QStringLiteral("Uwaga"), kHasEntries);
        return false;
    case SaveResult::Saved:
    case SaveResult::Failed:
        break;
    }
    return false;
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
    fKontrahent->Load(myDataBase->CurrentKontrahent());
}

void TfMain::LoadRejestrToEdycja()
{
    fEdycja->Load(myDataBase->CurrentRejestr());
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
        ShowInfo(QStringLiteral("Uwaga"), kHasEntries);
        focusActiveGrid();
        return;
    }
    if (!Ask(QStringLiteral("Pytanie"), QStringLiteral("Czy napewno usunąć zaznaczoną pozycję?"))) {
        focusActiveGrid();
        return;
    }
    // Another copy may have added an entry or deleted the record since the check above.
    const SaveResult result =
        onRegisterTab()
            ? myDataBase->DeleteRejestr(myDataBase->DBFRejestr.asInteger(QStringLiteral("ID")),
                                        currentTaxpayerId())
            : myDataBase->DeleteKontrahent(currentTaxpayerId());
    if (result.outcome == SaveResult::Removed)
        ShowInfo(QStringLiteral("Uwaga"),
                 QStringLiteral("Nie znaleziono zapisu do usunięcia: mógł zostać już usunięty w "
                                "innej kopii programu."));
    else
        tellRefusal(result.outcome, 0);
    if (result.outcome != SaveResult::Failed) {
        if (onRegisterTab())
            myDataBase->RefreshRejestr();
        else
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
        const SaveResult result = myDataBase->InsertKontrahent(fKontrahent->Texts());
        if (result) {
            myDataBase->RefreshKontrahenci();
            myDataBase->LocateKontrahent(currentTaxpayerId());
        }
        if (!tellRefusal(result.outcome, id))
            return;
    }
}

void TfMain::EditKontrahent()
{
    LoadKontrahentToForm();
    const qint64 oldId = currentTaxpayerId();
    RecordStamp asRead = myDataBase->CurrentKontrahentStamp();
    for (;;) {
        fKontrahent->exec();
        if (!fKontrahent->saved)
            return;
        qint64 id = 0;
        if (!wholeNumber(fKontrahent->fID->text(), id))
            return;
        const SaveResult result = myDataBase->UpdateKontrahent(oldId, fKontrahent->Texts(), asRead);
        if (result || result.outcome == SaveResult::Changed ||
            result.outcome == SaveResult::Removed) {
            myDataBase->RefreshKontrahenci();
            myDataBase->LocateKontrahent(result ? id : oldId);
        }
        if (!tellRefusal(result.outcome, id))
            return;
        if (result.outcome == SaveResult::Changed) {
            // The window shows what another copy stored, and a save goes over that.
            LoadKontrahentToForm();
            asRead = myDataBase->CurrentKontrahentStamp();
        }
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
        const SaveResult result = myDataBase->InsertRejestr(taxpayer, fEdycja->Texts());
        if (result) {
            myDataBase->RefreshRejestr();
            myDataBase->LocateRejestr(myDataBase->DBFRejestr.asInteger(QStringLiteral("ID")),
                                      taxpayer);
        }
        if (result.outcome == SaveResult::Removed) {
            ShowInfo(QStringLiteral("Uwaga"), kTaxpayerGone.arg(taxpayer));
            ShowReplacedData();
            return;
        }
        if (!tellRefusal(result.outcome, id))
            return;
    }
}

void TfMain::EditRejestr()
{
    const qint64 taxpayer = currentTaxpayerId();
    LoadRejestrToEdycja();
    const qint64 oldId = myDataBase->DBFRejestr.asInteger(QStringLiteral("ID"));
    RecordStamp asRead = myDataBase->CurrentRejestrStamp();
    for (;;) {
        fEdycja->exec();
        if (!fEdycja->saved)
            return;
        qint64 id = 0;
        if (!wholeNumber(fEdycja->fID->text(), id))
            return;
        const SaveResult result =
            myDataBase->UpdateRejestr(oldId, taxpayer, fEdycja->Texts(), asRead);
        if (result || result.outcome == SaveResult::Changed ||
            result.outcome == SaveResult::Removed) {
            myDataBase->RefreshRejestr();
            myDataBase->LocateRejestr(result ? id : oldId, taxpayer);
        }
        if (!tellRefusal(result.outcome, id))
            return;
        if (result.outcome == SaveResult::Changed) {
            // The window shows what another copy stored, and a save goes over that.
            LoadRejestrToEdycja();
            asRead = myDataBase->CurrentRejestrStamp();
        }
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
