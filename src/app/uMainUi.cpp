// Layout of the main window: banner, left strip, the two tabs, the command buttons, the menus.
#include "app/uDBGrid.h"
#include "app/uElidedLabel.h"
#include "app/uMain.h"
#include "app/uSearchField.h"
#include "app/uWindows.h"
#include "data/Regional.h"
#include "data/ViewModel.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "dialogs/uWindowLook.h"
#include "windows/uRaporty.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <tuple>

namespace {

const QColor kBannerColour(128, 128, 144);

template <typename Label = QLabel> Label* whiteBoldLabel(const QString& text, QWidget* parent)
{
    auto* label = new Label(parent);
    label->setText(text);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSize(10);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(pal);
    return label;
}

QWidget* colouredStrip(const QColor& colour, QWidget* parent)
{
    auto* w = new QWidget(parent);
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    return w;
}

// A small ledger picture for the banner and the left strip, drawn rather than shipped.
QPixmap ledgerPicture(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 60), 1));
    p.setBrush(QColor(250, 246, 225));
    p.drawRect(QRectF(size * 0.18, size * 0.08, size * 0.64, size * 0.84));
    p.setPen(QPen(QColor(70, 90, 160), 1));
    for (int i = 1; i <= 5; ++i) {
        const qreal y = size * (0.12 + 0.13 * i);
        p.drawLine(QPointF(size * 0.26, y), QPointF(size * 0.74, y));
    }
    p.setPen(QPen(QColor(190, 30, 30), 1.5));
    p.drawLine(QPointF(size * 0.36, size * 0.1), QPointF(size * 0.36, size * 0.9));
    return pm;
}

QPushButton* commandButton(const QString& name, const QString& caption, const QString& hint,
                           QStyle::StandardPixmap icon, QWidget* parent)
{
    auto* b = new QPushButton(parent->style()->standardIcon(icon), caption, parent);
    b->setObjectName(name);
    b->setFlat(true);
    b->setFocusPolicy(Qt::NoFocus); // the keyboard stays in the grid
    b->setMinimumHeight(30);
    SetHint(b, hint);
    return b;
}

} // namespace

void TfMain::buildUi()
{
    resize(722, 496);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowBackground);
    setPalette(pal);

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(buildBanner());

    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    QWidget* strip = colouredStrip(Qt::black, central);
    strip->setFixedWidth(47);
    auto* stripLayout = new QVBoxLayout(strip);
    stripLayout->addStretch();
    auto* stripPicture = new QLabel(strip);
    stripPicture->setPixmap(ledgerPicture(36));
    stripLayout->addWidget(stripPicture, 0, Qt::AlignHCenter);
    middle->addWidget(strip);

    Zakladki = new QTabWidget(central);
    Zakladki->setObjectName(QStringLiteral("Zakladki"));
    kontrahenci = new QWidget(Zakladki);
    kontrahenci->setObjectName(QStringLiteral("kontrahenci"));
    rejestr = new QWidget(Zakladki);
    rejestr->setObjectName(QStringLiteral("rejestr"));

    kontrahenciGrid = new TDBGrid(&myDataBase->DBFKontrahenci, KontrahenciColumns(), kontrahenci);
    kontrahenciGrid->setObjectName(QStringLiteral("kontrahenciGrid"));
    auto* kl = new QVBoxLayout(kontrahenci);
    kl->setContentsMargins(2, 2, 2, 2);
    kl->setSpacing(2);
    kl->addWidget(buildSearchRow());
    kl->addWidget(kontrahenciGrid);

    RejestrGrid = new TDBGrid(&myDataBase->DBFRejestr, RejestrColumns(), rejestr);
    RejestrGrid->setObjectName(QStringLiteral("RejestrGrid"));
    auto* rl = new QVBoxLayout(rejestr);
    rl->setContentsMargins(2, 2, 2, 2);
    rl->setSpacing(2);
    rl->addWidget(buildRegisterPanel());
    rl->addWidget(RejestrGrid);

    Zakladki->addTab(kontrahenci, QStringLiteral("              Lista podatników             "));
    Zakladki->addTab(rejestr, QStringLiteral("Rejestr dla wskazanego płatnika"));
    middle->addWidget(Zakladki, 1);
    outer->addLayout(middle, 1);
    outer->addWidget(buildButtonRow());
    setCentralWidget(central);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);
    buildMenus();

    connect(Zakladki, &QTabWidget::currentChanged, this, &TfMain::ZakladkiChange);
    connect(RejestrGrid, &TDBGrid::titleClicked, this, &TfMain::RejestrGridTitleClick);
    connect(kontrahenciGrid, &TDBGrid::titleClicked, this, &TfMain::kontrahenciGridTitleClick);
    connect(fSzukaj, &QLineEdit::textChanged, this, &TfMain::fSzukajChange);
    connect(fSzukaj, &TSearchField::leaveToList, this, [this] { kontrahenciGrid->setFocus(); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &TfMain::FocusSearch);
    for (QComboBox* combo : {CBCurrentMonth, CBcurrentYear}) {
        connect(combo, &QComboBox::currentIndexChanged, this, &TfMain::CBCurrentMonthChange);
        // A choice made in an open list arrives while the list is still open; apply it once
        // the list has closed. Picking the item already chosen changes nothing in the list but
        // still means "this period", so it ends a date range.
        connect(combo, &QComboBox::activated, this, [this] {
            if (m_comboApplyPending || DateRangeActive())
                CBCurrentMonthChange();
        });
        combo->installEventFilter(this);
    }
    filtrOd->installEventFilter(this);
    filtrDo->installEventFilter(this);
    for (auto [button, action, slot] :
         {std::tuple{SBPodglad, Podgld1, &TfMain::SBPodgladClick},
          std::tuple{SBDodaj, Dodajpozycj1, &TfMain::SBDodajClick},
          std::tuple{SBEdytuj, Edytujpozycj1, &TfMain::SBEdytujClick},
          std::tuple{SBUsun, Usupozycj1, &TfMain::SBUsunClick},
          std::tuple{SBKopiuj, Kopiujpozycj1, &TfMain::SBKopiujClick}}) {
        connect(button, &QPushButton::clicked, this, slot);
        connect(action, &QAction::triggered, this, slot);
    }
    connect(SBSuma, &QPushButton::clicked, this, &TfMain::SBSumaClick);
    connect(SBcsv, &QPushButton::clicked, this, &TfMain::SBcsvClick);
    connect(SBRaport, &QPushButton::clicked, this, [this] {
        DMRaporty->SBRaportClick(CurrentReportCriteria());
        focusActiveGrid();
    });
    connect(ZapiszdoCSV2, &QAction::triggered, this, &TfMain::SBcsvClick);
    for (TDBGrid* grid : {kontrahenciGrid, RejestrGrid})
        connect(grid, &TDBGrid::editRequested, this, &TfMain::SBEdytujClick);
    // A picked day applies the range at once, as Enter in the field does.
    connect(filtrOd, &TDateEdit::datePicked, this, &TfMain::ApplyDateRange);
    connect(filtrDo, &TDateEdit::datePicked, this, &TfMain::ApplyDateRange);
}

QWidget* TfMain::buildBanner()
{
    QWidget* banner = colouredStrip(kBannerColour, this);
    banner->setFixedHeight(57);
    auto* layout = new QHBoxLayout(banner);
    layout->setContentsMargins(8, 0, 8, 0);
    auto* icon = new QLabel(banner);
    icon->setPixmap(ledgerPicture(40));
    layout->addWidget(icon);
    layout->addWidget(whiteBoldLabel(
        QStringLiteral("            Rejestr podatku od czynności cywilno - prawnych"), banner));
    layout->addStretch();
    return banner;
}

QWidget* TfMain::buildRegisterPanel()
{
    QWidget* panel = colouredStrip(kBannerColour, rejestr);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(6, 3, 6, 3);
    // A long name is cut with an ellipsis at the panel's edge rather than widening the window.
    nazwaKontrahenta = whiteBoldLabel<TElidedLabel>(QString(), panel);
    nazwaKontrahenta->setObjectName(QStringLiteral("nazwaKontrahenta"));
    layout->addWidget(nazwaKontrahenta, 1);

    auto* filters = new QGridLayout;
    filters->setHorizontalSpacing(4);
    filters->setVerticalSpacing(2);
    auto* forLabel = new QLabel(QStringLiteral("Dane dla:"), panel);
    auto* rangeLabel = new QLabel(QStringLiteral("Dane z okresu (od-do):"), panel);
    for (QLabel* l : {forLabel, rangeLabel}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(p);
    }

    CBCurrentMonth = new QComboBox(panel);
    CBCurrentMonth->setObjectName(QStringLiteral("CBCurrentMonth"));
    CBCurrentMonth->addItems(
        {QStringLiteral("(Wszystkie)"), QStringLiteral("Styczeń"), QStringLiteral("Luty"),
         QStringLiteral("Marzec"), QStringLiteral("Kwiecień"), QStringLiteral("Maj"),
         QStringLiteral("Czerwiec"), QStringLiteral("Lipiec"), QStringLiteral("Sierpień"),
         QStringLiteral("Wrzesień"), QStringLiteral("Październik"), QStringLiteral("Listopad"),
         QStringLiteral("Grudzień")});
    SetHint(CBCurrentMonth,
            QStringLiteral("Pokaż dane na miesiąc... Wybór zatwierdź klawiszem ENTER"));
    CBcurrentYear = new QComboBox(panel);
    CBcurrentYear->setObjectName(QStringLiteral("CBcurrentYear"));
    CBcurrentYear->addItem(QStringLiteral("(Wszystkie)"));
    CBcurrentYear->setMaxVisibleItems(20);
    SetHint(CBcurrentYear, QStringLiteral("Pokaż dane na rok... Wybór zatwierdź klawiszem ENTER"));

    const QString rangeHint =
        QStringLiteral("Dane z okresu (od-do). Wybór zatwierdź klawiszem ENTER");
    auto makeDateEdit = [&](const QString& name, TDatePicker*& picker) {
        auto* e = new TDateEdit(panel);
        e->setObjectName(name);
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("00-00-00000")) + 12);
        SetHint(e, rangeHint);
        picker = new TDatePicker(panel);
        picker->setObjectName(QStringLiteral("DTP") + name.left(1).toUpper() + name.mid(1));
        e->attachPicker(picker);
        return e;
    };
    filtrOd = makeDateEdit(QStringLiteral("filtrOd"), DTPFiltrOd);
    filtrDo = makeDateEdit(QStringLiteral("filtrDo"), DTPFiltrDo);
    auto* dash = new QLabel(QStringLiteral(" - "), panel);

    filters->addWidget(forLabel, 0, 0, Qt::AlignRight);
    auto* comboRow = new QHBoxLayout;
    comboRow->addWidget(CBCurrentMonth);
    comboRow->addWidget(CBcurrentYear);
    comboRow->addStretch();
    filters->addLayout(comboRow, 0, 1);
    filters->addWidget(rangeLabel, 1, 0, Qt::AlignRight);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->setSpacing(0);
    for (QWidget* w :
         std::initializer_list<QWidget*>{filtrOd, DTPFiltrOd, dash, filtrDo, DTPFiltrDo})
        rangeRow->addWidget(w);
    rangeRow->addStretch();
    filters->addLayout(rangeRow, 1, 1);
    layout->addLayout(filters);
    setTabOrder(CBCurrentMonth, CBcurrentYear);
    setTabOrder(CBcurrentYear, filtrOd);
    setTabOrder(filtrOd, filtrDo);
    setTabOrder(filtrDo, RejestrGrid);
    return panel;
}

QWidget* TfMain::buildSearchRow()
{
    auto* row = new QWidget(kontrahenci);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(4);
    auto* label = new QLabel(QStringLiteral("Szukaj:"), row);
    fSzukaj = new TSearchField(row);
    fSzukaj->setObjectName(QStringLiteral("fSzukaj"));
    fSzukaj->setPlaceholderText(QStringLiteral("skrót, nazwa, NIP lub miejscowość"));
    SetHint(fSzukaj, QStringLiteral("Szukaj podatnika (Ctrl+F). Esc czyści pole, Enter lub "
                                    "strzałka w dół przechodzi do listy"));
    label->setBuddy(fSzukaj);
    layout->addWidget(label);
    layout->addWidget(fSzukaj, 1);
    return row;
}

QWidget* TfMain::buildButtonRow()
{
    auto* row = new QWidget(this);
    row->setFixedHeight(50);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(50, 6, 6, 6);
    layout->setSpacing(2);
    SBPodglad =
        commandButton(QStringLiteral("SBPodglad"), QStringLiteral("Podgląd"),
                      QStringLiteral("Podgląd danych"), QStyle::SP_FileDialogContentsView, row);
    SBDodaj =
        commandButton(QStringLiteral("SBDodaj"), QStringLiteral("Dodaj"),
                      QStringLiteral("Dodaj nową pozycję"), QStyle::SP_FileDialogNewFolder, row);
    SBEdytuj = commandButton(QStringLiteral("SBEdytuj"), QStringLiteral("Edytuj"),
                             QStringLiteral("Edytuj wskazaną pozycję"),
                             QStyle::SP_FileDialogDetailedView, row);
    SBUsun = commandButton(QStringLiteral("SBUsun"), QStringLiteral("Usuń"),
                           QStringLiteral("Usuń wskazaną pozycję"), QStyle::SP_TrashIcon, row);
    SBKopiuj = commandButton(QStringLiteral("SBKopiuj"), QStringLiteral("Kopiuj"),
                             QStringLiteral("Stwórz kopię zaznaczonej pozycji"),
                             QStyle::SP_FileLinkIcon, row);
    SBcsv = commandButton(QStringLiteral("SBcsv"), QStringLiteral("do CSV"),
                          QStringLiteral("Zapisz tabelę do arkusza CSV"),
                          QStyle::SP_DialogSaveButton, row);
    SBRaport = commandButton(QStringLiteral("SBRaport"), QStringLiteral("Raport    "),
                             QStringLiteral("Generuj raport"), QStyle::SP_FileIcon, row);
    SBSuma = commandButton(QStringLiteral("SBSuma"), QStringLiteral("Przelicz sumy  "),
                           QStringLiteral("Sumuj kolumny tabeli"), QStyle::SP_BrowserReload, row);
    for (QPushButton* b : {SBPodglad, SBDodaj, SBEdytuj, SBUsun, SBKopiuj, SBcsv, SBRaport})
        layout->addWidget(b);
    layout->addStretch();
    layout->addWidget(SBSuma);
    return row;
}

void TfMain::buildMenus()
{
    QMenu* dataMenu = menuBar()->addMenu(QStringLiteral("&Dane"));
    Zakocz1 = dataMenu->addAction(QStringLiteral("Zakończ"), this, &TfMain::Zakocz1Click);
    Zakocz1->setObjectName(QStringLiteral("Zakocz1"));
    QMenu* admin = menuBar()->addMenu(QStringLiteral("Administracja"));
    Zmianahasaprogramu1 = admin->addAction(QStringLiteral("Zmiana hasła programu"), this,
                                           &TfMain::Zmianahasaprogramu1Click);
    Zmianahasaprogramu1->setObjectName(QStringLiteral("Zmianahasaprogramu1"));
    Archiwizacjabazydanych1 = admin->addAction(QStringLiteral("Archiwizacja bazy danych"), this,
                                               &TfMain::Archiwizacjabazydanych1Click);
    Archiwizacjabazydanych1->setObjectName(QStringLiteral("Archiwizacjabazydanych1"));
    ImportdanychztabelParadox1 = admin->addAction(QStringLiteral("Import danych z tabel Paradox"),
                                                  this, &TfMain::ImportdanychztabelParadox1Click);
    ImportdanychztabelParadox1->setObjectName(QStringLiteral("ImportdanychztabelParadox1"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [this](const char* name, const QString& text, const QKeySequence& key) {
        QAction* a = PopupMenu1->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        // The keys act only while a control that carries this menu has the focus.
        a->setShortcutContext(Qt::WidgetShortcut);
        return a;
    };
    Podgld1 = item("Podgld1", QStringLiteral("Podgląd"), QKeySequence(Qt::CTRL | Qt::Key_O));
    Dodajpozycj1 =
        item("Dodajpozycj1", QStringLiteral("Dodaj pozycję"), QKeySequence(Qt::Key_Insert));
    Edytujpozycj1 =
        item("Edytujpozycj1", QStringLiteral("Edytuj pozycję"), QKeySequence(Qt::Key_F2));
    Usupozycj1 = item("Usupozycj1", QStringLiteral("Usuń pozycję"), QKeySequence(Qt::Key_Delete));
    Kopiujpozycj1 =
        item("Kopiujpozycj1", QStringLiteral("Kopiuj pozycję"), QKeySequence(Qt::CTRL | Qt::Key_C));
    ZapiszdoCSV2 = item("ZapiszdoCSV2", QStringLiteral("Zapisz do CSV"), QKeySequence());
    for (QWidget* w : std::initializer_list<QWidget*>{kontrahenciGrid, RejestrGrid, CBCurrentMonth,
                                                      CBcurrentYear})
        carryContextMenu(w);
}

void TfMain::carryContextMenu(QWidget* w)
{
    w->addActions(PopupMenu1->actions());
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& pos) {
        QPoint at = pos;
        if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            // From the keyboard the menu opens at the current row.
            const QRect r = view->visualRect(view->currentIndex());
            if (!view->viewport()->rect().contains(pos) || pos == QPoint())
                at = r.isValid() ? r.center() : QPoint(10, 10);
            PopupMenu1->popup(view->viewport()->mapToGlobal(at));
            return;
        }
        PopupMenu1->popup(w->mapToGlobal(at));
    });
    w->installEventFilter(this);
}
