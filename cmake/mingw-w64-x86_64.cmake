# Cross toolchain: Windows x64 on MinGW-w64 (its headers and C runtime, GCC's
# libstdc++ and libgcc of the posix thread model, all linked statically),
# compiled by clang and linked by lld in MinGW mode. GCC 12 and binutils 2.40
# can build the same programs, but not with Control Flow Guard, CET
# compatibility or a PDB with line information (README, "The shipped
# binaries"). Everything MinGW-specific lives here, so the project's
# CMakeLists configure unchanged with MSVC on Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(_mingw x86_64-w64-mingw32)
# The posix variant of GCC's runtime: the win32 thread model has no
# std::mutex/std::thread.
set(_gcc_runtime /usr/lib/gcc/${_mingw}/12-posix)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${_mingw})
set(CMAKE_CXX_COMPILER_TARGET ${_mingw})
set(CMAKE_RC_COMPILER  ${_mingw}-windres)
set(CMAKE_DLLTOOL      ${_mingw}-dlltool)
set(CMAKE_AR llvm-ar)
set(CMAKE_RANLIB llvm-ranlib)
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# MinGW-w64's headers and libraries only (no /usr/include), and libstdc++'s
# headers from GCC's posix runtime, which clang does not find by itself.
set(_sysroot "--sysroot=/usr/${_mingw}")
set(CMAKE_C_FLAGS_INIT "${_sysroot}")
# (The flags reach the link too, where clang would warn that they are unused.)
set(CMAKE_CXX_FLAGS_INIT "${_sysroot} --start-no-unused-arguments -nostdinc++ -isystem ${_gcc_runtime}/include/c++ -isystem ${_gcc_runtime}/include/c++/${_mingw} -isystem ${_gcc_runtime}/include/c++/backward --end-no-unused-arguments")

# No libgcc_s/libstdc++/winpthread DLLs next to the programs. libstdc++ of the
# posix thread model needs winpthreads (lld takes archives in any order).
set(_link "-static -fuse-ld=lld -L${_gcc_runtime} -lpthread")
set(CMAKE_EXE_LINKER_FLAGS_INIT    "${_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_link}")

# Tests run under Wine through the test bed (testing/bed/winebed.sh sets WINE).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../testing/bed/wine-exec.sh)
