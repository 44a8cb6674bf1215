# Files of src/output/: CSV export, report parameters, report data.
list(APPEND UI_SOURCES
  output/uReportParams.h output/uReportParams.cpp
  output/uRaporty.h output/uRaporty.cpp
)
list(APPEND CORE_SOURCES output/uVtExportToCSV.h output/uVtExportToCSV.cpp)
