#pragma once

#include "data/Progress.h"
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
    // How many rows there are, when known: only the progress shown uses it.
    std::function<qint64()> OnCount;
};

// The value of a variable [NAME] that a cell names; called once per occurrence, in the order the
// cells are laid out. An empty handler answers empty texts.
using ReportValueHandler = std::function<void(const QString& name, QString& value)>;

// Lays the template out into pages: the page header and column header at the top of every page,
// one masterData band per row of the dataset, the summary after the last row, the footer at the
// bottom of every page. A row that does not fit starts a new page. Every value is asked for here,
// in print order; the pages' items are made later, as each page is asked for. Errors of the
// callbacks pass through unchanged. Stopped through progress: a document without pages.
ReportDocument LayoutReport(const ReportTemplate& tpl, const ReportUserDataset& dataset,
                            const ReportValueHandler& value, Progress* progress = nullptr);
