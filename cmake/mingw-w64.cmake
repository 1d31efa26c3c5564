# What the two MinGW-w64 cross builds share. The toolchain file of each build
# names its triple (TARVEX_MINGW_TRIPLE), its processor and the Wine loaders
# that run its programs (TARVEX_WINE_NAMES), then includes this file.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model, which std::thread and std::mutex need.
set(CMAKE_C_COMPILER ${TARVEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVEX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Executables and DLLs carry their runtime (libgcc, libstdc++, winpthread),
# so they need nothing beside them but Windows' own DLLs.
set(_tarvex_static "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_tarvex_static}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_tarvex_static}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_tarvex_static}")

# Windows XP-era headers hide nothing we use; ask for Windows 7 APIs at most.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)

# ctest runs the test programs through Wine. Debian keeps the 64-bit loader
# out of PATH, in /usr/lib/wine.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TARVEX_WINE NAMES ${TARVEX_WINE_NAMES} HINTS /usr/lib/wine /usr/lib64/wine)
  if(TARVEX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVEX_WINE})
  endif()
endif()
