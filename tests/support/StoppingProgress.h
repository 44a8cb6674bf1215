#pragma once

#include "data/Progress.h"

// A user who presses "Anuluj" at the stopAt-th step the work reports (from 1); 0: never.
class StoppingProgress : public Progress
{
public:
    explicit StoppingProgress(int stopAt) : m_stopAt(stopAt) {}

    void start(const QString&, qint64) override {}
    bool step(qint64) override
    {
        if (m_stopAt > 0 && ++m_steps >= m_stopAt)
            m_cancelled = true;
        return !m_cancelled;
    }
    bool cancelled() const override { return m_cancelled; }

private:
    int m_stopAt;
    int m_steps = 0;
    bool m_cancelled = false;
};
