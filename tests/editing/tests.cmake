rejestr_test(test_editing editing/test_editing.cpp)
rejestr_test(test_datehints editing/test_datehints.cpp)
