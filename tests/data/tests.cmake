rejestr_core_test(test_definicje data/test_definicje.cpp)

rejestr_core_test(test_datamodule data/test_datamodule.cpp)
rejestr_both_stores(test_datamodule)
rejestr_core_test(test_writes data/test_writes.cpp)
rejestr_both_stores(test_writes)
rejestr_core_test(test_safefile data/test_safefile.cpp)
rejestr_core_test(test_serverstore data/test_serverstore.cpp)
rejestr_core_test(test_serverclerk data/test_serverclerk.cpp)
