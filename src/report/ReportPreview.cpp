#include "report/ReportPreview.h"

#include "data/uDefinicje.h"
#include "report/ReportPageView.h"
#include "report/ReportPainter.h"
#include "report/ReportPrint.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const double kZoomSteps[] = {0.25, 0.33, 0.5,  0.67, 0.75, 0.9, 1.0, 1.1,
                             1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0};
constexpr double kZoomEpsilon = 0.005;

} // namespace

TReportPreview::TReportPreview(const ReportDocument& document, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_document(document), m_pdfDir(QDir::homePath())
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
    bar->addSeparator();
    findText = new QLineEdit(bar);
    findText->setObjectName(QStringLiteral("findText"));
    findText->setPlaceholderText(QStringLiteral("Szukaj"));
    findText->setClearButtonEnabled(true);
    findText->setMaximumWidth(200);
    bar->addWidget(findText);
    actFindNext = action("actFindNext", QStringLiteral("Znajdź następny"), QStyle::SP_CustomBase,
                         QKeySequence::FindNext, &TReportPreview::findNext);
    findInfo = new QLabel(bar);
    findInfo->setObjectName(QStringLiteral("findInfo"));
    findInfo->setIndent(6);
    bar->addWidget(findInfo);
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    pageInfo = new QLabel(bar);
    pageInfo->setObjectName(QStringLiteral("pageInfo"));
    pageInfo->setIndent(6);
    bar->addWidget(pageInfo);
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

    connect(findText, &QLineEdit::textChanged, this, &TReportPreview::findTextChanged);
    connect(findText, &QLineEdit::returnPressed, this, &TReportPreview::findNext);
    connect(scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TReportPreview::showPosition);

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

void TReportPreview::showPosition()
{
    const double middle =
        scrollArea->verticalScrollBar()->value() + scrollArea->viewport()->height() / 2.0;
    pageInfo->setText(QStringLiteral("Strona %1 z %2")
                          .arg(pageView->pageAt(middle) + 1)
                          .arg(m_document.pages.size()));
}

void TReportPreview::findTextChanged()
{
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

void TReportPreview::findNext()
{
    if (m_matches.isEmpty())
        return;
    m_current = (m_current + 1) % int(m_matches.size());
    pageView->setMatches(m_matches, m_current);
    findInfo->setText(QStringLiteral("%1 z %2").arg(m_current + 1).arg(m_matches.size()));
    const ReportMatch& m = m_matches[m_current];
    const ReportTextItem& item = m_document.pages[m.page].texts[m.item];
    const double k = pageView->pxPerMm();
    const QRectF at = QRectF(item.rect.topLeft() * k, item.rect.size() * k)
                          .translated(pageView->pageRect(m.page).topLeft());
    scrollArea->ensureVisible(int(at.center().x()), int(at.center().y()), int(at.width() / 2) + 20,
                              int(at.height() / 2) + 40);
}

bool TReportPreview::saveAsPdf(const QString& path)
{
    if (WriteReportPdf(m_document, path))
        return true;
    ShowInfoMessage(QStringLiteral("Błąd"), QStringLiteral("Nie można zapisać pliku ") + path);
    return false;
}

void TReportPreview::savePdf()
{
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Zapisz raport jako PDF"),
        QDir(m_pdfDir).filePath(QStringLiteral("raport.pdf")), QStringLiteral("Pliki PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    m_pdfDir = QFileInfo(path).absolutePath();
    saveAsPdf(path);
}

void TReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpReportPrinter(m_document, printer);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Drukuj"));
    dialog.setMinMax(1, int(m_document.pages.size()));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() == QDialog::Accepted && !PrintReport(m_document, printer))
        ShowInfoMessage(QStringLiteral("Błąd"), QStringLiteral("Nie można wydrukować raportu"));
}
