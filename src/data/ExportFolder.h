#pragma once

#include <QString>

// The one folder the CSV and PDF save dialogs open in: the user's documents folder until a file
// has been saved, then the folder of the last file saved, for the rest of the run.
QString ExportFolder();
void RememberExportFolder(const QString& savedFile);
