# Cross-compiles for 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

find_program(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32 i686-w64-mingw32-g++)
find_program(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "MinGW-w64 for i686 not found: run ./scripts/setup")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
