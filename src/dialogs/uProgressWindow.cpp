#include "dialogs/uProgressWindow.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

int showDelay = 1000;          // milliseconds
constexpr int kPumpEvery = 40; // milliseconds between repaints, so the work keeps nearly all

} // namespace

void TProgressWindow::setShowDelay(int milliseconds)
{
    showDelay = milliseconds;
}

TProgressWindow::TProgressWindow(QWidget* parent, const QString& title)
    : m_parent(parent), m_title(title)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_clock.start();
}

TProgressWindow::~TProgressWindow()
{
    delete m_window;
    QApplication::restoreOverrideCursor();
}

void TProgressWindow::start(const QString& caption, qint64 total)
{
    m_caption = caption;
    m_total = total;
    m_done = 0;
    showState();
}

void TProgressWindow::cancel()
{
    m_cancelled = true;
    if (m_label)
        m_label->setText(QStringLiteral("Przerywanie…"));
}

bool TProgressWindow::step(qint64 done)
{
    m_done = done;
    const qint64 now = m_clock.elapsed();
    if (m_cancelled || now - m_lastPump < kPumpEvery)
        return !m_cancelled;
    m_lastPump = now;
    if (!m_window && now >= showDelay)
        showWindow();
    showState();
    // Until the window shows, clicks and keys wait: nothing else may run under the work.
    QApplication::processEvents(m_window ? QEventLoop::AllEvents
                                         : QEventLoop::ExcludeUserInputEvents);
    return !m_cancelled;
}

void TProgressWindow::showWindow()
{
    auto* window =
        new QDialog(m_parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    window->setObjectName(QStringLiteral("TProgressWindow"));
    window->setWindowTitle(m_title);
    window->setWindowModality(Qt::ApplicationModal);
    m_label = new QLabel(window);
    m_label->setObjectName(QStringLiteral("caption"));
    m_label->setMinimumWidth(360);
    m_bar = new QProgressBar(window);
    m_bar->setObjectName(QStringLiteral("bar"));
    auto* cancelButton = new QPushButton(QStringLiteral("Anuluj"), window);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(cancelButton, 0, Qt::AlignHCenter);
    QObject::connect(cancelButton, &QPushButton::clicked, window, [this] { cancel(); });
    // Escape and the window's close button stop the work too; the window stays until it ends.
    QObject::connect(window, &QDialog::rejected, window, [this] {
        cancel();
        m_window->show();
    });
    m_window = window;
    // The button is clicked with the ordinary pointer.
    QApplication::changeOverrideCursor(Qt::BusyCursor);
    window->show();
}

void TProgressWindow::showState()
{
    if (!m_window || m_cancelled)
        return;
    m_label->setText(m_total > 0 || m_done <= 0
                         ? m_caption
                         : QStringLiteral("%1 (%2)").arg(m_caption).arg(m_done));
    if (m_total > 0) {
        m_bar->setRange(0, 1000);
        m_bar->setValue(int(std::min<qint64>(1000, m_done * 1000 / m_total)));
    } else {
        m_bar->setRange(0, 0);
    }
}

TWaitCursor::TWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TWaitCursor::~TWaitCursor()
{
    QApplication::restoreOverrideCursor();
}
