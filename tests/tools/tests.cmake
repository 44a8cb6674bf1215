rejestr_core_test(test_install tools/test_install.cpp)
target_compile_definitions(test_install PRIVATE
  REJESTR_INSTALL_TOOL="$<TARGET_FILE:rejestr-install>"
  REJESTR_PROGRAM="$<TARGET_FILE:rejestr>"
  EARLIER_DEFAULT_TEMPLATE="${CMAKE_CURRENT_SOURCE_DIR}/tools/data/earlier-default.frf")
add_dependencies(test_install rejestr-install rejestr)
