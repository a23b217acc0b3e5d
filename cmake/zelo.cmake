# Helpers shared by the subsystem CMakeLists files.

# zelo_gtest(<name> SOURCES <files...> LIBS <targets...> [ENV <VAR=value>] [SERIAL])
# A GoogleTest program whose cases ctest discovers when it runs (under Wine in the Win32
# build; discovery at build time would start Wine while compiling).
function(zelo_gtest name)
  cmake_parse_arguments(Z "SERIAL" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  if(NOT ZELO_TESTS)
    return()
  endif()
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE ${Z_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # The source and program folders are compiled in (the environment can override them):
  # discovered tests take only one ENVIRONMENT entry through gtest_discover_tests.
  target_compile_definitions(${name} PRIVATE
    ZELO_SOURCE_DIR_DEFAULT="${CMAKE_SOURCE_DIR}" ZELO_BIN_DIR_DEFAULT="${CMAKE_BINARY_DIR}/bin")
  set(props)
  if(Z_ENV)
    list(APPEND props ENVIRONMENT "${Z_ENV}")
  endif()
  if(Z_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  if(Z_LABELS)
    list(APPEND props LABELS "${Z_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES ${props})
endfunction()

# zelo_fuzz(<name> <sources...> LIBS <targets...>): a libFuzzer target (ZELO_FUZZ builds).
function(zelo_fuzz name)
  cmake_parse_arguments(Z "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ZELO_FUZZ)
    return()
  endif()
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE ${Z_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# zelo_bench(<name> SOURCES ... LIBS ...): a Google Benchmark program (ZELO_BENCH builds).
function(zelo_bench name)
  cmake_parse_arguments(Z "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ZELO_BENCH)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE ${Z_LIBS} benchmark::benchmark)
endfunction()
