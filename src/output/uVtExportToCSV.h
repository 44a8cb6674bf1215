#pragma once

#include "data/Progress.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QIODevice;
class Query;
struct GridColumn;

// Writes a table as a semicolon-separated file for a spreadsheet: every cell in double quotes
// (a quote inside a cell doubled, so every reader gets the cell back intact), cells joined by ";",
// every line ended by CR LF, Windows-1250 bytes without a byte-order mark.
class TVtExportToCSV : public QObject
{
    Q_OBJECT
public:
    explicit TVtExportToCSV(QObject* parent = nullptr);

    // Row 0 holds the titles. Creates or replaces the file as a whole (see SafeFile.h); false,
    // with the reason in *error, on any input/output failure: an earlier file then stays as it was.
    bool ExportGrid(const QList<QStringList>& table, const QString& fileName,
                    QString* error = nullptr);

    // Streams rows to an open device: nextRow fills the cells of the next row and answers false
    // after the last one. False when the device refuses a write.
    static bool WriteRows(QIODevice& out, const std::function<bool(QStringList& cells)>& nextRow);
    // Stopped through progress (its steps are counted by the caller's nextRow): false, no file
    // or the earlier one as it was, and an empty *error.
    static bool WriteFile(const QString& fileName,
                          const std::function<bool(QStringList& cells)>& nextRow,
                          QString* error = nullptr, Progress* progress = nullptr);

    // A grid's columns (titles first) and every row of its view in its order, each cell as the
    // grid shows it, streamed from a statement of the export's own: the view's window and
    // cursor stay where they were. Raises the engine's error if reading fails.
    // Stopped through progress: as WriteFile.
    static bool ExportView(Query& view, const QList<GridColumn>& columns, const QString& fileName,
                           QString* error = nullptr, Progress* progress = nullptr);
};
