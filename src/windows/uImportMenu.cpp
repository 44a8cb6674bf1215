#include "windows/uImportMenu.h"

#include "data/uDM.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uProgressWindow.h"
#include "dialogs/uQuestionForm.h"
#include "import/uImportParadox.h"
#include "windows/uImportPreview.h"

#include <QDir>
#include <QFileDialog>

bool ImportDanychZTabelParadox(QWidget* parent)
{
    const QString dir = QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Wskaż katalog z tabelami Paradox"), QDir::currentPath());
    if (dir.isEmpty())
        return false;
    return RunParadoxImport(
        myDataBase, dir, [](const QString& t, const QString& m) { return Ask(t, m); },
        [](const QString& t, const QString& m) { ShowInfo(t, m); },
        [parent](ParadoxImport& import) {
            TfImportPreview preview(import, parent);
            return preview.exec() == QDialog::Accepted;
        },
        [parent] {
            return std::make_unique<TProgressWindow>(
                parent, QStringLiteral("Import danych z tabel Paradox"));
        });
}
