# nconfig_add_test(NAME name SOURCES ... LIBS ...)
# One test executable per layer. Widget tests run headless; every test gets a
# private settings folder so nothing touches the user's real preferences.
function(nconfig_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;NCONFIG_SETTINGS_DIR=${CMAKE_BINARY_DIR}/test-settings/${T_NAME};ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1")
  if(TARGET nconfig_language_file)
    add_dependencies(${T_NAME} nconfig_language_file)
  endif()
endfunction()
