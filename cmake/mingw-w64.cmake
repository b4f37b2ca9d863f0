# Shared by the MinGW-w64 toolchain files, which set CMAKE_SYSTEM_PROCESSOR
# (i686 or x86_64) and include this. Debian ships each compiler under two
# names; the -win32 one has no winpthread dependency and is taken first.
set(CMAKE_SYSTEM_NAME Windows)
set(triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

find_program(CMAKE_CXX_COMPILER NAMES ${triple}-g++-win32 ${triple}-g++)
find_program(CMAKE_C_COMPILER NAMES ${triple}-gcc-win32 ${triple}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${triple}-windres)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_C_COMPILER OR NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "MinGW-w64 for ${CMAKE_SYSTEM_PROCESSOR} not found: run ./scripts/setup")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
