// The CSV export of the grid shown on the main window.
#include "app/uDBGrid.h"
#include "app/uMain.h"
#include "data/ExportFolder.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/Query.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uProgressWindow.h"
#include "output/uVtExportToCSV.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTabWidget>

bool TfMain::ExportActiveGrid(const QString& fileName, QString* error)
{
    TDBGrid* grid = onRegisterTab() ? RejestrGrid : kontrahenciGrid;
    try {
        TProgressWindow progress(this, QStringLiteral("Eksport danych"));
        const bool written = TVtExportToCSV::ExportView(*grid->view(), grid->viewModel()->columns(),
                                                        fileName, error, &progress);
        m_exportCancelled = progress.cancelled();
        return written;
    } catch (const EDBEngineError& e) {
        ShowDBError(e, 0);
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
    dialog.setNameFilters(
        {QStringLiteral("Arkusz .CSV (*.csv)"), QStringLiteral("Wszystkie pliki (*.*)")});
    dialog.setDirectory(ExportFolder());
    dialog.selectFile(Zakladki->tabText(Zakladki->currentIndex()) + QStringLiteral(".csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        focusActiveGrid();
        return;
    }
    const QString fileName = dialog.selectedFiles().constFirst();
    RememberExportFolder(fileName);
    const bool existed = QFileInfo::exists(fileName);
    QString error;
    if (ExportActiveGrid(fileName, &error)) {
        ShowInfo(QStringLiteral("Informacja"), QStringLiteral("Eksport zakończony poprawnie"));
    } else if (m_exportCancelled) {
        ShowInfo(QStringLiteral("Informacja"),
                 QStringLiteral("Eksport przerwano.") +
                     (existed ? QStringLiteral(" Wcześniejszy plik pozostał bez zmian.")
                              : QStringLiteral(" Plik nie został utworzony.")));
    } else {
        const QString why = error.isEmpty()
                                ? QString()
                                : QStringLiteral(" Nie udało się zapisać pliku %1 (%2).")
                                      .arg(QDir::toNativeSeparators(fileName), error);
        ShowInfo(QStringLiteral("Informacja"),
                 QStringLiteral("Nie udało się wyeksportować danych.") + why +
                     (existed ? QStringLiteral(" Wcześniejszy plik pozostał bez zmian.")
                              : QStringLiteral(" Plik nie został utworzony.")));
    }
    focusActiveGrid();
}
