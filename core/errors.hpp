#pragma once
// The driver's exception family. Every failure carries a finished message;
// catching EVokWinError catches the whole family and nothing else.
#include <cstdint>
#include <string>

#include "platform/exception.hpp"

namespace tarvex {

#define TARVEX_EXCEPTION(Name, Parent) \
    class Name : public Parent {       \
    public:                            \
        using Parent::Parent;          \
    }

TARVEX_EXCEPTION(EVokWinError, Exception);
TARVEX_EXCEPTION(EEmulatorError, EVokWinError);

// Opening and configuring a port, USB errors. The code is 1 when no board
// was found on USB, 2 when several were found and none chosen, else 0.
class EEmulatorCommError : public EEmulatorError {
public:
    explicit EEmulatorCommError(std::string message, std::int32_t errorCode = 0)
        : EEmulatorError(std::move(message)), errorCode_(errorCode) {}
    std::int32_t errorCode() const noexcept { return errorCode_; }
    void setErrorCode(std::int32_t code) noexcept { errorCode_ = code; }

private:
    std::int32_t errorCode_;
};

class EEmulatorStartError : public EEmulatorError {
public:
    explicit EEmulatorStartError(std::string message, std::int32_t value = 0)
        : EEmulatorError(std::move(message)), value_(value) {}
    std::int32_t value() const noexcept { return value_; }

private:
    std::int32_t value_;
};

TARVEX_EXCEPTION(EEmulatorTimeoutError, EEmulatorError);
TARVEX_EXCEPTION(ETarvexAbort, EVokWinError);
TARVEX_EXCEPTION(ETarvexAccessError, EVokWinError);
TARVEX_EXCEPTION(ETarvexResetError, EVokWinError);
TARVEX_EXCEPTION(EVokWinFileError, EVokWinError);
TARVEX_EXCEPTION(EVokWinAddressError, EVokWinError);
TARVEX_EXCEPTION(EVokWinValueError, EVokWinError);
TARVEX_EXCEPTION(EVokWinConvertError, EVokWinError);
TARVEX_EXCEPTION(ECopyFillError, EVokWinError);
TARVEX_EXCEPTION(ESelectError, EVokWinError);
TARVEX_EXCEPTION(ESymbolError, EVokWinError);
TARVEX_EXCEPTION(ETraceError, EVokWinError);
TARVEX_EXCEPTION(EWatchError, EVokWinError);
TARVEX_EXCEPTION(EWatchIndexError, EWatchError);
TARVEX_EXCEPTION(EPerformanceError, EVokWinError);

// Exceptions of single units stand beside the family on purpose: a handler
// for the family does not catch them.
TARVEX_EXCEPTION(EUsbDllError, Exception);
TARVEX_EXCEPTION(EUbrofRecord, Exception);
TARVEX_EXCEPTION(EAvrObjError, Exception);
TARVEX_EXCEPTION(EAgdiError, Exception);
TARVEX_EXCEPTION(EQzCheckError, Exception);
TARVEX_EXCEPTION(EHexFileError, Exception);

// The class library's conversion error.
TARVEX_EXCEPTION(EConvertError, Exception);

#undef TARVEX_EXCEPTION

}  // namespace tarvex
