rejestr_ui_test(test_dialogs dialogs/test_dialogs.cpp)
