# Files of src/output/: the CSV export.
list(APPEND CORE_SOURCES output/uVtExportToCSV.h output/uVtExportToCSV.cpp)
