# Cross toolchain for the nan addons: Windows x64 in the Microsoft C++ ABI,
# with Debian's clang and lld-link and no MSVC or Windows SDK files. The
# Windows runtime exports V8 with MSVC's C++ names and ABI, which only such a
# compiler can bind to. Headers come from MinGW-w64 (C library, Win32) and
# libstdc++ (header-only parts), adjusted by the overlay that
# QuillaretMsvcAbi.cmake generates; the C runtime is the system's UCRT plus
# addons/dll-runtime in place of MSVC's static CRT.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET x86_64-pc-windows-msvc)
set(CMAKE_CXX_COMPILER_TARGET x86_64-pc-windows-msvc)
set(CMAKE_AR llvm-ar)
set(CMAKE_RANLIB llvm-ranlib)
set(CMAKE_LINKER lld-link)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# There is no C runtime to link a test executable against while CMake checks
# the compiler; the checks build static libraries instead.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# Every target names the system libraries it imports from.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)

# Tells the project that this is the Microsoft-ABI tree.
set(QUILLARET_MSVC_ABI ON)
