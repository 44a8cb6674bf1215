#include "data/ExportFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString& remembered()
{
    static QString folder;
    return folder;
}

} // namespace

QString ExportFolder()
{
    if (!remembered().isEmpty() && QFileInfo(remembered()).isDir())
        return remembered();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void RememberExportFolder(const QString& savedFile)
{
    remembered() = QFileInfo(savedFile).absolutePath();
}
