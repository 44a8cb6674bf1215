#pragma once

#include <QString>
#include <QStringList>

class TFileOperation;

// Runs one TFileOperation over a queue of source/destination pairs, one operation per pair,
// stopping at the first failure.
class TFileOperations
{
public:
    // The operation to drive; not owned.
    void SetOperation(TFileOperation* operation) { m_operation = operation; }
    void Clear();
    void AddSource(const QString& path) { m_sources.append(path); }
    void AddDestination(const QString& path) { m_destinations.append(path); }

    // 0 when every pair succeeded (also for an empty queue), else the first non-zero result;
    // pairs after a failure are not attempted. Source i goes with destination i; without one the
    // operation keeps its previous Destination.
    int Execute();

private:
    TFileOperation* m_operation = nullptr;
    QStringList m_sources;
    QStringList m_destinations;
};
