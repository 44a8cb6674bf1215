rejestr_test(test_vtcrypt access/test_vtcrypt.cpp)
rejestr_test(test_passwordcipher access/test_passwordcipher.cpp)
rejestr_test(test_login access/test_login.cpp)
