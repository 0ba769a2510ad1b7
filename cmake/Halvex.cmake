# halvex_module(<folder> [LIBS <libraries>...])
# Compiles every .cpp of <folder> (except the process entry) into the object library hx_<folder>
# and links it into halvex_core. LIBS are the folder's own dependencies: their headers stay
# inside the folder, only their link flags reach the program. New files are picked up at the
# next build.
function(halvex_module folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/entry\\.cpp$")
  add_library(hx_${folder} OBJECT ${sources})
  target_include_directories(hx_${folder} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(hx_${folder} PRIVATE Threads::Threads ${ARG_LIBS})
  target_link_libraries(halvex_core PUBLIC hx_${folder})
  foreach(lib ${ARG_LIBS})
    target_link_libraries(halvex_core PUBLIC $<LINK_ONLY:${lib}>)
  endforeach()
endfunction()

# halvex_tests(<folder>): one GoogleTest executable test_<folder> from tests/<folder>/*.cpp,
# each test registered with CTest (found when ctest runs) and labelled <folder>.
function(halvex_tests folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${folder} ${sources} ${CMAKE_CURRENT_SOURCE_DIR}/support/test_support.cpp)
  target_link_libraries(test_${folder} PRIVATE halvex_core GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(test_${folder} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  gtest_discover_tests(test_${folder} DISCOVERY_MODE PRE_TEST
                       PROPERTIES LABELS ${folder} TIMEOUT 600)
endfunction()

# halvex_bench(<name> <sources>...): one Google Benchmark executable bench_<name>.
function(halvex_bench name)
  add_executable(bench_${name} ${ARGN})
  target_link_libraries(bench_${name} PRIVATE halvex_core benchmark::benchmark)
endfunction()
