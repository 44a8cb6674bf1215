#pragma once

#include "report/ReportDocument.h"
#include "report/ReportLayout.h"
#include "report/ReportTemplate.h"

#include <optional>

// A report object as the program uses it: a template loaded from a file, one callback dataset,
// the value handler, a title for its preview, and the pages it prepared last.
class Report
{
public:
    QString title;
    ReportUserDataset* dataset = nullptr;
    ReportValueHandler onGetValue;

    // Reads and checks the template; raises EReportError. Pages prepared before are dropped, and
    // a failed load leaves no template, so nothing is prepared from an older one.
    void loadFromFile(const QString& path);
    bool hasTemplate() const { return m_template.has_value(); }

    // Lays the template out over the dataset; raises EReportError without a template and lets
    // the callbacks' own errors through. The pages of an earlier run are dropped first. Stopped
    // through progress: no pages.
    const ReportDocument& prepareReport(Progress* progress = nullptr);
    const ReportDocument& preparedPages() const { return m_prepared; }
    // Drops the prepared pages and hands the memory they took back to the system.
    void releasePages();

private:
    std::optional<ReportTemplate> m_template;
    ReportDocument m_prepared;
};
