#include "editing/uSumy.h"

#include "dialogs/uDialogPictures.h"
#include "dialogs/uWindowLook.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor kHeaderColour(176, 176, 192);

} // namespace

TSumyGrid::TSumyGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SumyGrid"));
    setColCount(1);
    setMinimumHeight(2 * kRowHeight + 1);
}

void TSumyGrid::setColCount(int columns)
{
    for (QStringList& row : m_cells)
        row.resize(columns);
    update();
}

void TSumyGrid::setCell(int column, int row, const QString& text)
{
    if (row < 0 || row > 1 || column < 0 || column >= colCount())
        return;
    m_cells[row][column] = text;
    update();
}

void TSumyGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kWindowBackground);
    const int blank = fontMetrics().horizontalAdvance(u' ');
    for (int c = 0; c < colCount(); ++c) {
        const QRect header(c * kColumnWidth, 0, kColumnWidth, kRowHeight);
        const QRect value(c * kColumnWidth, kRowHeight, kColumnWidth, kRowHeight);
        p.fillRect(header, kHeaderColour);
        p.setPen(Qt::black);
        p.drawText(header, Qt::AlignHCenter | Qt::AlignTop, m_cells[0][c]);
        // Figures stand one blank away from the right border.
        p.drawText(value.adjusted(0, 0, -blank, 0), Qt::AlignRight | Qt::AlignVCenter,
                   m_cells[1][c]);
        p.setPen(QColor(128, 128, 144));
        p.drawRect(header.adjusted(0, 0, -1, -1));
        p.drawRect(value.adjusted(0, 0, -1, -1));
    }
}

TfSumy::TfSumy() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("TfSumy"));
    setWindowTitle(QStringLiteral("Sumy wybranych kolumn dla tabeli"));
    // A window of its own, not a tool window of the main one: the main window may cover it
    // unless "Okno zawsze na wierzchu" is checked. Only a close button on its caption.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    // Left open, it must not keep the program running once the main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    setFixedSize(744, 72);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowBackground);
    setPalette(pal);

    SumyGrid = new TSumyGrid(this);
    cbTop = new QCheckBox(QStringLiteral("Okno zawsze na wierzchu"), this);
    cbTop->setObjectName(QStringLiteral("cbTop"));
    SpeedButton1 = new QPushButton(CancelGlyph(), QString(), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);
    SpeedButton1->setFixedSize(24, 24);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setToolTip(QStringLiteral("Zamknij to okno"));
    SpeedButton1->setStatusTip(SpeedButton1->toolTip());

    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(4, 0, 2, 1);
    strip->addWidget(cbTop);
    strip->addStretch();
    strip->addWidget(SpeedButton1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(SumyGrid, 1);
    layout->addLayout(strip);

    connect(cbTop, &QCheckBox::clicked, this, &TfSumy::cbTopClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &QDialog::close);
}

void TfSumy::SetLayout(const QString& caption, const QStringList& headers)
{
    SumyGrid->setColCount(0);
    SumyGrid->setColCount(int(headers.size()));
    setWindowTitle(caption);
    for (int c = 0; c < headers.size(); ++c)
        SumyGrid->setCell(c, 0, headers[c]);
}

void TfSumy::SetValues(const QStringList& values)
{
    for (int c = 0; c < values.size(); ++c)
        SumyGrid->setCell(c, 1, values[c]);
}

void TfSumy::ShowWindow()
{
    show();
    raise();
    activateWindow();
}

void TfSumy::cbTopClick()
{
    const bool visible = isVisible();
    // Changing the flags hides the window; show it again where it was.
    setWindowFlag(Qt::WindowStaysOnTopHint, cbTop->isChecked());
    if (visible)
        show();
}
