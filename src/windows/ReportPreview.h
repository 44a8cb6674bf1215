#pragma once

#include "report/ReportDocument.h"

#include <QDialog>
#include <QTimer>

class QAction;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;
class ReportPageView;

// The modal preview of a prepared report, under the report's title: zoom in and out, whole page,
// page width, paging (buttons, a page box, Home/End, PageUp/PageDown), print, find (every match
// marked, the next one scrolled into view), save as PDF and exit. It opens at page width.
class TReportPreview : public QDialog
{
    Q_OBJECT
public:
    explicit TReportPreview(const ReportDocument& document, QWidget* parent = nullptr);

    QAction* actZoomIn = nullptr;
    QAction* actZoomOut = nullptr;
    QAction* actWholePage = nullptr;
    QAction* actPageWidth = nullptr;
    QAction* actPrint = nullptr;
    QAction* actSavePdf = nullptr;
    QAction* actFindNext = nullptr;
    QAction* actClose = nullptr;
    QAction* actFirstPage = nullptr;
    QAction* actPreviousPage = nullptr;
    QAction* actNextPage = nullptr;
    QAction* actLastPage = nullptr;
    QSpinBox* pageBox = nullptr; // the page in view, typed to go there
    QLineEdit* findText = nullptr;
    QLabel* findInfo = nullptr;
    QLabel* pageInfo = nullptr;
    QLabel* zoomInfo = nullptr;
    QScrollArea* scrollArea = nullptr;
    ReportPageView* pageView = nullptr;

    double zoom() const;
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    void wholePage();
    void pageWidth();

    // The page at the middle of the view (from 0), and the move to the top of a page.
    int currentPage() const;
    void goToPage(int page);

    // Marks every match of the text, and moves to the next one from the current match.
    void findNext();
    // The matches of the text in the search box (searched now if typing has not paused yet).
    const QList<ReportMatch>& matches();
    int currentMatch() const { return m_current; }

    // Asks for a file name (the program's texts, Polish) and writes the PDF there.
    void savePdf();
    bool saveAsPdf(const QString& path);
    void print();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Fit
    {
        None,
        WholePage,
        PageWidth
    };
    void applyFit();
    void findTextChanged();
    void runPendingFind();
    void find();
    void showPosition();

    const ReportDocument& m_document;
    Fit m_fit = Fit::PageWidth;
    QList<ReportMatch> m_matches;
    QTimer m_findTimer;
    int m_current = -1;
};
