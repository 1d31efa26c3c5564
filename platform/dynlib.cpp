#include "platform/dynlib.hpp"

#include <utility>

namespace tarvex::platform {

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      errorCode_(other.errorCode_),
      errorText_(std::move(other.errorText_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
        errorCode_ = other.errorCode_;
        errorText_ = std::move(other.errorText_);
    }
    return *this;
}

DynamicLibrary::~DynamicLibrary() { close(); }

}  // namespace tarvex::platform
