rejestr_test(test_reportlayout report/test_reportlayout.cpp report/ReportTestData.h)
rejestr_test(test_reportpreview report/test_reportpreview.cpp report/ReportTestData.h)
