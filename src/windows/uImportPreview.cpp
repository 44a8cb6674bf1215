#include "windows/uImportPreview.h"

#include "dialogs/uInfoForm.h"
#include "dialogs/uProgressWindow.h"
#include "dialogs/uWindowLook.h"
#include "import/CodePages.h"
#include "import/uImportParadox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TfImportPreview::TfImportPreview(ParadoxImport& import, QWidget* parent)
    : QDialog(parent), m_import(import)
{
    setObjectName(QStringLiteral("fImportPreview"));
    setWindowTitle(QStringLiteral("Import danych z tabel Paradox"));
    ApplyWindowLook(this);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        QStringLiteral("Tak zostaną zapisane pierwsze wiersze obu tabel. Jeśli polskie litery "
                       "wyglądają źle, wybierz inną stronę kodową. Enter – importuj, Esc – "
                       "zrezygnuj."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    const QString captions[] = {QStringLiteral("Podatnicy"), QStringLiteral("Rejestr")};
    for (size_t t = 0; t < ParadoxImport::tableCount(); ++t) {
        const ParadoxImport::Table& table = m_import.table(t);
        auto* box = new QGroupBox(
            QStringLiteral("%1 – %2").arg(captions[t], QDir::toNativeSeparators(table.source)),
            this);
        auto* boxLayout = new QVBoxLayout(box);
        auto* line = new QHBoxLayout;
        auto* label = new QLabel(QStringLiteral("&Strona kodowa:"), box);
        m_pages[t] = new QComboBox(box);
        m_pages[t]->setObjectName(QStringLiteral("CBStronaKodowa%1").arg(t + 1));
        m_pages[t]->setAccessibleName(captions[t] + QStringLiteral(": strona kodowa"));
        label->setBuddy(m_pages[t]);
        const int declared = table.read.declaredPage;
        for (const int page : CodePageChoices(declared)) {
            const bool fromFile = page == (declared == 0 ? 1250 : declared);
            m_pages[t]->addItem(fromFile
                                    ? CodePageName(page) + QStringLiteral(" – zapisana w pliku")
                                    : CodePageName(page),
                                page);
        }
        m_pages[t]->setCurrentIndex(m_pages[t]->findData(table.read.codePage));
        m_counts[t] = new QLabel(box);
        line->addWidget(label);
        line->addWidget(m_pages[t]);
        line->addStretch();
        line->addWidget(m_counts[t]);
        boxLayout->addLayout(line);
        m_rows[t] = new QTableWidget(box);
        m_rows[t]->setObjectName(QStringLiteral("GPodglad%1").arg(t + 1));
        m_rows[t]->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_rows[t]->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        boxLayout->addWidget(m_rows[t]);
        layout->addWidget(box, 1);
        connect(m_pages[t], &QComboBox::activated, this, [this, t] { codePageChosen(t); });
    }
    m_renumbered = new QLabel(this);
    m_renumbered->setObjectName(QStringLiteral("LPrzenumerowane"));
    m_renumbered->setWordWrap(true);
    m_renumbered->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_renumbered);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* go = buttons->addButton(QStringLiteral("&Importuj"), QDialogButtonBox::AcceptRole);
    go->setObjectName(QStringLiteral("BImportuj"));
    go->setDefault(true);
    buttons->addButton(QStringLiteral("&Anuluj"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("BAnuluj"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    for (size_t t = 0; t < ParadoxImport::tableCount(); ++t)
        fill(t);
    resize(980, 640);
    go->setFocus();
}

void TfImportPreview::fill(size_t t)
{
    const TablePreview preview = m_import.preview(t, kPreviewRows);
    QTableWidget* grid = m_rows[t];
    grid->clear();
    grid->setColumnCount(int(preview.columns.size()));
    grid->setHorizontalHeaderLabels(preview.columns);
    grid->setRowCount(int(preview.rows.size()));
    for (int r = 0; r < int(preview.rows.size()); ++r) {
        const QStringList& row = preview.rows[size_t(r)];
        for (int c = 0; c < int(row.size()); ++c)
            grid->setItem(r, c, new QTableWidgetItem(row[c]));
    }
    grid->resizeColumnsToContents();
    m_counts[t]->setText(Counted(m_import.table(t).read.rows, "rekord", "rekordy", "rekordów"));
    m_renumbered->setText(RenumberedText(m_import.table(1).renumbered));
    m_renumbered->setVisible(!m_renumbered->text().isEmpty());
}

void TfImportPreview::codePageChosen(size_t t)
{
    const int page = m_pages[t]->currentData().toInt();
    const int before = m_import.table(t).read.codePage;
    if (page == before)
        return;
    QString why;
    bool ok = false;
    {
        TProgressWindow progress(this, QStringLiteral("Import danych z tabel Paradox"));
        ok = m_import.restage(t, page, &why, &progress);
        if (!ok)
            m_import.restage(t, before);
    }
    if (!ok) {
        ShowInfo(QStringLiteral("Informacja"), why);
        m_pages[t]->setCurrentIndex(m_pages[t]->findData(before));
    }
    fill(t);
}
