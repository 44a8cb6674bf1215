rejestr_ui_test(test_raporty output/test_raporty.cpp)
rejestr_both_stores(test_raporty)
rejestr_ui_test(test_progress output/test_progress.cpp)
