rejestr_test(test_dialogs dialogs/test_dialogs.cpp)
