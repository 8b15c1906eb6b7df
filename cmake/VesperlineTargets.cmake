# Small helpers shared by the folders' build files.

# vesperline_sources(<var> <dir>): every .cpp below <dir>, picked up again when files are added.
function(vesperline_sources var dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(${var} ${found} PARENT_SCOPE)
endfunction()

# vesperline_test_suite(<name> <dir> LIBS <libs...> [EXCLUDE <regex>] [LABELS <labels...>] [ENV <k=v...>]
#                       [RESOURCE_LOCK <name>] [RUN_SERIAL]):
# one GoogleTest program from every .cpp in <dir> (but those matching EXCLUDE) and the shared test
# support (Tests/Support), each test registered with CTest on its own; tests sharing a RESOURCE_LOCK
# never run at the same time, and a RUN_SERIAL test runs with no other test beside it.
function(vesperline_test_suite name dir)
  cmake_parse_arguments(ARG "RUN_SERIAL" "EXCLUDE;RESOURCE_LOCK" "LIBS;LABELS;ENV" ${ARGN})
  vesperline_sources(test_sources ${dir})
  if(ARG_EXCLUDE AND test_sources)
    list(FILTER test_sources EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  if(NOT test_sources)
    return()
  endif()
  add_executable(${name} ${test_sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} VesperlineTestSupport)
  # The test program's main sets these before anything runs ('|' separates them).
  set(environment TZ=Europe/Istanbul LC_ALL=C.UTF-8 ${ARG_ENV})
  list(JOIN environment "|" environment)
  target_compile_definitions(${name} PRIVATE VESPERLINE_TEST_ENVIRONMENT="${environment}")
  set(props TIMEOUT 300)
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  if(ARG_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
  endif()
  if(ARG_RUN_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# vesperline_benchmarks(<dir> LIBS <libs...>): one Google Benchmark program per .cpp in <dir>.
function(vesperline_benchmarks dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB bench_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  foreach(source ${bench_sources})
    get_filename_component(bench_name ${source} NAME_WE)
    add_executable(${bench_name} ${source})
    target_link_libraries(${bench_name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
    target_include_directories(${bench_name} PRIVATE ${CMAKE_SOURCE_DIR}/Bench)
  endforeach()
endfunction()
