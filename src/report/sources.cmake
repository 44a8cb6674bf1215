# Files of src/report/: the report engine. Template, layout and page model, painter and PDF are
# core (no widgets); the preview window and printing are UI.
list(APPEND CORE_SOURCES
  report/ReportError.h
  report/ReportTemplate.h report/ReportTemplate.cpp
  report/ReportDocument.h report/ReportDocument.cpp
  report/ReportText.h report/ReportText.cpp
  report/ReportPages.h report/ReportLayout.h report/ReportLayout.cpp
  report/ReportPainter.h report/ReportPainter.cpp
  report/ReportPdf.h report/ReportPdf.cpp
  report/Report.h report/Report.cpp
)
