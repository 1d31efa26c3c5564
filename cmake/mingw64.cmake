# Cross build for 64-bit Windows with the compilers of the Debian package
# g++-mingw-w64-x86-64-posix. Its tests run under wine64, which also runs on
# machines that cannot execute 32-bit programs, so every Win32 code path is
# tested there as well.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TARVEX_MINGW_TRIPLE x86_64-w64-mingw32)
# wine64 first: on Debian 12 "wine" is the 32-bit loader.
set(TARVEX_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
