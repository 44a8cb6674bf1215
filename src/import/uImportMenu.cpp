#include "import/uImportMenu.h"

#include "data/uDM.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uQuestionForm.h"
#include "import/uImportParadox.h"
#include "import/uImportPreview.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

bool ImportDanychZTabelParadox(QWidget* parent)
{
    const QString dir = QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Wskaż katalog z tabelami Paradox"), QDir::currentPath());
    if (dir.isEmpty())
        return false;
    // The tables are read and swapped under a wait cursor; the windows asking show the usual one.
    bool waiting = false;
    const auto wait = [&waiting](bool on) {
        if (on != waiting)
            on ? QApplication::setOverrideCursor(Qt::WaitCursor)
               : QApplication::restoreOverrideCursor();
        waiting = on;
    };
    const bool replaced = RunParadoxImport(
        myDataBase, dir,
        [&wait](const QString& t, const QString& m) {
            const bool yes = Ask(t, m);
            wait(yes);
            return yes;
        },
        [&wait](const QString& t, const QString& m) {
            wait(false);
            ShowInfo(t, m);
        },
        [&wait, parent](ParadoxImport& import) {
            wait(false);
            TfImportPreview preview(import, parent);
            const bool accepted = preview.exec() == QDialog::Accepted;
            wait(accepted);
            return accepted;
        });
    wait(false);
    return replaced;
}
