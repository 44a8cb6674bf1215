#include "support/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace {
const int pollIntervalMs = 10;
const int activationGraceMs = 1000;
} // namespace

ModalDriver::ModalDriver(int timeoutMs, QObject* parent) : QObject(parent), m_timeoutMs(timeoutMs)
{
    connect(&m_poll, &QTimer::timeout, this, &ModalDriver::poll);
    m_poll.start(pollIntervalMs);
    m_waiting.start();
}

ModalDriver& ModalDriver::onNextModal(Action action)
{
    if (m_queue.empty())
        m_waiting.restart();
    m_queue.push_back(std::move(action));
    return *this;
}

bool ModalDriver::allRan() const
{
    return m_queue.empty() && !m_timedOut && m_strayWindows == 0;
}

QString ModalDriver::problem() const
{
    QStringList problems;
    if (m_timedOut)
        problems << QStringLiteral(
                        "no modal window within %1 ms: %2 action(s) dropped after %3 ran")
                        .arg(m_timeoutMs)
                        .arg(m_dropped)
                        .arg(m_ran);
    if (!m_queue.empty())
        problems << QStringLiteral("%1 action(s) still waiting").arg(m_queue.size());
    if (m_strayWindows > 0)
        problems << QStringLiteral("%1 unexpected modal window(s) closed").arg(m_strayWindows);
    return problems.join(QStringLiteral("; "));
}

void ModalDriver::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && m_busy.contains(modal))
        modal = nullptr; // its action is running (perhaps waiting); not a new window

    if (!modal) {
        m_seen = nullptr;
        if (!m_queue.empty() && m_waiting.elapsed() > m_timeoutMs) {
            m_timedOut = true;
            m_dropped += int(m_queue.size());
            m_queue.clear();
        }
        return;
    }

    if (m_queue.empty()) {
        ++m_strayWindows;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        return;
    }

    if (QApplication::activeWindow() != modal) {
        if (m_seen != modal) {
            m_seen = modal;
            m_activating.start();
            modal->activateWindow();
        }
        if (m_activating.elapsed() < activationGraceMs)
            return;
    }

    // Taken off the queue first, so that a nested window opened by this action gets the next one.
    // Run from its own zero-time timer: Qt never fires a timer again while its slot is running,
    // so the action must not run inside the polling timer's slot, or nested windows would starve.
    Action action = std::move(m_queue.front());
    m_queue.pop_front();
    m_seen = nullptr;
    m_busy.append(modal);
    m_waiting.restart();
    QTimer::singleShot(
        0, this, [this, window = QPointer<QWidget>(modal), action = std::move(action)]() mutable {
            if (window) {
                action(window);
                ++m_ran;
            } else {
                m_queue.push_front(
                    std::move(action)); // gone before its turn: wait for the next one
            }
            m_busy.removeAll(window);
            m_busy.removeAll(nullptr);
            m_waiting.restart();
        });
}
