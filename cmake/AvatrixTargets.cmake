# Small helpers so that each folder only lists what it links against; sources
# are picked up from the folder itself.

# avatrix_library(<name> [DEPS targets...]): a static library avatrix_<name>
# from the .cpp files of the current folder (not recursive).
function(avatrix_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(avatrix_${name} STATIC ${sources})
  target_include_directories(avatrix_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(avatrix_${name} PUBLIC ${ARG_DEPS})
endfunction()

# avatrix_test_suite(<name> [WITHOUT_TOOLKIT] [DEPS targets...] [LABELS labels...]):
# one GoogleTest executable test_<name> from the .cpp files of the current
# folder, with the test main of tests/support, which starts the toolkit;
# WITHOUT_TOOLKIT takes GoogleTest's own main instead.
function(avatrix_test_suite name)
  cmake_parse_arguments(ARG "WITHOUT_TOOLKIT" "" "DEPS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(test_${name} ${sources})
  if(ARG_WITHOUT_TOOLKIT)
    target_link_libraries(test_${name} PRIVATE GTest::gtest_main GTest::gmock ${ARG_DEPS})
  else()
    target_link_libraries(test_${name} PRIVATE avatrix_test_support ${ARG_DEPS})
  endif()
  target_compile_definitions(test_${name} PRIVATE
    AVATRIX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    AVATRIX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${name};${ARG_LABELS}" TIMEOUT 300)
endfunction()

# avatrix_benchmarks(<name> [DEPS targets...]): one Google Benchmark
# executable bench_<name> from the .cpp files of the current folder. Built by
# the test command, run on demand.
function(avatrix_benchmarks name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(bench_${name} ${sources})
  target_link_libraries(bench_${name} PRIVATE benchmark::benchmark ${ARG_DEPS})
endfunction()

# avatrix_fuzzers(<name> [DEPS targets...]): one libFuzzer executable per .cpp
# file of the current folder, named fuzz_<name>_<file>.
function(avatrix_fuzzers name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(src ${sources})
    get_filename_component(stem ${src} NAME_WE)
    add_executable(fuzz_${name}_${stem} ${src})
    target_compile_options(fuzz_${name}_${stem} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name}_${stem} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name}_${stem} PRIVATE ${ARG_DEPS})
  endforeach()
endfunction()
