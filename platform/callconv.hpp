#pragma once
// What the system's binary interface asks of code that calls into libraries
// bound at run time.

// The calling convention of the libraries' exported functions: __stdcall on
// 32-bit Windows, the one and only convention everywhere else.
#if defined(_WIN32) && !defined(_WIN64)
#define TARVEX_LIBRARY_CALL __stdcall
#else
#define TARVEX_LIBRARY_CALL
#endif

namespace tarvex::platform {

// Whether this build runs on Windows, for the few places where a library
// offers more there.
#ifdef _WIN32
inline constexpr bool TargetIsWindows = true;
#else
inline constexpr bool TargetIsWindows = false;
#endif

}  // namespace tarvex::platform
