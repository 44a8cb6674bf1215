#include "data/ViewModel.h"

#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/Query.h"

#include <QColor>
#include <QFont>
#include <QTimer>

ViewModel::ViewModel(Query* view, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_view(view), m_columns(std::move(columns))
{
    connect(m_view, &Query::resultAboutToReset, this, [this] {
        beginResetModel();
        m_inChange = true;
    });
    connect(m_view, &Query::resultReset, this, [this] {
        m_rows = m_view->isOpen() ? m_view->rowCount() : 0;
        m_fetchFailed = false;
        resolveFields();
        endResetModel();
        m_inChange = false;
        // The scrollbar's full range, once the first screen has been painted.
        if (canFetchMore({}))
            QTimer::singleShot(0, this, [this] {
                if (canFetchMore({}))
                    fetchMore({});
            });
    });
    // The count may change while the grid paints (a read finds rows another copy added):
    // the grid hears of it after painting.
    connect(m_view, &Query::rowCountChanged, this, &ViewModel::catchUp, Qt::QueuedConnection);
    m_rows = m_view->isOpen() ? m_view->rowCount() : 0;
    resolveFields();
}

void ViewModel::catchUp()
{
    if (m_inChange)
        return;
    m_inChange = true;
    const int rows = m_view->isOpen() ? m_view->rowCount() : 0;
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    m_inChange = false;
}

void ViewModel::reportOnce(const EDBEngineError& error) const
{
    if (m_fetchFailed)
        return;
    // The grid asks again on every paint: one report until the view is run again, once the
    // event loop is free (a message box inside a paint would paint again).
    m_fetchFailed = true;
    QTimer::singleShot(0, [error] { ShowDBError(error, 0); });
}

void ViewModel::resolveFields()
{
    m_fields.clear();
    for (const GridColumn& c : std::as_const(m_columns))
        m_fields << m_view->fieldIndex(c.field);
}

int ViewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ViewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ViewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns.size())
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        const int f = m_fields[index.column()];
        if (f < 0 || m_fetchFailed)
            return QString();
        try {
            return m_view->fetchRow(index.row()) ? m_view->textAt(index.row(), f) : QString();
        } catch (const EDBEngineError& e) {
            reportOnce(e);
            return QString();
        }
    }
    case Qt::TextAlignmentRole:
        // As a plain int: the views turn it back cheaply, a QFlags needs a metatype conversion
        // for every painted cell.
        return int(m_columns[index.column()].alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        // The row indicator column carries no numbers.
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    }
    if (section < 0 || section >= m_columns.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_columns[section].title;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case Qt::FontRole: {
        QFont f;
        f.setBold(true);
        return f;
    }
    case Qt::ForegroundRole:
        // Dark on the light header, so the sorted column's title stays readable.
        return section == m_highlighted ? QColor(0, 0, 160) : QColor(Qt::black);
    default:
        return {};
    }
}

bool ViewModel::canFetchMore(const QModelIndex& parent) const
{
    // Also while a count taken through another model of the same view is still to come here.
    return !parent.isValid() && !m_fetchFailed && m_view->isOpen() &&
           (!m_view->rowCountKnown() || m_view->rowCount() != m_rows);
}

void ViewModel::countAfterPaint()
{
    if (m_countDeferred || !canFetchMore({}))
        return;
    m_countDeferred = true;
    QTimer::singleShot(0, this, [this] {
        m_countDeferred = false;
        if (canFetchMore({}))
            fetchMore({});
    });
}

void ViewModel::fetchMore(const QModelIndex& parent)
{
    // A count waiting for the paint is not taken earlier by the grid scrolling there.
    if (parent.isValid() || m_countDeferred)
        return;
    try {
        m_view->countRows();
    } catch (const EDBEngineError& e) {
        reportOnce(e);
    }
    catchUp();
}

void ViewModel::setHighlightedColumn(int column)
{
    m_highlighted = column;
    if (!m_columns.isEmpty())
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
}

QList<GridColumn> KontrahenciColumns()
{
    const Qt::Alignment left = Qt::AlignLeft;
    return {
        {QStringLiteral("ID"), QStringLiteral("id"), 42, Qt::AlignRight},
        {QStringLiteral("SKROT"), QStringLiteral("skrót"), 119, left},
        {QStringLiteral("NAZWA"), QStringLiteral("nazwa"), 94, left},
        {QStringLiteral("NIP"), QStringLiteral("NIP"), 98, left},
        {QStringLiteral("ADRES"), QStringLiteral("adres"), 186, left},
        {QStringLiteral("KODPOCZT"), QStringLiteral("kod pocztowy"), 87, left},
        {QStringLiteral("MIEJSCOWOSC"), QStringLiteral("miejscowość"), 133, left},
        {QStringLiteral("TELEFONY"), QStringLiteral("telefony"), 177, left},
        {QStringLiteral("UWAGI"), QStringLiteral("uwagi"), 273, left},
    };
}

QList<GridColumn> RejestrColumns()
{
    const Qt::Alignment left = Qt::AlignLeft;
    const Qt::Alignment centre = Qt::AlignHCenter;
    const Qt::Alignment right = Qt::AlignRight;
    return {
        {QStringLiteral("ID"), QStringLiteral("id"), 42, right},
        {QStringLiteral("DATAWPISU"), QStringLiteral("data wpisu"), 70, centre},
        {QStringLiteral("DATADOK"), QStringLiteral("data dok."), -1, centre},
        {QStringLiteral("NRDOK"), QStringLiteral("nr dokumentu"), 95, left},
        {QStringLiteral("IMIE"), QStringLiteral("imię"), 70, left},
        {QStringLiteral("NAZWISKO"), QStringLiteral("nazwisko"), 94, left},
        {QStringLiteral("NIP"), QStringLiteral("NIP"), 98, left},
        {QStringLiteral("ADRES"), QStringLiteral("adres"), 186, left},
        {QStringLiteral("KODPOCZT"), QStringLiteral("kod pocztowy"), 87, left},
        {QStringLiteral("MIEJSCOWOSC"), QStringLiteral("miejscowość"), 133, left},
        {QStringLiteral("NALEZNOSC"), QStringLiteral("należność"), -1, right},
        {QStringLiteral("STAWKA"), QStringLiteral("stawka"), -1, right},
        {QStringLiteral("WARTOSC"), QStringLiteral("wartość"), -1, right},
        {QStringLiteral("DATAZAPLATY"), QStringLiteral("data zapłaty"), 80, centre},
        {QStringLiteral("UWAGI"), QStringLiteral("uwagi"), 273, left},
    };
}
