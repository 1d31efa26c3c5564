# Cross build for 32-bit Windows with the MinGW-w64 compilers of the Debian
# package g++-mingw-w64-i686-posix (the posix thread model, which
# std::thread and std::mutex need). Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TARVEX_MINGW_TRIPLE i686-w64-mingw32)
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

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TARVEX_WINE wine)
  if(TARVEX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVEX_WINE})
  endif()
endif()
