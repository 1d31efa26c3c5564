#include <windows.h>

#include "platform/dynlib.hpp"

namespace tarvex::platform {

namespace {

std::string systemErrorText(DWORD code) {
    char* text = nullptr;
    const DWORD n =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

}  // namespace

DynamicLibrary DynamicLibrary::load(const std::string& name) {
    DynamicLibrary lib;
    // No "insert the disk" boxes for a missing library: the caller reports it.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    lib.handle_ = reinterpret_cast<void*>(LoadLibraryA(name.c_str()));
    const DWORD code = lib.handle_ ? 0 : GetLastError();
    SetErrorMode(oldMode);
    if (!lib.handle_) {
        lib.errorCode_ = static_cast<int>(code);
        lib.errorText_ = systemErrorText(code);
    }
    return lib;
}

void* DynamicLibrary::symbol(const std::string& name) {
    if (!handle_) return nullptr;
    FARPROC p = GetProcAddress(static_cast<HMODULE>(handle_), name.c_str());
    if (!p) {
        const DWORD code = GetLastError();
        errorCode_ = static_cast<int>(code);
        errorText_ = systemErrorText(code);
        return nullptr;
    }
    return reinterpret_cast<void*>(p);
}

void DynamicLibrary::close() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

std::string sharedLibraryName(const std::string& base) {
    return base + ".dll";
}

}  // namespace tarvex::platform
