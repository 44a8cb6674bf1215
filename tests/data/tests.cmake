rejestr_test(test_definicje data/test_definicje.cpp)

rejestr_test(test_datamodule data/test_datamodule.cpp)
