#pragma once

#include "report/ReportDocument.h"
#include "report/ReportTemplate.h"

#include <functional>

// The one dataset of a report: it holds no data, its events move through the program's rows.
// The engine calls OnFirst, then alternately OnCheckEOF and, after each row, OnNext.
struct ReportUserDataset
{
    std::function<void()> OnFirst;
    std::function<void()> OnNext;
    std::function<void(bool& eof)> OnCheckEOF;
};

// The value of a variable [NAME] that a cell names; called once per occurrence, in the order the
// cells are laid out. An empty handler answers empty texts.
using ReportValueHandler = std::function<void(const QString& name, QString& value)>;

// Lays the template out into pages: the page header and column header at the top of every page,
// one masterData band per row of the dataset, the summary after the last row, the footer at the
// bottom of every page. A row that does not fit starts a new page. Errors of the callbacks pass
// through unchanged.
ReportDocument LayoutReport(const ReportTemplate& tpl, const ReportUserDataset& dataset,
                            const ReportValueHandler& value);
