rejestr_ui_test(test_editing editing/test_editing.cpp)
