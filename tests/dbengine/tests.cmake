rejestr_test(test_dbengine dbengine/test_dbengine.cpp)
