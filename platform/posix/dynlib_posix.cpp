#include <dlfcn.h>

#include <cerrno>

#include "platform/dynlib.hpp"

namespace tarvex::platform {

DynamicLibrary DynamicLibrary::load(const std::string& name) {
    DynamicLibrary lib;
    dlerror();
    lib.handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib.handle_) {
        const char* why = dlerror();
        lib.errorText_ = why ? why : "cannot load " + name;
        // dlopen has no error number of its own; "not found" is the usual cause.
        lib.errorCode_ = errno != 0 ? errno : ENOENT;
    }
    return lib;
}

void* DynamicLibrary::symbol(const std::string& name) {
    if (!handle_) return nullptr;
    dlerror();
    void* p = dlsym(handle_, name.c_str());
    if (!p) {
        const char* why = dlerror();
        errorText_ = why ? why : "missing symbol " + name;
        errorCode_ = 127;  // the code Windows gives for a missing procedure
    }
    return p;
}

void DynamicLibrary::close() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

std::string sharedLibraryName(const std::string& base) { return "lib" + base + ".so"; }

}  // namespace tarvex::platform
