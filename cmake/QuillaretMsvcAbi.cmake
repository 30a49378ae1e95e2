# The Microsoft-ABI tree (toolchain cmake/clang-msvc-x86_64.cmake): the nan
# addons, built with clang for the Windows runtime's MSVC C++ ABI from
# MinGW-w64's and libstdc++'s headers. This file sets the tree's compile
# options, generates the header overlay (configure time) and the import
# libraries (build time), and defines quillaret_nan_addon().

set(QUILLARET_MINGW_ROOT "/usr/x86_64-w64-mingw32" CACHE PATH "MinGW-w64 headers and import libraries")
set(QUILLARET_LIBSTDCXX_INCLUDE "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++" CACHE PATH
    "libstdc++ headers (only header-only parts are used)")
set(QUILLARET_WINE_UCRTBASE "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/libucrtbase.a" CACHE FILEPATH
    "Wine's import library of ucrtbase.dll (lists ucrtbase's exports)")

set(CMAKE_CXX_STANDARD 20)

# Header overlay: copies of four headers with one line changed each.
#   bits/c++config.h  no extern templates: there is no libstdc++ DLL whose
#                     instances they would name
#   bits/os_defines.h the C runtime's own printf, as an MSVC build has
#   _mingw.h          MinGW's __uuidof emulation even though clang defines
#                     _MSC_VER (clang's __uuidof needs GUIDs on the types)
#   delayimp.h        the hooks const, as Microsoft's header declares them
set(QUILLARET_MSVC_OVERLAY "${CMAKE_BINARY_DIR}/msvc-abi-overlay")
function(_quillaret_overlay_header source target from to)
  file(READ "${source}" text)
  string(FIND "${text}" "${from}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "overlay: '${from}' not found in ${source}")
  endif()
  string(REPLACE "${from}" "${to}" text "${text}")
  file(WRITE "${QUILLARET_MSVC_OVERLAY}/${target}.new" "${text}")
  file(COPY_FILE "${QUILLARET_MSVC_OVERLAY}/${target}.new" "${QUILLARET_MSVC_OVERLAY}/${target}" ONLY_IF_DIFFERENT)
  file(REMOVE "${QUILLARET_MSVC_OVERLAY}/${target}.new")
endfunction()
set(_target_include "${QUILLARET_LIBSTDCXX_INCLUDE}/x86_64-w64-mingw32")
_quillaret_overlay_header("${_target_include}/bits/c++config.h" bits/c++config.h
  "# define _GLIBCXX_EXTERN_TEMPLATE 1" "# define _GLIBCXX_EXTERN_TEMPLATE 0")
_quillaret_overlay_header("${_target_include}/bits/os_defines.h" bits/os_defines.h
  "#define __USE_MINGW_ANSI_STDIO 1" "#define __USE_MINGW_ANSI_STDIO 0")
_quillaret_overlay_header("${QUILLARET_MINGW_ROOT}/include/_mingw.h" _mingw.h
  "#ifdef _MSC_VER\n#define USE___UUIDOF\t1" "#ifdef _MSC_VER\n#define USE___UUIDOF\t0")
_quillaret_overlay_header("${QUILLARET_MINGW_ROOT}/include/delayimp.h" delayimp.h
  "ExternC PfnDliHook __pfnDliNotifyHook2;\nExternC PfnDliHook __pfnDliFailureHook2;"
  "ExternC const PfnDliHook __pfnDliNotifyHook2;\nExternC const PfnDliHook __pfnDliFailureHook2;")

# clang defines no __GNUC__ for MSVC targets, which libstdc++ needs; _UCRT and
# the version select the UCRT in MinGW's headers. No exceptions, no RTTI.
# libstdc++'s thread layer must not make weak references to the pthread
# functions (there is no pthread library here, and COFF weak references
# collide at link time); it then takes threads as always active, so
# shared_ptr counts atomically.
add_compile_options(-fgnuc-version=12 $<$<COMPILE_LANGUAGE:CXX>:-nostdinc++>
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
add_compile_definitions(_UCRT __MSVCRT_VERSION__=0xE00 __STRICT_ANSI__ WIN32_LEAN_AND_MEAN NOMINMAX
  _GLIBCXX_GTHREAD_USE_WEAK=0)
# No runtime-library selection flags: the DLLs link the UCRT explicitly.
set(CMAKE_MSVC_RUNTIME_LIBRARY "")
# In this order, ahead of every target's own include folders.
include_directories(SYSTEM
  "${QUILLARET_MSVC_OVERLAY}"
  "${QUILLARET_LIBSTDCXX_INCLUDE}"
  "${_target_include}"
  "${QUILLARET_MINGW_ROOT}/include")

# Import libraries, made at build time: node.exe's from the pinned node.exe's
# export table, and ucrtbase.dll's for what MinGW's libucrt.a lacks.
set(_import_dir "${CMAKE_BINARY_DIR}/import-libs")
set(QUILLARET_NODE_IMPORT_LIB "${_import_dir}/node.lib")
set(QUILLARET_UCRTBASE_IMPORT_LIB "${_import_dir}/ucrtbase-extra.lib")
add_custom_command(OUTPUT "${QUILLARET_NODE_IMPORT_LIB}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${_import_dir}"
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/msvc-abi/node-import-lib.sh"
          "${QUILLARET_WIN_NODE}" "${_import_dir}/node.def" "${QUILLARET_NODE_IMPORT_LIB}"
  DEPENDS "${QUILLARET_WIN_NODE}" "${CMAKE_CURRENT_LIST_DIR}/msvc-abi/node-import-lib.sh"
  COMMENT "Import library of node.exe" VERBATIM)
add_custom_command(OUTPUT "${QUILLARET_UCRTBASE_IMPORT_LIB}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${_import_dir}"
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/msvc-abi/ucrtbase-import-lib.sh"
          "${QUILLARET_WINE_UCRTBASE}" "${QUILLARET_MINGW_ROOT}/lib/libucrt.a"
          "${_import_dir}/ucrtbase-extra.def" "${QUILLARET_UCRTBASE_IMPORT_LIB}"
  DEPENDS "${QUILLARET_WINE_UCRTBASE}" "${QUILLARET_MINGW_ROOT}/lib/libucrt.a"
          "${CMAKE_CURRENT_LIST_DIR}/msvc-abi/ucrtbase-import-lib.sh"
  COMMENT "Import library of ucrtbase.dll" VERBATIM)
add_custom_target(msvc-abi-import-libs DEPENDS "${QUILLARET_NODE_IMPORT_LIB}" "${QUILLARET_UCRTBASE_IMPORT_LIB}")

# MinGW-w64's import library of each named system DLL, by full path.
function(quillaret_system_libraries out)
  set(paths "")
  foreach(name ${ARGN})
    list(APPEND paths "${QUILLARET_MINGW_ROOT}/lib/lib${name}.a")
  endforeach()
  set(${out} ${paths} PARENT_SCOPE)
endfunction()

set(QUILLARET_STD_IMPORTS_REVIEWED "${CMAKE_CURRENT_LIST_DIR}/msvc-abi/reviewed-std-imports.txt")

# quillaret_nan_addon(<name> SOURCES <files...> SYSTEM_LIBS <dll names...>
#                     [LIBS <libraries...>] [DESCRIPTION <text>] [TEST_ONLY])
# A nan addon as <name>.node in the dist folder (TEST_ONLY: in its binary
# folder): the runtime's V8, libuv and Node imports bound lazily under
# "node.exe", the C runtime from the UCRT and addons/dll-runtime, the boundary
# guard run on every link, and what every shipped binary has (README, "The
# shipped binaries"): the version resource (with DESCRIPTION), the PDB and the
# hardening options of the link.
function(quillaret_nan_addon name)
  cmake_parse_arguments(ARG "TEST_ONLY" "DESCRIPTION" "SOURCES;SYSTEM_LIBS;LIBS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  target_include_directories(${name} SYSTEM PRIVATE "${QUILLARET_NODE_INCLUDE_DIR}" "${QUILLARET_NAN_DIR}")
  target_compile_definitions(${name} PRIVATE BUILDING_NODE_EXTENSION USING_V8_SHARED=1 USING_UV_SHARED=1)
  quillaret_system_libraries(system_libs ucrt kernel32 ${ARG_SYSTEM_LIBS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} dll-runtime dll-runtime-default-hooks
    "${QUILLARET_NODE_IMPORT_LIB}" ${system_libs} "${QUILLARET_UCRTBASE_IMPORT_LIB}")
  target_link_options(${name} PRIVATE
    "LINKER:/nodefaultlib" "LINKER:/manifest:no" "LINKER:/entry:_DllMainCRTStartup" "LINKER:/delayload:node.exe")
  add_dependencies(${name} msvc-abi-import-libs)
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".node")
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND bash "${PROJECT_SOURCE_DIR}/cmake/msvc-abi/check-std-imports.sh"
            "$<TARGET_FILE:${name}>" "${QUILLARET_STD_IMPORTS_REVIEWED}"
    VERBATIM)
  quillaret_warnings(${name})
  if(NOT ARG_DESCRIPTION)
    set(ARG_DESCRIPTION "${name}")
  endif()
  if(ARG_TEST_ONLY)
    quillaret_shipped_binary(${name} DESCRIPTION "${ARG_DESCRIPTION}")
  else()
    quillaret_deliverable(${name} DESCRIPTION "${ARG_DESCRIPTION}")
  endif()
endfunction()

# quillaret_import_library(<name> DEF <file.def> [DELAY])
# An import library <name>.lib made from a .def file at build time; DELAY
# also binds the DLL it names lazily in whatever links it.
function(quillaret_import_library name)
  cmake_parse_arguments(ARG "DELAY" "DEF" "" ${ARGN})
  set(lib "${CMAKE_CURRENT_BINARY_DIR}/${name}.lib")
  add_custom_command(OUTPUT "${lib}"
    COMMAND llvm-dlltool -m i386:x86-64 -d "${ARG_DEF}" -l "${lib}"
    DEPENDS "${ARG_DEF}" VERBATIM)
  add_custom_target(${name}-lib DEPENDS "${lib}")
  add_library(${name} INTERFACE)
  add_dependencies(${name} ${name}-lib)
  target_link_libraries(${name} INTERFACE "${lib}")
  if(ARG_DELAY)
    file(STRINGS "${ARG_DEF}" library REGEX "^LIBRARY ")
    string(REGEX REPLACE "^LIBRARY +" "" library "${library}")
    target_link_options(${name} INTERFACE "LINKER:/delayload:${library}")
  endif()
endfunction()
