# Cross build for 32-bit Windows, the IDE's own platform, with the compilers
# of the Debian package g++-mingw-w64-i686-posix. Tests run under wine32.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARVEX_MINGW_TRIPLE i686-w64-mingw32)
set(TARVEX_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
