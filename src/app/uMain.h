#pragma once

#include "archive/FileOper.h"
#include "archive/uFileOperations.h"
#include "startup/uRunDirectory.h"
#include "startup/uSingleInstance.h"

#include "windows/uRaporty.h"

#include <QMainWindow>

class Query;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class TDBGrid;
class TDateEdit;
class TDatePicker;
class TSearchField;

// The main window: the taxpayer list and, on the second tab, the register of the taxpayer that
// was current when the tab was entered, with its period filters and sorting; the command buttons
// and menus. It tells the data module what to put into its views and when to re-run them.
class QTimer;

class TfMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfMain(QWidget* parent = nullptr);
    ~TfMain() override;

    // Start-up before the other windows exist: date texts, the single-instance lock, the run
    // directory and the engine session. False when the program must end (a message was shown).
    bool FormCreate(const QStringList& arguments);
    // After every window exists, before the window appears: the login gate and the initial
    // filters. False when the login was not accepted.
    bool FormShow();
    // Engine session off, working directories cleaned. Runs once, at the latest on destruction.
    void FormDestroy();

    bool copyMode = false;
    TFileOperations fileOperations;
    TFileOperation* deleteFileOP = nullptr;

    // Controls, named as the program names them.
    QTabWidget* Zakladki = nullptr;
    QWidget* kontrahenci = nullptr;
    QWidget* rejestr = nullptr;
    TSearchField* fSzukaj = nullptr;
    TDBGrid* kontrahenciGrid = nullptr;
    TDBGrid* RejestrGrid = nullptr;
    QLabel* nazwaKontrahenta = nullptr;
    QComboBox* CBCurrentMonth = nullptr;
    QComboBox* CBcurrentYear = nullptr;
    TDateEdit* filtrOd = nullptr;
    TDateEdit* filtrDo = nullptr;
    TDatePicker* DTPFiltrOd = nullptr;
    TDatePicker* DTPFiltrDo = nullptr;
    QPushButton* SBPodglad = nullptr;
    QPushButton* SBDodaj = nullptr;
    QPushButton* SBEdytuj = nullptr;
    QPushButton* SBUsun = nullptr;
    QPushButton* SBKopiuj = nullptr;
    QPushButton* SBcsv = nullptr;
    QPushButton* SBRaport = nullptr;
    QPushButton* SBSuma = nullptr;
    QStatusBar* StatusBar = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Podgld1 = nullptr;
    QAction* Dodajpozycj1 = nullptr;
    QAction* Edytujpozycj1 = nullptr;
    QAction* Usupozycj1 = nullptr;
    QAction* Kopiujpozycj1 = nullptr;
    QAction* ZapiszdoCSV2 = nullptr;
    QAction* Zakocz1 = nullptr;
    QAction* Zmianahasaprogramu1 = nullptr;
    QAction* Archiwizacjabazydanych1 = nullptr;
    QAction* ImportdanychztabelParadox1 = nullptr;

    // Which period filter is in force, told by the colour of filtrOd as the report reads it.
    bool DateRangeActive() const;
    // What the report prints: the register view and the period in force.
    ReportCriteria CurrentReportCriteria() const;

    // The run directory of this run (empty when none could be made).
    QString runDirectory() const { return m_run.path(); }

public Q_SLOTS:
    void ZakladkiChange();
    void CBCurrentMonthChange();
    void ApplyDateRange();
    void RejestrGridTitleClick(const QString& field);
    void kontrahenciGridTitleClick(const QString& field);
    // The taxpayer list narrowed to what the search field holds.
    void fSzukajChange();
    // Ctrl+F: the search field of the taxpayer list.
    void FocusSearch();
    void Zakocz1Click();
    void Zmianahasaprogramu1Click();
    void Archiwizacjabazydanych1Click();
    void ImportdanychztabelParadox1Click();

    // Record commands on the current row of the tab shown.
    void SBPodgladClick();
    void SBDodajClick();
    void SBEdytujClick();
    void SBUsunClick();
    void SBKopiujClick();
    // The sums window filled for the tab shown.
    void SBSumaClick();
    // Asks for a file name and exports the grid of the tab shown.
    void SBcsvClick();

public:
    // Writes the grid of the tab shown, with every row of its view, to a CSV file; the grid's
    // current row stays where it was. On failure an earlier file stays as it was and *error
    // tells why the file could not be written (empty when reading the view failed).
    bool ExportActiveGrid(const QString& fileName, QString* error = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_exportCancelled = false; // the last export was stopped by the user
    void buildUi();
    QWidget* buildBanner();
    QWidget* buildRegisterPanel();
    QWidget* buildSearchRow();
    QWidget* buildButtonRow();
    void buildMenus();
    void carryContextMenu(QWidget* w);
    void setFilterColours(bool rangeActive);
    void focusActiveGrid();
    // Both grids' titles show the order the data module sorts their views by.
    void showSortOrders();
    // After the data files may have been replaced: the views brought up to date.
    void ShowReplacedData();

    bool onRegisterTab() const;
    Query& activeView() const;
    qint64 currentTaxpayerId() const;
    void LoadKontrahentToForm();
    void LoadRejestrToEdycja();
    void AddKontrahent();
    void EditKontrahent();
    void AddRejestr();
    void EditRejestr();

    // On a server: what other clerks saved shows without anyone asking.
    void takeOthersChanges();
    QTimer* m_othersChanges = nullptr;

    SingleInstance m_instance{QStringLiteral("ApplicationShuRejestrTARV")};
    RunDirectory m_run;
    bool m_destroyed = false;
    bool m_comboApplyPending = false;
};
