#include "app/uDBGrid.h"

#include "dbengine/Query.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

const QColor kWindowColour(192, 192, 208);

} // namespace

TDBGrid::TDBGrid(Query* view, const QList<GridColumn>& columns, QWidget* parent)
    : QTableView(parent), m_view(view), m_model(new ViewModel(view, columns, this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setAlternatingRowColors(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Button, kWindowColour);
    pal.setColor(QPalette::Window, kWindowColour);
    // The current row stays visible when the grid loses the focus.
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    QHeaderView* h = horizontalHeader();
    h->setSectionsClickable(true);
    h->setHighlightSections(false);
    h->setSectionResizeMode(QHeaderView::Interactive);
    h->setDefaultAlignment(Qt::AlignCenter);
    h->setPalette(pal);
    QHeaderView* v = verticalHeader();
    v->setDefaultSectionSize(fontMetrics().height() + 6);
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setFixedWidth(12);
    v->setPalette(pal);
    applyWidths();

    connect(h, &QHeaderView::sectionClicked, this, [this](int section) {
        if (section >= 0 && section < m_model->columns().size())
            Q_EMIT titleClicked(m_model->columns().at(section).field);
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { Q_EMIT editRequested(); });
    connect(m_view, &Query::cursorMoved, this, &TDBGrid::followCursor);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_leftBeforeReset = horizontalScrollBar()->value();
        m_columnBeforeReset = currentIndex().isValid() ? currentIndex().column() : 0;
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        followCursor(m_view->cursor());
        // A re-run (another sort, another filter) leaves the columns where the user scrolled
        // them, so a title clicked at the right stays in sight.
        updateGeometries();
        horizontalScrollBar()->setValue(m_leftBeforeReset);
    });
}

void TDBGrid::applyWidths()
{
    // The widths were measured in an 8-point font whose digits are 6 pixels wide; scale them
    // to the font in use so a date still fits its column.
    const double scale =
        std::max(1.0, fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) / 60.0);
    const auto& cols = m_model->columns();
    for (int i = 0; i < cols.size(); ++i) {
        if (cols[i].width > 0)
            setColumnWidth(i, int(cols[i].width * scale));
    }
}

void TDBGrid::highlightTitle(const QString& field)
{
    const auto& cols = m_model->columns();
    int section = -1;
    for (int i = 0; i < cols.size(); ++i) {
        if (cols[i].field == field)
            section = i;
    }
    m_model->setHighlightedColumn(section);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT editRequested();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid() || current.row() == m_view->cursor())
        return;
    m_syncing = true;
    m_view->setCursor(current.row());
    m_syncing = false;
}

void TDBGrid::followCursor(int row)
{
    if (m_syncing)
        return;
    m_syncing = true;
    if (row >= 0 && row < m_model->rowCount()) {
        const int column = currentIndex().isValid() ? currentIndex().column() : m_columnBeforeReset;
        const QModelIndex target = m_model->index(row, column);
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
        // The data moved the cursor to another row: follow it up or down, not sideways.
        const int left = horizontalScrollBar()->value();
        scrollTo(target);
        horizontalScrollBar()->setValue(left);
    }
    m_syncing = false;
}
