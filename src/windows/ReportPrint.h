#pragma once

#include "data/Progress.h"
#include "report/ReportDocument.h"

class QPrinter;

// Sets the printer up for the report: its paper and orientation, the whole sheet as the page
// (items carry paper coordinates), the report's title as the document name.
void SetUpReportPrinter(const ReportDocument& document, QPrinter& printer);

// Prints the page range the printer holds (every page when none is chosen), one page laid out at
// a time; false when the printer could not be started or progress was stopped (the job is then
// aborted).
bool PrintReport(const ReportDocument& document, QPrinter& printer, Progress* progress = nullptr);
