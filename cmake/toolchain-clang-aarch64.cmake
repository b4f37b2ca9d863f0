# Cross-compiles for Windows on ARM64 with Debian's clang and lld-16, against
# the mingw-w64 headers (which serve every architecture). Debian has no
# MinGW runtime or import libraries for ARM64: the DLL needs no runtime, and
# arm64-import-libraries makes the import libraries the build links with.
# lld-16, not Debian's default lld 14, which numbers exports from ordinal 0.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(triple aarch64-w64-windows-gnu)

find_program(CMAKE_C_COMPILER NAMES clang-14 clang)
find_program(CMAKE_CXX_COMPILER NAMES clang++-14 clang++)
find_program(CMAKE_RC_COMPILER NAMES llvm-windres-14 llvm-windres)
find_program(HOVERHUE_LLD NAMES ld.lld-16)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_C_COMPILER OR NOT CMAKE_RC_COMPILER
   OR NOT HOVERHUE_LLD)
  message(FATAL_ERROR "clang, llvm and lld-16 for ARM64 Windows not found: run ./scripts/setup")
endif()
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})

set(HOVERHUE_IMPORT_LIBRARIES ${CMAKE_BINARY_DIR}/import-libraries)
# The mingw-w64 headers (CMakeLists.txt keeps out the build machine's own).
# Unwind data (.pdata) in every function: Windows on ARM64 needs it to
# dispatch an exception through our frames, a host's own handler's included.
foreach(lang C CXX)
  set(CMAKE_${lang}_FLAGS_INIT "-funwind-tables")
  set(CMAKE_${lang}_STANDARD_INCLUDE_DIRECTORIES /usr/share/mingw-w64/include)
endforeach()
set(CMAKE_RC_FLAGS_INIT "--target=${triple} -I /usr/share/mingw-w64/include")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "--ld-path=${HOVERHUE_LLD}")
endforeach()
# There is no C runtime to link a probe program with.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
