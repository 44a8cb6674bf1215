#pragma once

#include <QAbstractTableModel>
#include <QList>

class EDBEngineError;
class Query;

// One column of a grid: the view's field it shows, its title, width and alignment.
struct GridColumn
{
    QString field;
    QString title;
    int width = -1; // -1: the grid's default width
    Qt::Alignment alignment = Qt::AlignLeft;
};

// A grid's model over a view. A view opens with its first screen; the model counts the rest
// once that screen is shown (or as soon as the grid wants a row past it), and each row painted
// is read through the view's window. Texts come through the view's display rules, so the grid
// shows exactly what exports print.
class ViewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    ViewModel(Query* view, QList<GridColumn> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    const QList<GridColumn>& columns() const { return m_columns; }
    Query* view() const { return m_view; }

    // The title drawn in its own colour marks the column the rows are sorted by; -1 for none.
    void setHighlightedColumn(int column);
    int highlightedColumn() const { return m_highlighted; }

    // Takes over the view's row count now (it is otherwise taken after the event in which it
    // changed, never in the middle of a paint).
    void catchUp();
    // The view's count, taken after the screen in front of the user has been painted: a row
    // found far down shows at once, its scrollbar a moment later. Until then fetchMore waits.
    void countAfterPaint();
    // The user wants the end now: a count waiting for the paint is taken when asked.
    void countWhenAsked() { m_countDeferred = false; }

private:
    void resolveFields();
    void reportOnce(const EDBEngineError& error) const;

    Query* m_view;
    QList<GridColumn> m_columns;
    QList<int> m_fields; // the view's field index per column, -1 when missing
    int m_rows = 0;
    int m_highlighted = -1;
    bool m_inChange = false;
    mutable bool m_fetchFailed = false; // a read failed since the view last ran
    bool m_countDeferred = false;
};

// The columns of the taxpayer grid and of the register grid, in their order.
QList<GridColumn> KontrahenciColumns();
QList<GridColumn> RejestrColumns();
