#include "windows/uArchiwum.h"
#include "dialogs/uWindowLook.h"

#include "archive/ArchiveSet.h"
#include "archive/FileOper.h"
#include "archive/uArchiveDescription.h"
#include "archive/uArchiveStore.h"
#include "data/Clock.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "dialogs/uDialogPictures.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uProgressWindow.h"
#include "dialogs/uPromptForm.h"
#include "dialogs/uQuestionForm.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

namespace {

const QSize kClientSize(548, 276);
const int kTreeWidth = 265;
const QColor kInactiveField(187, 187, 187);
const QColor kFormatCaption(144, 144, 160);
const int kFieldHeight = 21;
const int kButtonHeight = 25;
const int kGroupWidth = 259;

const QString kDirHint = QStringLiteral("Odszukaj miejsce położenia archiwum");
const QString kDateMessage = QStringLiteral("Nie poprawny format daty archiwum. Popraw pole");
const QString kDataDirectoryMessage = QStringLiteral(
    "Wskazany katalog zawiera bieżące dane programu, więc nie może być miejscem archiwum: "
    "archiwum nie zostanie w nim stworzone, usunięte ani z niego odtworzone. "
    "Wskaż inny katalog.");

void paintBase(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
}

QPushButton* flatButton(QWidget* parent, const char* name, const QString& text, const QIcon& glyph,
                        const QString& hint, const QRect& area)
{
    auto* b = new QPushButton(glyph, text, parent);
    b->setObjectName(QLatin1String(name));
    b->setFlat(true);
    // Like the tool buttons they stand for: no focus, and Enter in a field never presses them.
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    b->setGeometry(area);
    SetHint(b, hint);
    return b;
}

QLabel* caption(QWidget* parent, const QString& text, const QPoint& at)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->move(at);
    l->setFixedHeight(kFieldHeight);
    return l;
}

} // namespace

TfArchiwum::TfArchiwum(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TfArchiwum"));
    setWindowTitle(QStringLiteral("Praca z Archiwum"));
    setModal(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kWindowBackground);
    setPalette(colours);
    setAutoFillBackground(true);
    QFont font(QStringLiteral("Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    deleteFileOP = new TFileOperation(this);
    deleteFileOP->setObjectName(QStringLiteral("deleteFileOP"));
    deleteFileOP->SetMode(TFileOperation::foDelete);
    deleteFileOP->SetOptions(UnattendedFileOptions);
    deleteFileOP->SetTitle(QStringLiteral("Kasowanie archiwum"));

    SpeedButton6 = flatButton(
        this, "SpeedButton6", QStringLiteral("&Stwórz nowy podkatalog  w wybranej lokalizacji    "),
        style()->standardIcon(QStyle::SP_FileDialogNewFolder),
        QStringLiteral("Stwórz nowy podkatalog  w wybranej lokalizacji"), QRect());
    // A wider system font than the one the window was drawn for widens the left column, so the
    // caption is never cut; the right column moves along.
    const int left = qMax(kTreeWidth, SpeedButton6->sizeHint().width());
    const int right = 8 + left + 8;
    setFixedSize(kClientSize + QSize(left - kTreeWidth, 0));
    SpeedButton6->setGeometry(8, 215, left, kButtonHeight);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setRootPath(QString());
    aDir = new QTreeView(this);
    aDir->setObjectName(QStringLiteral("aDir"));
    aDir->setGeometry(8, 8, left, 177);
    aDir->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        aDir->hideColumn(column);
    aDir->setHeaderHidden(true);
    aDir->setSortingEnabled(true);
    aDir->sortByColumn(0, Qt::AscendingOrder);
    aDir->setEditTriggers(QAbstractItemView::NoEditTriggers);
    aDir->setAutoFillBackground(true);
    SetHint(aDir, kDirHint);

    aDrive = new QComboBox(this);
    aDrive->setObjectName(QStringLiteral("aDrive"));
    aDrive->setGeometry(8, 189, left, 22);
    SetHint(aDrive, kDirHint);

    GroupBox1 = new QGroupBox(QStringLiteral(" Znalezione archiwum "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(right, 4, kGroupWidth, 130);
    oNazwa = addNameField(GroupBox1, "oNazwa", 22);
    oData = addDateField(GroupBox1, "oData", "oDTPdata", 47, oDTPdata);
    zapisz = flatButton(GroupBox1, "zapisz", QStringLiteral("&Zapisz zmiany opisu"), OkGlyph(),
                        QStringLiteral("Zapisz zmiany opisu odnalezionego archiwum"),
                        QRect(6, 73, 130, kButtonHeight));
    usun =
        flatButton(GroupBox1, "usun", QStringLiteral("&Usuń archiwum"),
                   style()->standardIcon(QStyle::SP_TrashIcon),
                   QStringLiteral("Usuń odnalezione archiwum"), QRect(138, 73, 115, kButtonHeight));
    odtworz = flatButton(GroupBox1, "odtworz",
                         QStringLiteral("&Odtwórz dane z archiwum                           "),
                         style()->standardIcon(QStyle::SP_BrowserReload),
                         QStringLiteral("Odtwórz dane ze znalezionego archiwum. Dotychczasowe "
                                        "dane zostaną usunięte"),
                         QRect(6, 99, 247, kButtonHeight));

    GroupBox2 = new QGroupBox(QStringLiteral(" Stwórz nowe archiwum "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(right, 138, kGroupWidth, 104);
    nNazwa = addNameField(GroupBox2, "nNazwa", 22);
    nData = addDateField(GroupBox2, "nData", "nDTPdata", 47, nDTPdata);
    stworz = flatButton(GroupBox2, "stworz",
                        QStringLiteral("Stwórz nowe &archiwum                               "),
                        style()->standardIcon(QStyle::SP_DialogSaveButton),
                        QStringLiteral("Stwórz nowe archiwum bazy danych we wskazanym katalogu"),
                        QRect(6, 73, 247, kButtonHeight));

    SpeedButton2 =
        flatButton(this, "SpeedButton2", QString(), CancelGlyph(),
                   QStringLiteral("Zamknij to okno"), QRect(right + kGroupWidth - 24, 246, 24, 24));

    setTabOrder(aDir, aDrive);
    setTabOrder(aDrive, oNazwa);
    setTabOrder(oNazwa, oData);
    setTabOrder(oData, nNazwa);
    setTabOrder(nNazwa, nData);
    for (QWidget* w : std::initializer_list<QWidget*>{aDir, aDrive, oNazwa, oData, nNazwa, nData})
        w->installEventFilter(this);

    connect(aDir->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TfArchiwum::aDirChange);
    // The model reads directories in the background and sorts them later, so the selected row
    // finds its place only after the rows before it came; follow it until the user takes over.
    m_scroll = new QTimer(this);
    m_scroll->setSingleShot(true);
    connect(m_scroll, &QTimer::timeout, this,
            [this] { aDir->scrollTo(aDir->currentIndex(), QAbstractItemView::PositionAtCenter); });
    const auto follow = [this] {
        if (m_scrollPending)
            m_scroll->start(0);
    };
    connect(m_model, &QAbstractItemModel::rowsInserted, this, follow);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, follow);
    aDir->viewport()->installEventFilter(this);
    connect(aDrive, &QComboBox::activated, this, &TfArchiwum::aDriveChange);
    connect(SpeedButton6, &QPushButton::clicked, this, &TfArchiwum::SpeedButton6Click);
    connect(stworz, &QPushButton::clicked, this, &TfArchiwum::stworzClick);
    connect(zapisz, &QPushButton::clicked, this, &TfArchiwum::zapiszClick);
    connect(usun, &QPushButton::clicked, this, &TfArchiwum::usunClick);
    connect(odtworz, &QPushButton::clicked, this, &TfArchiwum::odtworzClick);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfArchiwum::SpeedButton2Click);

    fillDrives();
    SelectDirectory(QDir::currentPath());
}

QLineEdit* TfArchiwum::addNameField(QGroupBox* group, const char* name, int top)
{
    caption(group, QStringLiteral("Nazwa"), QPoint(8, top));
    auto* edit = new QLineEdit(group);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(kDescriptionNameSize);
    edit->setGeometry(48, top, 205, kFieldHeight);
    return edit;
}

TDateEdit* TfArchiwum::addDateField(QGroupBox* group, const char* name, const char* picker, int top,
                                    TDatePicker*& pickerOut)
{
    caption(group, QStringLiteral("Data"), QPoint(8, top));
    auto* edit = new TDateEdit(group);
    edit->setObjectName(QLatin1String(name));
    const int width = qMax(78, edit->fittingWidth());
    edit->setGeometry(48, top, width, kFieldHeight);

    pickerOut = new TDatePicker(group);
    pickerOut->setObjectName(QLatin1String(picker));
    pickerOut->setFixedSize(21, kFieldHeight);
    pickerOut->move(48 + width, top);
    edit->attachPicker(pickerOut);

    QLabel* format = caption(group, DateHintText(), QPoint(48 + width + 27, top));
    QPalette grey = format->palette();
    grey.setColor(QPalette::WindowText, kFormatCaption);
    format->setPalette(grey);
    return edit;
}

QString TfArchiwum::SelectedDirectory() const
{
    const QModelIndex current = aDir->currentIndex();
    return current.isValid() ? StripTrailingBackslash(m_model->filePath(current)) : QString();
}

bool TfArchiwum::SelectDirectory(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return false;
    const QModelIndex index = m_model->index(info.absoluteFilePath());
    if (!index.isValid())
        return false;
    if (index == aDir->currentIndex()) {
        aDirChange();
    } else {
        aDir->setCurrentIndex(index);
    }
    aDir->expand(index);
    aDir->scrollTo(index);
    m_scrollPending = true;
    return true;
}

void TfArchiwum::fillDrives()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Containers mount single files too; only directories can be chosen.
        if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir())
            roots << volume.rootPath();
    }
    roots.sort();
    roots.removeDuplicates();
    const QSignalBlocker block(aDrive);
    aDrive->clear();
    for (const QString& root : roots)
        aDrive->addItem(QDir::toNativeSeparators(root), root);
}

void TfArchiwum::followDrive(const QString& directory)
{
    const QString root = QStorageInfo(directory).rootPath();
    int item = aDrive->findData(root);
    const QSignalBlocker block(aDrive);
    if (item < 0 && !root.isEmpty()) {
        aDrive->addItem(QDir::toNativeSeparators(root), root);
        item = aDrive->count() - 1;
    }
    aDrive->setCurrentIndex(item);
}

void TfArchiwum::aDriveChange(int index)
{
    SelectDirectory(aDrive->itemData(index).toString());
}

void TfArchiwum::aDirChange()
{
    followDrive(SelectedDirectory());
    RefreshFound();
}

void TfArchiwum::RefreshFound()
{
    oNazwa->setEnabled(false);
    oNazwa->clear();
    oData->setEnabled(false);
    oData->setText(EmptyDateText);
    oDTPdata->setEnabled(false);
    oDTPdata->setDate(Now().date());
    for (QPushButton* b : {zapisz, usun, odtworz})
        b->setEnabled(false);
    paintBase(oNazwa, kInactiveField);
    paintBase(oData, kInactiveField);

    const QString dir = SelectedDirectory();
    if (dir.isEmpty())
        return;
    FinishInterruptedArchive(dir);
    if (!HoldsArchive(dir))
        return;
    const ArchiveDescription found = ReadDescription(ArchiveFilePath(dir, kDescriptionFileName));
    oNazwa->setText(found.Nazwa);
    oData->setText(found.Data);
    for (QWidget* w : std::initializer_list<QWidget*>{oNazwa, oData, oDTPdata})
        w->setEnabled(true);
    // A stored date that names no day (31-02-2008) opens the calendar on today.
    oDTPdata->setDate(DateTextToDate(found.Data).date());
    paintBase(oNazwa, Qt::white);
    paintBase(oData, Qt::white);
    for (QPushButton* b : {zapisz, usun, odtworz})
        b->setEnabled(true);
}

void TfArchiwum::FormShow()
{
    nNazwa->clear();
    nData->setText(Now().date().toString(DateDisplayFormat));
    nData->showDateInPicker();
    // Volumes come and go between openings (a memory stick).
    fillDrives();
    followDrive(SelectedDirectory());
    RefreshFound();
    // Placed while the window was hidden, the row may lie out of sight.
    aDir->scrollTo(aDir->currentIndex());
    m_scrollPending = true;
}

bool TfArchiwum::refuseDataDirectory()
{
    if (!IsDataDirectory(SelectedDirectory()))
        return false;
    ShowInfo(QStringLiteral("Uwaga"), kDataDirectoryMessage);
    return true;
}

bool TfArchiwum::refuseDate(TDateEdit* field)
{
    const QString text = field->dateText();
    if (text == EmptyDateText || IsDateText(text))
        return false;
    ShowInfo(QStringLiteral("Uwaga"), kDateMessage);
    // After the message, which hands the focus back to where it was.
    field->setFocus(Qt::OtherFocusReason);
    return true;
}

void TfArchiwum::SpeedButton6Click()
{
    const QString dir = SelectedDirectory();
    QString name;
    if (dir.isEmpty() ||
        !AskText(QStringLiteral("Wprowadź nazwę podkatalogu"), QStringLiteral("Nazwa podkatalogu"),
                 Now().date().toString(QStringLiteral("yyyy-MM-dd")), &name))
        return;
    const QString path = ArchiveFilePath(dir, name);
    // It may exist already or be no valid name; selecting it tells.
    QDir().mkdir(path);
    if (!SelectDirectory(path))
        ShowInfo(QStringLiteral("Uwaga"),
                 QStringLiteral("Nie można utworzyć ani wybrać katalogu %1")
                     .arg(QDir::toNativeSeparators(path)));
}

bool TfArchiwum::askToReplace(const QString& dir)
{
    if (HoldsArchive(dir))
        return Ask(QStringLiteral("Pytanie"), QStringLiteral("We wskazanym katalogu istnieje już "
                                                             "archiwum. Czy zastąpić znalezione "
                                                             "archiwum?"));
    // Such as the tables of an older installation, which its users are told to keep.
    const QStringList present = ArchiveSetFilesIn(dir);
    if (present.isEmpty())
        return true;
    const QString folder = QDir::toNativeSeparators(dir);
    return Ask(QStringLiteral("Uwaga"),
               present.size() == 1
                   ? QStringLiteral("W folderze %1 jest już plik %2, który nie należy do archiwum "
                                    "programu. Zastąpić go?")
                         .arg(folder, present.first())
                   : QStringLiteral("W folderze %1 są już pliki %2, które nie należą do archiwum "
                                    "programu. Zastąpić je?")
                         .arg(folder, present.join(QStringLiteral(", "))));
}

void TfArchiwum::stworzClick()
{
    const QString dir = SelectedDirectory();
    if (dir.isEmpty() || refuseDataDirectory() || refuseDate(nData))
        return;
    FinishInterruptedArchive(dir);
    if (!askToReplace(dir))
        return;
    const bool connected = myDataBase && myDataBase->DatabaseMain.isConnected();
    const bool onServer = connected && myDataBase->DatabaseMain.store() == Database::Store::Server;
    sqlite3* live = connected && !onServer ? myDataBase->DatabaseMain.handle() : nullptr;
    QString why;
    CreateOutcome outcome = CreateOutcome::Failed;
    bool cancelled = false;
    {
        TProgressWindow progress(this, QStringLiteral("Archiwizacja bazy danych"));
        const ArchiveDescription description{nNazwa->text(), nData->dateText()};
        outcome = onServer ? CreateArchiveFromServer(myDataBase->DatabaseMain.serverConnection(),
                                                     dir, description, &why, &progress)
                           : CreateArchive(live, dir, description, &why, &progress);
        cancelled = progress.cancelled();
    }
    if (outcome != CreateOutcome::Created && cancelled) {
        ShowInfo(
            QStringLiteral("Informacja"),
            QStringLiteral("Archiwizację przerwano. Archiwum w katalogu pozostało bez zmian."));
        RefreshFound();
        return;
    }
    if (outcome != CreateOutcome::Created) {
        LogError(QStringLiteral("Archiwum %1: %2").arg(dir, why));
        if (outcome == CreateOutcome::Damaged)
            ShowInfo(QStringLiteral("Uwaga"), why);
        else
            ShowInfo(QStringLiteral("Informacja"),
                     QStringLiteral("Nie udało się stworzyć archiwum"));
        RefreshFound();
        return;
    }
    ShowInfo(QStringLiteral("Informacja"), QStringLiteral("Archiwum zostało stworzone"));
    RefreshFound();
    nData->setText(EmptyDateText);
    nNazwa->clear();
}

void TfArchiwum::zapiszClick()
{
    const QString dir = SelectedDirectory();
    if (dir.isEmpty() || refuseDate(oData))
        return;
    // A replacement still to be completed would bring back the description it carries.
    FinishInterruptedArchive(dir);
    if (WriteDescription(ArchiveFilePath(dir, kDescriptionFileName),
                         ArchiveDescription{oNazwa->text(), oData->dateText()}))
        ShowInfo(QStringLiteral("Informacja"),
                 QStringLiteral("Zmiany w opisie archiwum zapisano."));
    else
        ShowInfo(QStringLiteral("Informacja"),
                 QStringLiteral("Nie udało się zapisać zmian w opisie archiwum."));
}

void TfArchiwum::usunClick()
{
    const QString dir = SelectedDirectory();
    if (dir.isEmpty() || refuseDataDirectory())
        return;
    if (!Ask(QStringLiteral("Uwaga"),
             QStringLiteral("Archiwum zostanie trwale usunięte. Odzyskanie archiwum będzie "
                            "niemożliwe. Czy kontynuować usuwanie?")))
        return;
    // Otherwise a replacement still to be completed would bring the archive back.
    FinishInterruptedArchive(dir);
    fileOperations.SetOperation(deleteFileOP);
    fileOperations.Clear();
    // Only what is there: a missing table copy would stop the queue and leave the rest behind.
    for (const QString& name : {TableNames[0], TableNames[1], kDescriptionFileName}) {
        const QString path = ArchiveFilePath(dir, name);
        if (QFileInfo::exists(path))
            fileOperations.AddSource(path);
    }
    fileOperations.Execute();
    RefreshFound();
}

void TfArchiwum::odtworzClick()
{
    const QString dir = SelectedDirectory();
    if (dir.isEmpty() || refuseDataDirectory())
        return;
    if (!Ask(QStringLiteral("Pytanie"),
             QStringLiteral("Czy odtworzyć dane ze wskazanego archiwum?")))
        return;
    if (!Ask(QStringLiteral("Uwaga"),
             QStringLiteral("Dotychczasowe dane zostaną bezpowrotnie utracone. Czy mimo to chcesz "
                            "kontynuować operację odtwarzania danych z archiwum?")))
        return;
    if (!HoldsArchive(dir)) {
        ShowInfo(QStringLiteral("Informacje"),
                 QStringLiteral("We wskazanym katalogu nie znaleziono archiwum."));
        return;
    }
    QString why;
    std::vector<RenumberedEntry> renumbered;
    RestoreOutcome outcome = RestoreOutcome::Refused;
    bool cancelled = false;
    {
        TProgressWindow progress(this, QStringLiteral("Odtwarzanie danych z archiwum"));
        outcome = RestoreArchive(myDataBase, dir, &why, &renumbered, &progress);
        cancelled = progress.cancelled();
    }
    if (outcome == RestoreOutcome::Refused && cancelled) {
        ShowInfo(QStringLiteral("Informacje"),
                 QStringLiteral("Odtwarzanie przerwano. Dane pozostały bez zmian."));
        return;
    }
    if (outcome == RestoreOutcome::Restored) {
        const QString done = QStringLiteral("Operacja przebiegła pomyślnie. Dane zostały "
                                            "odtworzone z archiwum.");
        ShowInfo(QStringLiteral("Informacje"),
                 renumbered.empty() ? done : done + u' ' + RenumberedSummary(renumbered));
        return;
    }
    LogError(QStringLiteral("Odtwarzanie z archiwum %1: %2").arg(dir, why));
    ShowInfo(QStringLiteral("Informacja"),
             QStringLiteral("Nie udało się odtworzyć danych z archiwum. Spróbuj wykonać operację "
                            "ponownie. Aplikacja może zacząć działać niestabilnie. Do momentu "
                            "poprawnego odtworzenia danych."));
}

void TfArchiwum::SpeedButton2Click()
{
    reject();
}

void TfArchiwum::showEvent(QShowEvent* event)
{
    // Not when the window merely comes back from being minimised.
    if (!event->spontaneous())
        FormShow();
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

bool TfArchiwum::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == aDir || watched == aDir->viewport()) &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel ||
         event->type() == QEvent::KeyPress))
        m_scrollPending = false;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // With its list dropped down the drive chooser's Escape closes only the list.
        if (watched != aDrive || !aDrive->view()->isVisible()) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
