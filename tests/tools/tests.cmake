rejestr_test(test_install tools/test_install.cpp)
target_compile_definitions(test_install PRIVATE
  REJESTR_INSTALL_TOOL="$<TARGET_FILE:rejestr-install>"
  REJESTR_PROGRAM="$<TARGET_FILE:rejestr>")
add_dependencies(test_install rejestr-install rejestr)
