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
  # Every suite may assemble test data with the data compilers' libraries.
  get_property(tool_libs GLOBAL PROPERTY HALVEX_TOOL_LIBS)
  target_link_libraries(test_${folder} PRIVATE ${tool_libs})
  target_include_directories(test_${folder} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  gtest_discover_tests(test_${folder} DISCOVERY_MODE PRE_TEST
                       PROPERTIES LABELS ${folder} TIMEOUT 600)
endfunction()

# halvex_bench(<name> <sources>...): one Google Benchmark executable bench_<name>.
function(halvex_bench name)
  add_executable(bench_${name} ${ARGN})
  target_link_libraries(bench_${name} PRIVATE halvex_core benchmark::benchmark)
endfunction()

# halvex_tool(<name>): a build-time compiler for data/. tools/<name>/*.cpp except main.cpp
# become the library hx_tool_<name> (which tests/tools links to test the tool's logic);
# main.cpp becomes the executable <name>.
function(halvex_tool name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(hx_tool_${name} STATIC ${sources})
  target_include_directories(hx_tool_${name} PUBLIC ${CMAKE_SOURCE_DIR})
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
  target_link_libraries(${name} PRIVATE hx_tool_${name})
  set_property(GLOBAL APPEND PROPERTY HALVEX_TOOL_LIBS hx_tool_${name})
endfunction()

# halvex_embed(<tool> <output.cpp> <inputs>...): runs `<tool> <output> <inputs>...` at build
# time and compiles the generated C++ into halvex_core. The output lands in
# build/generated/ (which is on the include path, for a generated header beside it).
function(halvex_embed tool output)
  set(out ${CMAKE_BINARY_DIR}/generated/${output})
  add_custom_command(OUTPUT ${out}
                     COMMAND ${tool} ${out} ${ARGN}
                     DEPENDS ${tool} ${ARGN}
                     COMMENT "Compiling ${output} with ${tool}"
                     VERBATIM)
  # The command lives in the tool's directory: a target there runs it, and halvex_core (in the
  # top directory) waits for that target and sees the output as generated.
  get_filename_component(stem ${output} NAME_WE)
  add_custom_target(embed_${stem} DEPENDS ${out})
  add_dependencies(halvex_core embed_${stem})
  set_source_files_properties(${out} DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTIES GENERATED TRUE)
  target_sources(halvex_core PRIVATE ${out})
endfunction()
