#pragma once

#include <QDialog>

#include <array>

class ParadoxImport;
class QComboBox;
class QLabel;
class QTableWidget;

// The tables of an import as they will be stored, before anything is replaced: the first rows
// of each, the code page its texts are read in (another may be chosen, and the rows follow),
// and the entries whose repeated numbers were changed. Enter imports, Escape gives up.
class TfImportPreview : public QDialog
{
    Q_OBJECT

public:
    explicit TfImportPreview(ParadoxImport& import, QWidget* parent = nullptr);

    // Rows shown of each table.
    static constexpr int kPreviewRows = 20;

private:
    void fill(size_t t);
    void codePageChosen(size_t t);

    ParadoxImport& m_import;
    std::array<QComboBox*, 2> m_pages{};
    std::array<QTableWidget*, 2> m_rows{};
    std::array<QLabel*, 2> m_counts{};
    QLabel* m_renumbered = nullptr;
};
