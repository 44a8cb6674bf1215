#include "output/uVtExportToCSV.h"

#include "data/Cp1250.h"

#include <QFile>

namespace {

// Lines are collected and handed to the device in blocks of about this size.
constexpr qsizetype kFlushBytes = 1 << 16;

void appendCell(QByteArray& line, const QString& cell)
{
    line += '"';
    const QByteArray bytes = ToCp1250(cell);
    if (bytes.contains('"')) {
        QByteArray doubled = bytes;
        doubled.replace("\"", "\"\"");
        line += doubled;
    } else {
        line += bytes;
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
                               const std::function<bool(QStringList& cells)>& nextRow)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = WriteRows(file, nextRow);
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

bool TVtExportToCSV::ExportGrid(const QList<QStringList>& table, const QString& fileName)
{
    qsizetype row = 0;
    return WriteFile(fileName, [&](QStringList& cells) {
        if (row >= table.size())
            return false;
        cells = table[row++];
        return true;
    });
}
