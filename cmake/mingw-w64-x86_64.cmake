# Cross-builds for 64-bit Windows with Debian's MinGW-w64 compilers, the
# variant with POSIX threads (std::thread and std::mutex work; the runtime
# needs libwinpthread-1.dll beside libstdc++-6.dll and libgcc_s_seh-1.dll).
#
#   cmake -S . -B build-windows \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DVARNOX_MINGW_PREFIX=/path/to/cross-built/dependencies
#
# Debian package: g++-mingw-w64-x86-64-posix. Programs that are built run
# under Wine (wine64) through CMAKE_CROSSCOMPILING_EMULATOR, so ctest and
# add_custom_command(... COMMAND some_built_exe) work on this Linux host.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)

# The "-posix" names pick the POSIX-threads variant explicitly, whatever the
# Debian alternatives for the plain names point at.
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
# CMake derives the binutils prefix from the compiler's name; the "-posix"
# suffix defeats that and the host's ar would be used, so name them here.
set(CMAKE_AR ${MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_NM ${MINGW_TRIPLE}-gcc-nm-posix CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${MINGW_TRIPLE}-objdump CACHE FILEPATH "")
set(CMAKE_STRIP ${MINGW_TRIPLE}-strip CACHE FILEPATH "")
set(CMAKE_DLLTOOL ${MINGW_TRIPLE}-dlltool CACHE FILEPATH "")

# Headers and libraries come from the MinGW sysroot and from the folder of
# cross-built dependencies, never from the Linux host (whose libyuv.a and
# libgtest.a are ELF archives that would otherwise be found first).
set(VARNOX_MINGW_PREFIX "" CACHE PATH
    "Folder holding the cross-built Windows dependencies (include/, lib/, lib/cmake/)")
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
if(VARNOX_MINGW_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${VARNOX_MINGW_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config would report the host's .pc files.
set(PKG_CONFIG_EXECUTABLE "" CACHE FILEPATH "" FORCE)

# Run built programs (tests, generators) under Wine. The caller's environment
# chooses the prefix and the display: WINEPREFIX, DISPLAY, WINEDEBUG,
# WINEDLLOVERRIDES, and WINEPATH for the compiler's runtime DLLs (see below).
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(VARNOX_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_CACHE)
  if(VARNOX_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNOX_WINE64})
  endif()
endif()

# The compiler's runtime DLLs (libstdc++-6.dll, libgcc_s_seh-1.dll,
# libwinpthread-1.dll), asked of the compiler itself: copy them next to the
# programs, or put their folders in WINEPATH.
set(MINGW_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
    get_filename_component(path "${path}" REALPATH)
    list(APPEND MINGW_RUNTIME_DLLS "${path}")
  endif()
endforeach()
