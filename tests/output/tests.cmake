rejestr_test(test_raporty output/test_raporty.cpp)
rejestr_test(test_progress output/test_progress.cpp)
