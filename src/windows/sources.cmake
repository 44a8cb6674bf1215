# Files of src/windows/: the windows of the program's features (login and password change,
# archive, Paradox import, report parameters and report, print preview). Their logic lives in
# the core folders of the same names.
list(APPEND UI_SOURCES
  windows/uLogin.h windows/uLogin.cpp
  windows/uServerPassword.h windows/uServerPassword.cpp
  windows/uChangeLogin.h windows/uChangeLogin.cpp
  windows/uArchiwum.h windows/uArchiwum.cpp
  windows/uImportMenu.h windows/uImportMenu.cpp
  windows/uImportPreview.h windows/uImportPreview.cpp
  windows/uReportParams.h windows/uReportParams.cpp
  windows/uRaporty.h windows/uRaporty.cpp
  windows/ReportPrint.h windows/ReportPrint.cpp
  windows/ReportPageView.h windows/ReportPageView.cpp
  windows/ReportPreview.h windows/ReportPreview.cpp
)
