#include "app/uDBGrid.h"

#include "dbengine/Query.h"
#include "dialogs/uProgressWindow.h"
#include "dialogs/uWindowLook.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>

#include <algorithm>

namespace {

// Title and row-indicator cells drawn flat. The toolkit's own style paints each through a cached
// picture whose key is new at every paint, so scrolling through a long view filled the picture
// cache (megabytes) and the table of its keys kept growing, stalling a step now and then.
class FlatHeaderStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element != CE_HeaderSection) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const QRect r = option->rect;
        const bool pressed = option->state & State_Sunken;
        painter->fillRect(r, pressed ? option->palette.mid() : option->palette.button());
        painter->setPen(option->palette.color(QPalette::Mid));
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
    }
};

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
    pal.setColor(QPalette::Button, kWindowBackground);
    pal.setColor(QPalette::Window, kWindowBackground);
    // The current row stays visible when the grid loses the focus.
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    auto* headerStyle = new FlatHeaderStyle;
    headerStyle->setParent(this);
    QHeaderView* h = horizontalHeader();
    h->setStyle(headerStyle);
    h->setSectionsClickable(true);
    h->setHighlightSections(false);
    h->setSectionResizeMode(QHeaderView::Interactive);
    h->setDefaultAlignment(Qt::AlignCenter);
    // Only drawn: the data module sorts, the grid never reorders rows itself.
    h->setSortIndicatorShown(true);
    h->setSortIndicator(-1, Qt::AscendingOrder);
    h->setPalette(pal);
    QHeaderView* v = verticalHeader();
    v->setStyle(headerStyle);
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
    // "Bottom" from the scrollbar's menu.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderToMaximum)
            goToTrueEnd();
    });
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

void TDBGrid::showSortOrder(const QString& field, bool ascending)
{
    const auto& cols = m_model->columns();
    int section = -1;
    for (int i = 0; i < cols.size(); ++i) {
        if (cols[i].field == field)
            section = i;
    }
    m_model->setHighlightedColumn(section);
    horizontalHeader()->setSortIndicator(section,
                                         ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT editRequested();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex TDBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    // Until the view is counted the model holds its first screen only, and Qt moves within it:
    // a move that would stop at its last row counts the view first. Plain End moves across.
    const QModelIndex current = currentIndex();
    const int lastRead = m_model->rowCount() - 1;
    bool beyond = false;
    switch (action) {
    case MoveEnd:
        beyond = modifiers.testFlag(Qt::ControlModifier);
        break;
    case MoveDown:
        beyond = current.row() >= lastRead;
        break;
    case MovePageDown:
        beyond = rowAt(visualRect(current).bottom() + viewport()->height()) < 0;
        break;
    default:
        break;
    }
    if (beyond) {
        // Reading the rest of a large view takes a moment.
        TWaitCursor wait;
        if (fetchRest())
            executeDelayedItemsLayout(); // the scroll range must cover the new rows before scrollTo
    }
    // Ctrl+Home and Ctrl+End go to the first and last record, staying in the column in view;
    // the toolkit would also jump to the first or last column and scroll the grid sideways.
    const bool recordEnds = (action == MoveHome || action == MoveEnd) &&
                            modifiers.testFlag(Qt::ControlModifier) && current.isValid();
    if (recordEnds && m_model->rowCount() > 0)
        return m_model->index(action == MoveHome ? 0 : m_model->rowCount() - 1, current.column());
    return QTableView::moveCursor(action, modifiers);
}

void TDBGrid::verticalScrollbarValueChanged(int value)
{
    // A drag reaching the bottom means the last record.
    if (verticalScrollBar()->isSliderDown() && value == verticalScrollBar()->maximum())
        goToTrueEnd();
    QTableView::verticalScrollbarValueChanged(verticalScrollBar()->value());
}

bool TDBGrid::fetchRest()
{
    const int before = m_model->rowCount();
    m_model->countWhenAsked();
    // A failed count stops canFetchMore (reported once by the model); a count that adds
    // nothing stops the loop all the same.
    while (m_model->canFetchMore({})) {
        const int rows = m_model->rowCount();
        m_model->fetchMore({});
        if (m_model->rowCount() == rows)
            break;
    }
    return m_model->rowCount() > before;
}

void TDBGrid::goToTrueEnd()
{
    // The bottom of the scrollbar is the last record, as in a database grid whose scrollbar
    // walks the records: an uncounted view is counted first, and the last row becomes current.
    if (m_model->canFetchMore({}))
        fetchRest();
    if (m_model->rowCount() == 0)
        return;
    executeDelayedItemsLayout();
    const int left = horizontalScrollBar()->value();
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const QModelIndex last = m_model->index(m_model->rowCount() - 1, column);
    if (currentIndex() != last)
        selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
    scrollTo(last);
    horizontalScrollBar()->setValue(left);
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
    m_model->catchUp(); // a locate may have moved past the rows the model has announced
    // Scrolling to a row found far down would otherwise count the view before painting it.
    m_model->countAfterPaint();
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
