#include "data/TableFiles.h"

#include "data/uDefinicje.h"

#include <QFileInfo>

QString DataDirectory()
{
    return ProgramPath(QStringLiteral("db"));
}

bool IsDataDirectory(const QString& dir)
{
    const QString data = QFileInfo(DataDirectory()).canonicalFilePath();
    return !data.isEmpty() && QFileInfo(dir).canonicalFilePath() == data;
}
