# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (scripts/setup.sh
# windows installs it):
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DTS_HOST_BUILD=build
# The posix thread model gives std::thread and std::mutex. Floating point is
# SSE2, the x86-64 default, as on Linux: x87 arithmetic would round
# differently and the same game would play out differently.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TS_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TS_MINGW_TRIPLE}-windres)

# The Windows libraries (SDL2, libpng, zlib) are built from Debian's sources
# by scripts/windows_libs.sh into a cache outside the clone, which lists the
# folders of the versions it built last (-DTS_WINDOWS_PREFIXES names others).
if(NOT DEFINED TS_WINDOWS_PREFIXES)
  if(DEFINED ENV{TS_WINDOWS_CACHE} AND NOT "$ENV{TS_WINDOWS_CACHE}" STREQUAL "")
    set(TS_WINDOWS_CACHE "$ENV{TS_WINDOWS_CACHE}")
  else()
    set(TS_WINDOWS_CACHE /var/cache/tumblesquash/windows)
  endif()
  set(TS_WINDOWS_PREFIXES)
  if(EXISTS "${TS_WINDOWS_CACHE}/prefixes.cmake")
    include("${TS_WINDOWS_CACHE}/prefixes.cmake")
  endif()
endif()

# Libraries, headers and CMake packages from the mingw system folder and
# those prefixes only, never the build machine's; programs from the build
# machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TS_MINGW_TRIPLE} ${TS_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
