#include "report/Report.h"

#include "report/ReportError.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void Report::loadFromFile(const QString& path)
{
    m_template.reset();
    m_prepared = ReportDocument{};
    m_template = ReportTemplate::fromFile(path);
}

const ReportDocument& Report::prepareReport(Progress* progress)
{
    releasePages();
    if (!m_template)
        throw EReportError(QStringLiteral("Nie wczytano szablonu raportu"));
    static const ReportUserDataset noRows{};
    ReportDocument document =
        LayoutReport(*m_template, dataset ? *dataset : noRows, onGetValue, progress);
    document.title = title;
    m_prepared = std::move(document);
    return m_prepared;
}

void Report::releasePages()
{
    m_prepared = ReportDocument{};
#ifdef __GLIBC__
    // The texts of a long report were many small blocks; freed, they would stay with the process.
    malloc_trim(0);
#endif
}
