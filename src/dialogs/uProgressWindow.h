#pragma once

#include "data/Progress.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QWidget;

// Long work as the user sees it: the wait cursor at once and, once the work has run about a
// second, a window saying what is being done, with a bar and "Anuluj". While the work calls
// step() the window repaints and answers its button (Escape and closing it cancel too); input
// to the rest of the program waits. One object per operation, handed to the work:
//
//     TProgressWindow progress(this, QStringLiteral("Import danych"));
//     const bool done = ImportTables(..., &progress); // stops once progress.step() says false
//     if (progress.cancelled()) ...                     // the work left nothing half-written
//
// The cursor and the window go when the object does.
class TProgressWindow : public Progress
{
public:
    explicit TProgressWindow(QWidget* parent, const QString& title);
    ~TProgressWindow() override;
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    void start(const QString& caption, qint64 total) override;
    bool step(qint64 done) override;
    bool cancelled() const override { return m_cancelled; }
    void cancel();

    // The window once shown, else nullptr.
    QDialog* window() const { return m_window; }

    // How long work runs before the window shows (tests shorten it).
    static void setShowDelay(int milliseconds);

private:
    void showWindow();
    void showState();

    QWidget* m_parent;
    QString m_title;
    QString m_caption;
    qint64 m_total = 0;
    qint64 m_done = 0;
    bool m_cancelled = false;
    QElapsedTimer m_clock;
    qint64 m_lastPump = -1;
    QPointer<QDialog> m_window;
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
};

// The wait cursor for as long as the object lives: for work too short to want a window.
class TWaitCursor
{
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
