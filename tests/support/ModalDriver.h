#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>

class QWidget;

// Answers modal windows from a test without ever blocking it. Arm it before the call that opens
// a window; each queued action then runs, in order, on QApplication::activeModalWidget() from a
// timer inside that window's own event loop, once the window is shown (and active, so that Alt
// accelerators work; after 1 s it runs anyway).
//
//     ModalDriver driver;
//     driver.onNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
//     const bool yes = Ask(QStringLiteral("Pytanie"), QStringLiteral("Usunąć?"));
//     QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
//
// An action that leaves its window open is followed by the next action on the same window; an
// action that closes it (synchronously: a click, a key, close()) makes the next one wait for the
// next window. An action may open a nested modal window; the next action answers that one.
// When no window comes within the timeout the remaining actions are dropped and timedOut() is set.
// A modal window that appears with no action left is closed (rejected) and counted as stray, so
// a faulty test fails instead of hanging. Use one driver at a time.
class ModalDriver : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<void(QWidget* modal)>;

    explicit ModalDriver(int timeoutMs = 5000, QObject* parent = nullptr);

    ModalDriver& onNextModal(Action action);

    // Every action ran, none was dropped and no stray window appeared.
    bool allRan() const;
    bool timedOut() const { return m_timedOut; }
    int strayWindows() const { return m_strayWindows; }
    // What went wrong, for QVERIFY2; empty when allRan().
    QString problem() const;

private:
    void poll();

    QTimer m_poll;
    QElapsedTimer m_waiting;    // since the last action ran or the first was armed
    QElapsedTimer m_activating; // since the current window was first seen inactive
    QPointer<QWidget> m_seen;
    std::deque<Action> m_queue;
    QList<QPointer<QWidget>> m_busy; // windows whose action is still running
    int m_timeoutMs;
    int m_ran = 0;
    int m_dropped = 0;
    int m_strayWindows = 0;
    bool m_timedOut = false;
};
