#include "windows/ReportPreview.h"

#include "data/ExportFolder.h"
#include "data/uDefinicje.h"
#include "dialogs/uProgressWindow.h"
#include "report/ReportPainter.h"
#include "windows/ReportPageView.h"
#include "windows/ReportPrint.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const double kZoomSteps[] = {0.25, 0.33, 0.5,  0.67, 0.75, 0.9, 1.0, 1.1,
                             1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0};
constexpr double kZoomEpsilon = 0.005;
constexpr int kFindPause = 300; // milliseconds

} // namespace

TReportPreview::TReportPreview(const ReportDocument& document, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_document(document)
{
    setObjectName(QStringLiteral("TReportPreview"));
    setWindowTitle(document.title);
    setModal(true);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto action = [this, bar](const char* name, const QString& text,
                                    QStyle::StandardPixmap icon, const QKeySequence& key,
                                    void (TReportPreview::*slot)()) {
        auto* a = bar->addAction(
            icon == QStyle::SP_CustomBase ? QIcon() : style()->standardIcon(icon), text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        a->setToolTip(key.isEmpty() ? text
                                    : text + QStringLiteral(" (") +
                                          key.toString(QKeySequence::NativeText) + u')');
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };
    actZoomIn = action("actZoomIn", QStringLiteral("Powiększ"), QStyle::SP_CustomBase,
                       QKeySequence::ZoomIn, &TReportPreview::zoomIn);
    actZoomOut = action("actZoomOut", QStringLiteral("Pomniejsz"), QStyle::SP_CustomBase,
                        QKeySequence::ZoomOut, &TReportPreview::zoomOut);
    actWholePage = action("actWholePage", QStringLiteral("Cała strona"), QStyle::SP_CustomBase,
                          QKeySequence(Qt::CTRL | Qt::Key_0), &TReportPreview::wholePage);
    actPageWidth = action("actPageWidth", QStringLiteral("Szerokość strony"), QStyle::SP_CustomBase,
                          QKeySequence(Qt::CTRL | Qt::Key_9), &TReportPreview::pageWidth);
    // Short captions on the bar, so it fits a 1024-pixel screen; tool tips keep the names.
    actZoomIn->setIconText(QStringLiteral("+"));
    actZoomOut->setIconText(QStringLiteral("−"));
    actPageWidth->setIconText(QStringLiteral("Szerokość"));
    zoomInfo = new QLabel(bar);
    zoomInfo->setObjectName(QStringLiteral("zoomInfo"));
    zoomInfo->setMinimumWidth(zoomInfo->fontMetrics().horizontalAdvance(QStringLiteral("0000 %")));
    zoomInfo->setAlignment(Qt::AlignCenter);
    bar->addWidget(zoomInfo);
    bar->addSeparator();
    actPrint = action("actPrint", QStringLiteral("Drukuj"), QStyle::SP_CustomBase,
                      QKeySequence::Print, &TReportPreview::print);
    actSavePdf = action("actSavePdf", QStringLiteral("Zapisz jako PDF"),
                        QStyle::SP_DialogSaveButton, QKeySequence::Save, &TReportPreview::savePdf);
    actSavePdf->setIconText(QStringLiteral("PDF"));
    bar->addSeparator();
    findText = new QLineEdit(bar);
    findText->setObjectName(QStringLiteral("findText"));
    findText->setPlaceholderText(QStringLiteral("Szukaj"));
    findText->setClearButtonEnabled(true);
    findText->setMaximumWidth(130);
    bar->addWidget(findText);
    actFindNext = action("actFindNext", QStringLiteral("Znajdź następny"), QStyle::SP_ArrowDown,
                         QKeySequence::FindNext, &TReportPreview::findNext);
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(actFindNext)))
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    findInfo = new QLabel(bar);
    findInfo->setObjectName(QStringLiteral("findInfo"));
    findInfo->setIndent(6);
    bar->addWidget(findInfo);
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    // Paging buttons show their pictures only, so the bar fits a 1024-pixel screen.
    const auto pageAction = [&](const char* name, const QString& text, QStyle::StandardPixmap icon,
                                const QKeySequence& key, auto move) {
        QAction* a = action(name, text, icon, key, nullptr);
        connect(a, &QAction::triggered, this, move);
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a)))
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        return a;
    };
    actFirstPage =
        pageAction("actFirstPage", QStringLiteral("Pierwsza strona"), QStyle::SP_MediaSkipBackward,
                   QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { goToPage(0); });
    actPreviousPage = pageAction("actPreviousPage", QStringLiteral("Poprzednia strona"),
                                 QStyle::SP_MediaSeekBackward, QKeySequence(),
                                 [this] { goToPage(currentPage() - 1); });
    auto* pageCaption = new QLabel(QStringLiteral("Strona"), bar);
    pageCaption->setIndent(4);
    bar->addWidget(pageCaption);
    pageBox = new QSpinBox(bar);
    pageBox->setObjectName(QStringLiteral("pageBox"));
    pageBox->setButtonSymbols(QAbstractSpinBox::NoButtons);
    pageBox->setRange(1, std::max(1, document.pageCount()));
    pageBox->setKeyboardTracking(false);
    pageBox->setAlignment(Qt::AlignRight);
    // Five digits whatever the report's length, so the bar is as wide for any report.
    pageBox->setFixedWidth(pageBox->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    bar->addWidget(pageBox);
    pageInfo = new QLabel(QStringLiteral("z %1").arg(document.pageCount()), bar);
    pageInfo->setObjectName(QStringLiteral("pageInfo"));
    pageInfo->setIndent(4);
    pageInfo->setMinimumWidth(pageInfo->fontMetrics().horizontalAdvance(QStringLiteral("z 00000")) +
                              pageInfo->indent());
    bar->addWidget(pageInfo);
    actNextPage =
        pageAction("actNextPage", QStringLiteral("Następna strona"), QStyle::SP_MediaSeekForward,
                   QKeySequence(), [this] { goToPage(currentPage() + 1); });
    actLastPage = pageAction("actLastPage", QStringLiteral("Ostatnia strona"),
                             QStyle::SP_MediaSkipForward, QKeySequence(Qt::CTRL | Qt::Key_End),
                             [this] { goToPage(m_document.pageCount() - 1); });
    bar->addSeparator();
    actClose = action("actClose", QStringLiteral("Zamknij"), QStyle::SP_DialogCloseButton,
                      QKeySequence(), &TReportPreview::reject);

    pageView = new ReportPageView(document);
    scrollArea = new QScrollArea(this);
    scrollArea->setObjectName(QStringLiteral("scrollArea"));
    scrollArea->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scrollArea->setBackgroundRole(QPalette::Dark);
    scrollArea->setWidget(pageView);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(scrollArea, 1);

    m_findTimer.setSingleShot(true);
    m_findTimer.setInterval(kFindPause);
    connect(&m_findTimer, &QTimer::timeout, this, &TReportPreview::find);
    connect(findText, &QLineEdit::textChanged, this, &TReportPreview::findTextChanged);
    connect(findText, &QLineEdit::returnPressed, this, &TReportPreview::findNext);
    connect(scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TReportPreview::showPosition);
    connect(pageBox, &QSpinBox::valueChanged, this, [this](int page) {
        if (page - 1 != currentPage())
            goToPage(page - 1);
    });
    scrollArea->installEventFilter(this);

    QSize size(1100, 780);
    if (const QScreen* s = screen())
        size = size.boundedTo(s->availableGeometry().size() * 0.9);
    resize(size);
    applyFit();
}

double TReportPreview::zoom() const
{
    return pageView->zoom();
}

void TReportPreview::setZoom(double zoom)
{
    // Keep the point at the middle of the view where it is on the page; a view at the top of the
    // first page (as the preview opens) stays there, so the report's title is in sight.
    QScrollBar* v = scrollArea->verticalScrollBar();
    const bool atTop = v->value() == 0;
    const double before = pageView->zoom();
    const double middle = v->value() + scrollArea->viewport()->height() / 2.0;
    pageView->setZoom(zoom);
    v->setValue(
        atTop ? 0
              : int(middle * pageView->zoom() / before - scrollArea->viewport()->height() / 2.0));
    zoomInfo->setText(QStringLiteral("%1 %").arg(qRound(pageView->zoom() * 100)));
    showPosition();
}

void TReportPreview::zoomIn()
{
    m_fit = Fit::None;
    for (double step : kZoomSteps) {
        if (step > zoom() + kZoomEpsilon)
            return setZoom(step);
    }
}

void TReportPreview::zoomOut()
{
    m_fit = Fit::None;
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it) {
        if (*it < zoom() - kZoomEpsilon)
            return setZoom(*it);
    }
}

void TReportPreview::wholePage()
{
    m_fit = Fit::WholePage;
    applyFit();
}

void TReportPreview::pageWidth()
{
    m_fit = Fit::PageWidth;
    applyFit();
}

void TReportPreview::applyFit()
{
    if (m_fit == Fit::None)
        return;
    const QSizeF paper = m_document.pageSize() * pageView->screenPxPerMm();
    const QSize room = scrollArea->maximumViewportSize();
    const int gaps = 2 * ReportPageView::kGap;
    // Room for the vertical scroll bar, which several pages always need.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const double byWidth = (room.width() - gaps - bar) / paper.width();
    if (m_fit == Fit::PageWidth) {
        setZoom(byWidth);
        return;
    }
    const double byHeight = (room.height() - gaps) / paper.height();
    setZoom(std::min(byWidth, byHeight));
    // The page in view stays in view.
    scrollArea->verticalScrollBar()->setValue(
        int(pageView->pageRect(pageView->pageAt(scrollArea->verticalScrollBar()->value())).top()) -
        ReportPageView::kGap);
}

void TReportPreview::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    applyFit();
}

int TReportPreview::currentPage() const
{
    const double middle =
        scrollArea->verticalScrollBar()->value() + scrollArea->viewport()->height() / 2.0;
    return pageView->pageAt(middle);
}

void TReportPreview::goToPage(int page)
{
    if (m_document.pageCount() == 0)
        return;
    page = std::clamp(page, 0, m_document.pageCount() - 1);
    scrollArea->verticalScrollBar()->setValue(int(pageView->pageRect(page).top()) -
                                              ReportPageView::kGap);
    // The last page may not reach the top of the view: the box still names it.
    const QSignalBlocker block(pageBox);
    pageBox->setValue(page + 1);
}

void TReportPreview::showPosition()
{
    const QSignalBlocker block(pageBox);
    pageBox->setValue(currentPage() + 1);
}

bool TReportPreview::eventFilter(QObject* watched, QEvent* event)
{
    // On the pages the keys move by page; in the search and page boxes they edit the text.
    if (watched == scrollArea && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int page = pageBox->value() - 1;
        switch (key->key()) {
        case Qt::Key_Home:
            goToPage(0);
            return true;
        case Qt::Key_End:
            goToPage(m_document.pageCount() - 1);
            return true;
        case Qt::Key_PageUp:
            goToPage(page - 1);
            return true;
        case Qt::Key_PageDown:
            goToPage(page + 1);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TReportPreview::findTextChanged()
{
    // A long report is searched once typing pauses, not at every letter.
    m_findTimer.start();
}

void TReportPreview::runPendingFind()
{
    if (m_findTimer.isActive()) {
        m_findTimer.stop();
        find();
    }
}

void TReportPreview::find()
{
    const TWaitCursor wait;
    m_matches = FindInReport(m_document, findText->text());
    m_current = -1;
    pageView->setMatches(m_matches, m_current);
    if (findText->text().isEmpty())
        findInfo->clear();
    else if (m_matches.isEmpty())
        findInfo->setText(QStringLiteral("Nie znaleziono"));
    else
        findInfo->setText(QStringLiteral("Znaleziono: %1").arg(m_matches.size()));
}

const QList<ReportMatch>& TReportPreview::matches()
{
    runPendingFind();
    return m_matches;
}

void TReportPreview::findNext()
{
    runPendingFind();
    if (m_matches.isEmpty())
        return;
    m_current = (m_current + 1) % int(m_matches.size());
    pageView->setMatches(m_matches, m_current);
    findInfo->setText(QStringLiteral("%1 z %2").arg(m_current + 1).arg(m_matches.size()));
    const ReportMatch& m = m_matches[m_current];
    const ReportTextItem item = m_document.page(m.page).texts[m.item];
    const double k = pageView->pxPerMm();
    const QRectF at = QRectF(item.rect.topLeft() * k, item.rect.size() * k)
                          .translated(pageView->pageRect(m.page).topLeft());
    scrollArea->ensureVisible(int(at.center().x()), int(at.center().y()), int(at.width() / 2) + 20,
                              int(at.height() / 2) + 40);
}

bool TReportPreview::saveAsPdf(const QString& path)
{
    const bool existed = QFileInfo::exists(path);
    QString error;
    bool written = false;
    {
        TProgressWindow progress(this, QStringLiteral("Zapisz jako PDF"));
        written = WriteReportPdf(m_document, path, &error, &progress);
        // Stopped by the user, who knows: the earlier file, if any, is as it was.
        if (progress.cancelled())
            return false;
    }
    if (written) {
        ShowInfoMessage(
            QStringLiteral("Informacja"),
            QStringLiteral("Raport zapisano w pliku %1.").arg(QDir::toNativeSeparators(path)));
        return true;
    }
    ShowInfoMessage(QStringLiteral("Błąd"),
                    QStringLiteral("Nie można zapisać pliku %1 (%2). ").arg(path, error) +
                        (existed ? QStringLiteral("Wcześniejszy plik pozostał bez zmian.")
                                 : QStringLiteral("Plik nie został utworzony.")));
    return false;
}

void TReportPreview::savePdf()
{
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Zapisz raport jako PDF"),
                                     QDir(ExportFolder()).filePath(QStringLiteral("raport.pdf")),
                                     QStringLiteral("Pliki PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    RememberExportFolder(path);
    saveAsPdf(path);
}

void TReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpReportPrinter(m_document, printer);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Drukuj"));
    dialog.setMinMax(1, m_document.pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() != QDialog::Accepted)
        return;
    bool failed = false;
    {
        TProgressWindow progress(this, QStringLiteral("Drukuj"));
        failed = !PrintReport(m_document, printer, &progress) && !progress.cancelled();
    }
    if (failed)
        ShowInfoMessage(QStringLiteral("Błąd"), QStringLiteral("Nie można wydrukować raportu"));
}
