#pragma once
// Base of every exception the system raises. Its only data is the finished,
// human-readable message; handlers show it as it stands.
#include <exception>
#include <string>
#include <utility>

namespace tarvex {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }

private:
    std::string message_;
};

// The platform's own failures: a file that cannot be opened, a read past
// the end of a stream, text that is not a number.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};
class EReadError : public Exception {
public:
    using Exception::Exception;
};
class EWriteError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace tarvex
