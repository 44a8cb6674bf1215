#include "app/uMain.h"

#include "app/uDBGrid.h"
#include "app/uSearchField.h"
#include "app/uWindows.h"
#include "data/Clock.h"
#include "data/PeriodFilter.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/Session.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uProgressWindow.h"
#include "startup/uStartup.h"
#include "windows/uChangeLogin.h"
#include "windows/uLogin.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

const QColor kActive(255, 255, 255);
const QColor kInactive(187, 187, 187);
// How often the server is asked whether other clerks saved: the views follow within a second.
constexpr int kOthersChangesMs = 400;

void paintField(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Button, colour);
    w->setPalette(pal);
}

} // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TfMain"));
    setWindowTitle(QStringLiteral("Rejestr Podatku od czynności cywilno - prawnych    v1.0 PL+"));
    deleteFileOP = new TFileOperation(this);
    deleteFileOP->setObjectName(QStringLiteral("deleteFileOP"));
    buildUi();
}

TfMain::~TfMain()
{
    FormDestroy();
}

bool TfMain::FormCreate(const QStringList& arguments)
{
    BuildDateTexts();

    if (!MultiRunAllowed(arguments) && !m_instance.acquire()) {
        QMessageBox::information(nullptr, QStringLiteral("Informacja"),
                                 QStringLiteral("Rejestr TARV jest już uruchomiony!"));
        return false;
    }

    const QString stamp = Now().toString(QStringLiteral("yyyyMMddhhmmss"));
    SetTableNames();
    SetUpDeleteOperation(*deleteFileOP);
    fileOperations.SetOperation(deleteFileOP);
    if (m_run.create(ProgramPath(QStringLiteral("tmpFile")), stamp))
        Session::instance().setPrivateDir(m_run.path());

    try {
        Session::instance().activate();
    } catch (const std::exception& e) {
        // The data module does not exist yet; the version comes from the engine itself.
        const StartupFailure failure =
            SessionFailure(QString::fromUtf8(e.what()), QString::number(Session::engineVersion()));
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("rejestr TARV"), failure.text,
                        QMessageBox::Ok);
        box.exec();
        LogError(failure.logLine);
        return false;
    }
    return true;
}

bool TfMain::FormShow()
{
    if (fLogin) {
        fLogin->exec();
        if (!fLogin->loggedIn)
            return false;
    }
    SetTableNames();

    paintField(CBCurrentMonth, kActive);
    paintField(CBcurrentYear, kActive);
    filtrOd->setText(EmptyDateText);
    filtrDo->setText(EmptyDateText);
    paintField(filtrOd, kInactive);
    paintField(filtrDo, kInactive);
    DTPFiltrOd->setDate(Now().date());
    DTPFiltrDo->setDate(Now().date());

    {
        const QSignalBlocker blockYear(CBcurrentYear);
        const QSignalBlocker blockMonth(CBCurrentMonth);
        CBcurrentYear->clear();
        CBcurrentYear->addItem(QStringLiteral("(Wszystkie)"));
        for (int y = kFirstYear; y <= kLastYear; ++y)
            CBcurrentYear->addItem(QString::number(y));
        const int index = YearIndex(Now().date().year());
        if (index > 0 && index < CBcurrentYear->count())
            CBcurrentYear->setCurrentIndex(index);
        CBCurrentMonth->setCurrentIndex(0);
    }
    SBRaport->setEnabled(false);
    CBCurrentMonthChange();
    if (myDataBase)
        myDataBase->RefreshKontrahenci();
    showSortOrders();
    kontrahenciGrid->setFocus();
    if (myDataBase && myDataBase->DatabaseMain.store() == Database::Store::Server) {
        m_othersChanges = new QTimer(this);
        m_othersChanges->setInterval(kOthersChangesMs);
        connect(m_othersChanges, &QTimer::timeout, this, &TfMain::takeOthersChanges);
        m_othersChanges->start();
    }
    return true;
}

void TfMain::takeOthersChanges()
{
    // Not under an open window nor during long work (a wait cursor): what they show, save or
    // read rests on the rows as they are. The server keeps the news until they end.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() ||
        QApplication::overrideCursor() || !myDataBase)
        return;
    if (myDataBase->OthersChanged())
        myDataBase->RefreshKeepingRows();
}

void TfMain::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    Session::instance().deactivate();
    // Our own folder is released first so that the clean-up below removes it too.
    m_run.release();
    try {
        CleanTmpFile(ProgramPath(QStringLiteral("tmpFile")), fileOperations, *deleteFileOP);
    } catch (...) {
        // Clean-up failures never stop the program from ending.
    }
}

bool TfMain::DateRangeActive() const
{
    return filtrOd->palette().color(QPalette::Base) == kActive;
}

void TfMain::setFilterColours(bool rangeActive)
{
    paintField(CBCurrentMonth, rangeActive ? kInactive : kActive);
    paintField(CBcurrentYear, rangeActive ? kInactive : kActive);
    paintField(filtrOd, rangeActive ? kActive : kInactive);
    paintField(filtrDo, rangeActive ? kActive : kInactive);
}

void TfMain::focusActiveGrid()
{
    // After the tab widget's own focus handling, so the record keys work at once.
    QTimer::singleShot(0, this, [this] {
        // Back from a modal window the main window takes the keyboard again, also where no
        // window manager hands it back.
        if (isVisible())
            activateWindow();
        if (Zakladki->currentWidget() == rejestr)
            RejestrGrid->setFocus();
        else
            kontrahenciGrid->setFocus();
    });
}

void TfMain::ZakladkiChange()
{
    if (Zakladki->currentWidget() != rejestr) {
        SBRaport->setEnabled(false);
        focusActiveGrid();
        return;
    }
    myDataBase->SetRejestrTaxpayer(std::nullopt);
    if (myDataBase->DBFKontrahenci.isEmpty()) {
        ShowInfo(QStringLiteral("Informacja"),
                 QStringLiteral("Brak podatnika. Aby edytować rejestr załóż wpierw podatnika"));
        {
            const QSignalBlocker block(Zakladki);
            Zakladki->setCurrentWidget(kontrahenci);
        }
        SBRaport->setEnabled(false);
    } else {
        const Query& k = myDataBase->DBFKontrahenci;
        myDataBase->SetRejestrTaxpayer(k.asInteger(QStringLiteral("ID")));
        const QString shortName = k.asText(QStringLiteral("SKROT"));
        nazwaKontrahenta->setText(shortName.isEmpty() ? k.asText(QStringLiteral("NAZWA"))
                                                      : shortName);
        nazwaKontrahenta->setToolTip(nazwaKontrahenta->text());
        SBRaport->setEnabled(true);
    }
    myDataBase->RefreshRejestr();
    focusActiveGrid();
}

void TfMain::CBCurrentMonthChange()
{
    if (CBCurrentMonth->view()->isVisible() || CBcurrentYear->view()->isVisible()) {
        m_comboApplyPending = true;
        return;
    }
    m_comboApplyPending = false;
    setFilterColours(false);
    if (CBcurrentYear->currentIndex() <= 0 && CBCurrentMonth->currentIndex() != 0) {
        const QSignalBlocker block(CBCurrentMonth);
        CBCurrentMonth->setCurrentIndex(0);
    }
    myDataBase->SetRejestrYearMonth(YearAtIndex(CBcurrentYear->currentIndex()),
                                    CBCurrentMonth->currentIndex());
    myDataBase->RefreshRejestr();
}

ReportCriteria TfMain::CurrentReportCriteria() const
{
    ReportCriteria criteria;
    criteria.view = &myDataBase->DBFRejestr;
    criteria.dateRange = DateRangeActive();
    if (criteria.dateRange) {
        criteria.period = QStringLiteral("od ") + filtrOd->dateText() + QStringLiteral(" do ") +
                          filtrDo->dateText();
    } else {
        if (CBCurrentMonth->currentIndex() > 0)
            criteria.period = CBCurrentMonth->currentText() + u' ';
        criteria.period += CBcurrentYear->currentText();
    }
    return criteria;
}

void TfMain::ApplyDateRange()
{
    setFilterColours(true);
    myDataBase->SetRejestrDateRange(filtrOd->dateText(), filtrDo->dateText());
    myDataBase->RefreshRejestr();
}

void TfMain::RejestrGridTitleClick(const QString& field)
{
    const TWaitCursor wait; // a large register is sorted afresh by the engine
    myDataBase->SortRejestrBy(field);
    showSortOrders();
}

void TfMain::kontrahenciGridTitleClick(const QString& field)
{
    const TWaitCursor wait;
    myDataBase->SortKontrahenciBy(field);
    showSortOrders();
}

void TfMain::showSortOrders()
{
    if (!myDataBase)
        return;
    kontrahenciGrid->showSortOrder(myDataBase->KontrahenciSortField(),
                                   myDataBase->KontrahenciSortAscending());
    RejestrGrid->showSortOrder(myDataBase->RejestrSortField(), myDataBase->RejestrSortAscending());
}

void TfMain::fSzukajChange()
{
    myDataBase->SetKontrahenciSearch(fSzukaj->text());
    myDataBase->RefreshKontrahenci();
}

void TfMain::FocusSearch()
{
    Zakladki->setCurrentWidget(kontrahenci);
    // After the tab change, which hands the keyboard to the list.
    QTimer::singleShot(0, this, [this] {
        fSzukaj->setFocus(Qt::ShortcutFocusReason);
        fSzukaj->selectAll();
    });
}

void TfMain::Zakocz1Click()
{
    close();
}

void TfMain::Zmianahasaprogramu1Click()
{
    if (fChangeLogin)
        fChangeLogin->exec();
    focusActiveGrid();
}

bool TfMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
        if (auto* w = qobject_cast<QWidget*>(watched)) {
            const QPoint at = w->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
            PopupMenu1->popup(w->mapToGlobal(at.isNull() ? QPoint(10, 10) : at));
            return true;
        }
    }
    // Typing into the taxpayer list starts a search.
    if (watched == kontrahenciGrid && !key->text().isEmpty() && key->text().at(0).isPrint() &&
        !key->text().at(0).isSpace() &&
        (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier) {
        fSzukaj->setFocus(Qt::OtherFocusReason);
        fSzukaj->insert(key->text());
        return true;
    }
    if (enter && (watched == CBCurrentMonth || watched == CBcurrentYear)) {
        CBCurrentMonthChange();
        return true;
    }
    if (enter && (watched == filtrOd || watched == filtrDo)) {
        ApplyDateRange();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
