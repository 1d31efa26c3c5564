#pragma once
// Formatting of message texts. Table texts are never handed to printf: the
// placeholders %s, %d, %u and %x (upper-case hex) with optional width,
// precision and "-" are interpreted here against typed arguments, and a
// mismatch still gives a readable text instead of undefined behaviour.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace tarvex {

class FormatArg {
public:
    template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
    FormatArg(T v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(bool v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(double v) : value_(v) {}
    FormatArg(std::string v) : value_(std::move(v)) {}
    FormatArg(std::string_view v) : value_(std::string(v)) {}
    FormatArg(const char* v) : value_(std::string(v ? v : "")) {}

    const std::variant<std::int64_t, double, std::string>& value() const { return value_; }

private:
    std::variant<std::int64_t, double, std::string> value_;
};

std::string FormatList(std::string_view format, std::initializer_list<FormatArg> args);

template <typename... Args>
std::string Format(std::string_view format, Args&&... args) {
    return FormatList(format, {FormatArg(std::forward<Args>(args))...});
}

}  // namespace tarvex
