rejestr_core_test(test_startup startup/test_startup.cpp)
