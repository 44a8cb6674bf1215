rejestr_test(test_vtcrypt access/test_vtcrypt.cpp)
