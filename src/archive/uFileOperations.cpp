#include "archive/uFileOperations.h"

#include "archive/FileOper.h"

#include <cerrno>

void TFileOperations::Clear()
{
    m_sources.clear();
    m_destinations.clear();
}

int TFileOperations::Execute()
{
    if (m_sources.isEmpty())
        return 0;
    if (m_operation == nullptr)
        return EINVAL;
    for (qsizetype i = 0; i < m_sources.size(); ++i) {
        m_operation->SetSource(m_sources[i]);
        if (i < m_destinations.size())
            m_operation->SetDestination(m_destinations[i]);
        if (const int result = m_operation->Execute())
            return result;
    }
    return 0;
}
