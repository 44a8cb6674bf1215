rejestr_test(test_paradoxtable import/test_paradoxtable.cpp import/ParadoxFixture.h
             import/ParadoxFixture.cpp)
rejestr_test(test_paradoximport import/test_paradoximport.cpp import/ParadoxFixture.h
             import/ParadoxFixture.cpp)
rejestr_test(test_tableswap import/test_tableswap.cpp)
