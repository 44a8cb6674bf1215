rejestr_test(test_raporty output/test_raporty.cpp)
