#pragma once

#include <QAbstractTableModel>
#include <QList>

class Query;

// One column of a grid: the view's field it shows, its title, width and alignment.
struct GridColumn
{
    QString field;
    QString title;
    int width = -1; // -1: the grid's default width
    Qt::Alignment alignment = Qt::AlignLeft;
};

// A grid's model over a view's row cache. It announces only the rows the view has read and asks
// for more as the grid scrolls, so the first screen of a huge view shows without reading it all.
// Texts come through the view's display rules, so the grid shows exactly what exports print.
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

private:
    void resolveFields();
    void catchUp();

    Query* m_view;
    QList<GridColumn> m_columns;
    QList<int> m_fields; // the view's field index per column, -1 when missing
    int m_rows = 0;
    int m_highlighted = -1;
    bool m_inChange = false;
    bool m_fetchFailed = false; // reading the rest failed since the view last ran
};

// The columns of the taxpayer grid and of the register grid, in their order.
QList<GridColumn> KontrahenciColumns();
QList<GridColumn> RejestrColumns();
