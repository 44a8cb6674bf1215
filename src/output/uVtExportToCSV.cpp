#include "output/uVtExportToCSV.h"

#include "data/Cp1250.h"
#include "data/SafeFile.h"
#include "data/ViewModel.h"
#include "dbengine/Query.h"

namespace {

// Lines are collected and handed to the device in blocks of about this size.
constexpr qsizetype kFlushBytes = 1 << 16;

void appendCell(QByteArray& line, const QString& cell)
{
    line += '"';
    const qsizetype start = line.size();
    AppendCp1250(line, cell);
    // An inner quote is doubled, so every reader gets the cell back intact.
    if (line.indexOf('"', start) >= 0) {
        QByteArray doubled = line.mid(start);
        line.truncate(start);
        line += doubled.replace("\"", "\"\"");
    }
    line += '"';
}

} // namespace

TVtExportToCSV::TVtExportToCSV(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("VtExportToCSV"));
}

bool TVtExportToCSV::WriteRows(QIODevice& out,
                               const std::function<bool(QStringList& cells)>& nextRow)
{
    QByteArray block;
    block.reserve(kFlushBytes + 4096);
    QStringList cells;
    while (nextRow(cells)) {
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c > 0)
                block += ';';
            appendCell(block, cells[c]);
        }
        block += "\r\n";
        if (block.size() >= kFlushBytes) {
            if (out.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return block.isEmpty() || out.write(block) == block.size();
}

bool TVtExportToCSV::WriteFile(const QString& fileName,
                               const std::function<bool(QStringList& cells)>& nextRow,
                               QString* error, Progress* progress)
{
    SafeFile file(fileName);
    const bool rows = file.open(QIODevice::WriteOnly) && WriteRows(file, nextRow);
    if (progress && progress->cancelled()) {
        file.cancelWriting();
        if (error)
            error->clear();
        return false;
    }
    const bool written = rows && file.commit();
    if (!written && error)
        *error = file.errorText();
    return written;
}

bool TVtExportToCSV::ExportGrid(const QList<QStringList>& table, const QString& fileName,
                                QString* error)
{
    qsizetype row = 0;
    return WriteFile(
        fileName,
        [&](QStringList& cells) {
            if (row >= table.size())
                return false;
            cells = table[row++];
            return true;
        },
        error);
}

namespace {

// The view's statement for the export, finished on every way out.
struct Stream
{
    Query& view;
    explicit Stream(Query& v) : view(v) { view.beginStream(); }
    ~Stream() { view.endStream(); }
};

} // namespace

bool TVtExportToCSV::ExportView(Query& view, const QList<GridColumn>& columns,
                                const QString& fileName, QString* error, Progress* progress)
{
    QList<int> fields;
    for (const GridColumn& c : columns)
        fields << view.fieldIndex(c.field);
    // The rows to go, for the progress: one count, far cheaper than the rows themselves.
    ProgressStart(progress, QStringLiteral("Eksport danych do pliku CSV"), view.countRows());
    // Rows go from the view's own statement straight to the file; the grid's window and
    // cursor stay as they are. A read error leaves the earlier file untouched (the new one is
    // only renamed over it when complete).
    Stream stream(view);
    qint64 written = 0;
    bool titles = true;
    return WriteFile(
        fileName,
        [&](QStringList& cells) {
            cells.resize(columns.size());
            if (titles) {
                titles = false;
                for (qsizetype c = 0; c < columns.size(); ++c)
                    cells[c] = columns[c].title;
                return true;
            }
            if (!ProgressStep(progress, written++) || !view.streamNext())
                return false;
            const int row = view.streamRow();
            for (qsizetype c = 0; c < columns.size(); ++c)
                cells[c] = fields[c] < 0 ? QString() : view.textAt(row, fields[c]);
            return true;
        },
        error, progress);
}
