#pragma once

#include "data/ViewModel.h"

#include <QTableView>

class Query;

// A read-only grid over a view: whole rows selected, bold centred titles, the view's cursor and
// the grid's current row kept the same in both directions. Enter and a double click ask for the
// edit command; a click on a title asks for sorting by that column's field.
class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    TDBGrid(Query* view, const QList<GridColumn>& columns, QWidget* parent = nullptr);

    ViewModel* viewModel() const { return m_model; }
    Query* view() const { return m_view; }

    // Marks the column the rows are sorted by (by field name): its title stands out and its
    // header shows the arrow of the direction.
    void showSortOrder(const QString& field, bool ascending);

Q_SIGNALS:
    void editRequested();
    void titleClicked(const QString& field);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void verticalScrollbarValueChanged(int value) override;

private:
    void followCursor(int row);
    bool fetchRest();
    void goToTrueEnd();
    void applyWidths();

    Query* m_view;
    ViewModel* m_model;
    bool m_syncing = false;
    int m_leftBeforeReset = 0;   // horizontal scroll position kept across a re-run
    int m_columnBeforeReset = 0; // the current column, likewise
};
