rejestr_core_test(test_paradoxtable import/test_paradoxtable.cpp import/ParadoxFixture.h
             import/ParadoxFixture.cpp)
target_link_libraries(test_paradoxtable PRIVATE rejestr_paradox)
rejestr_ui_test(test_paradoximport import/test_paradoximport.cpp import/ParadoxFixture.h
             import/ParadoxFixture.cpp)
target_link_libraries(test_paradoximport PRIVATE rejestr_paradox)
rejestr_both_stores(test_paradoximport)
rejestr_core_test(test_paradoxfuzz import/test_paradoxfuzz.cpp import/ParadoxFixture.h
             import/ParadoxFixture.cpp)
target_link_libraries(test_paradoxfuzz PRIVATE rejestr_paradox)
rejestr_core_test(test_tableswap import/test_tableswap.cpp)
# Every test that imports a table, or restores an old archive, runs the reader from bin/.
add_dependencies(test_support_core rejestr-paradox)
