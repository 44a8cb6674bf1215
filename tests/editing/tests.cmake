rejestr_test(test_editing editing/test_editing.cpp)
