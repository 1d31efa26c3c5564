#pragma once
// Binding a shared library by name at run time.
#include <memory>
#include <string>

namespace tarvex::platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    ~DynamicLibrary();

    // Loads the library; on failure the result is not loaded and
    // errorCode()/errorText() say why.
    static DynamicLibrary load(const std::string& name);

    bool loaded() const { return handle_ != nullptr; }
    // The address of an exported function, or nullptr (errorCode() then
    // holds the system's error code).
    void* symbol(const std::string& name);
    void close();

    int errorCode() const { return errorCode_; }
    const std::string& errorText() const { return errorText_; }

    template <typename Fn>
    Fn function(const std::string& name) {
        return reinterpret_cast<Fn>(symbol(name));
    }

private:
    void* handle_ = nullptr;
    int errorCode_ = 0;
    std::string errorText_;
};

// The platform's file name of a library: "ftd2xx" -> "ftd2xx.dll" on
// Windows, "libftd2xx.so" elsewhere.
std::string sharedLibraryName(const std::string& base);

}  // namespace tarvex::platform
