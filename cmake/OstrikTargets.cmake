# Shared per-target settings; nothing here is applied directory-wide.

function(ostrik_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  target_compile_definitions(${target} PRIVATE QT_NO_FOREACH)
  if(OSTRIK_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    # For the few tests that cannot run under the sanitizers (address-space caps).
    target_compile_definitions(${target} PRIVATE OSTRIK_SANITIZED)
  endif()
  if(OSTRIK_FUZZ)
    # Coverage for the fuzzer's guidance; the fuzz targets link libFuzzer itself.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# ostrik_add_test(NAME tst_foo SOURCES tst_foo.cpp LIBS ostrika ...)
# Builds a QtTest executable and registers it with ctest, headless and with a
# private home and settings location so no test touches the user's files.
function(ostrik_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  ostrik_target_defaults(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE Qt5::Test ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(sandbox ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
  file(MAKE_DIRECTORY ${sandbox}/runtime)
  file(CHMOD ${sandbox}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(OSTRIK_SANITIZE)
    # Sanitized runs are several times slower.
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * 3")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${sandbox};XDG_CONFIG_HOME=${sandbox}/config;XDG_DATA_HOME=${sandbox}/data;XDG_CACHE_HOME=${sandbox}/cache;XDG_RUNTIME_DIR=${sandbox}/runtime;OSTRIK_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# ostrik_add_benchmark(NAME bench_foo SOURCES bench_foo.cpp LIBS ostrika ...)
# Builds a Google Benchmark executable; benchmarks are run by hand, never by ctest.
function(ostrik_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  ostrik_target_defaults(${B_NAME})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
