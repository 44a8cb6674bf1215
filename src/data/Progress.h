#pragma once

#include <QString>

// Long work tells how far it has got and learns that the user stopped it. The work calls step()
// as often as it likes (every row or page: an answer costs next to nothing); once step() answers
// false the work stops, leaves nothing half-written and returns. Work that takes a Progress*
// accepts nullptr for "nobody is watching". The window that shows it is TProgressWindow
// (dialogs/uProgressWindow.h).
class Progress
{
public:
    virtual ~Progress() = default;

    // A new stage of the work: what it does, in Polish, and how many steps it has (0: unknown).
    virtual void start(const QString& caption, qint64 total) = 0;
    // done steps of the stage are finished; false once the user asked to stop.
    virtual bool step(qint64 done) = 0;
    virtual bool cancelled() const = 0;
};

inline void ProgressStart(Progress* progress, const QString& caption, qint64 total)
{
    if (progress)
        progress->start(caption, total);
}

// True while the work may go on.
inline bool ProgressStep(Progress* progress, qint64 done)
{
    return !progress || progress->step(done);
}
