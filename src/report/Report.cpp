#include "report/Report.h"

#include "report/ReportError.h"

void Report::loadFromFile(const QString& path)
{
    m_template.reset();
    m_prepared = ReportDocument{};
    m_template = ReportTemplate::fromFile(path);
}

const ReportDocument& Report::prepareReport()
{
    m_prepared = ReportDocument{};
    if (!m_template)
        throw EReportError(QStringLiteral("Nie wczytano szablonu raportu"));
    static const ReportUserDataset noRows{{}, {}, {}};
    ReportDocument document = LayoutReport(*m_template, dataset ? *dataset : noRows, onGetValue);
    document.title = title;
    m_prepared = std::move(document);
    return m_prepared;
}
