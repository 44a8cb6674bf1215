#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QPushButton;

// The grid of the sums window: one header row and one value row of 120-pixel cells, drawn by
// hand (headers on RGB 176,176,192 centred at the top, values right-aligned one blank from the
// border).
class TSumyGrid : public QWidget
{
    Q_OBJECT
public:
    explicit TSumyGrid(QWidget* parent = nullptr);

    int colCount() const { return int(m_cells[0].size()); }
    void setColCount(int columns);
    QString cell(int column, int row) const { return m_cells[row].value(column); }
    void setCell(int column, int row, const QString& text);

    static constexpr int kColumnWidth = 120;
    static constexpr int kRowHeight = 16;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_cells[2];
};

// The sums window: a snapshot of the count and totals of what the main window's view selects.
// Not modal; it can stay above the main window while the user works there. Filled by the main
// window; it holds no database logic.
class TfSumy : public QDialog
{
    Q_OBJECT
public:
    // Made without a parent window (see the constructor); the creator owns it.
    TfSumy();

    TSumyGrid* SumyGrid = nullptr;
    QCheckBox* cbTop = nullptr;
    QPushButton* SpeedButton1 = nullptr;

    // Caption and headers of a layout, value cells emptied.
    void SetLayout(const QString& caption, const QStringList& headers);
    void SetValues(const QStringList& values);
    // Shows the window, or brings it to the front when it is open.
    void ShowWindow();

    void cbTopClick();
};
