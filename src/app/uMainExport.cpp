// The CSV export of the grid shown on the main window.
#include "app/uDBGrid.h"
#include "app/uMain.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/Query.h"
#include "dialogs/uInfoForm.h"
#include "output/uVtExportToCSV.h"

#include <QFileDialog>
#include <QTabWidget>

namespace {

// Stops the grid from following while the export reads the view, and lets it catch up after.
struct SuspendedView
{
    Query& view;
    explicit SuspendedView(Query& v) : view(v) { view.disableControls(); }
    ~SuspendedView() { view.enableControls(); }
};

} // namespace

bool TfMain::ExportActiveGrid(const QString& fileName)
{
    TDBGrid* grid = onRegisterTab() ? RejestrGrid : kontrahenciGrid;
    Query& view = *grid->view();
    const QList<GridColumn>& columns = grid->viewModel()->columns();
    QList<int> fields;
    for (const GridColumn& c : columns)
        fields << view.fieldIndex(c.field);

    SuspendedView suspended(view);
    bool titles = true;
    int row = 0;
    try {
        return TVtExportToCSV::WriteFile(fileName, [&](QStringList& cells) {
            cells.resize(columns.size());
            if (titles) {
                titles = false;
                for (qsizetype c = 0; c < columns.size(); ++c)
                    cells[c] = columns[c].title;
                return true;
            }
            if (!view.isOpen())
                return false;
            // Rows are read from the view's cache by number: the cursor never moves.
            while (row >= view.fetchedCount() && !view.allFetched())
                view.fetchMore(4096);
            if (row >= view.fetchedCount())
                return false;
            for (qsizetype c = 0; c < columns.size(); ++c)
                cells[c] = fields[c] < 0 ? QString() : view.textAt(row, fields[c]);
            ++row;
            return true;
        });
    } catch (const EDBEngineError& e) {
        ShowDBError(e.message(), 0);
        return false;
    }
}

void TfMain::SBcsvClick()
{
    QFileDialog dialog(this, QStringLiteral("Eksportuj dane do arkusza .CSV"));
    dialog.setObjectName(QStringLiteral("CSVFileName"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilters({QStringLiteral("Arkusz .CSV (*.csv)"),
                           QStringLiteral("Wszystkie pliki (*.*)")});
    dialog.selectFile(Zakladki->tabText(Zakladki->currentIndex()) + QStringLiteral(".csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        focusActiveGrid();
        return;
    }
    if (ExportActiveGrid(dialog.selectedFiles().constFirst()))
        ShowInfo(QStringLiteral("Informacja"), QStringLiteral("Eksport zakończony poprawnie"));
    else
        ShowInfo(QStringLiteral("Informacja"), QStringLiteral("Nie udało się wyeksportować danych"));
    focusActiveGrid();
}
