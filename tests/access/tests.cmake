rejestr_core_test(test_vtcrypt access/test_vtcrypt.cpp)
rejestr_core_test(test_passwordcipher access/test_passwordcipher.cpp)
rejestr_ui_test(test_login access/test_login.cpp)
