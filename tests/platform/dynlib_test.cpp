// Binding a library by name: the system's own library loads, a missing
// library or function gives the system's error code, never a crash.
#include "platform/dynlib.hpp"

#include <gtest/gtest.h>

namespace tarvex::platform {
namespace {

#ifdef _WIN32
const char* const kSystemLibrary = "kernel32.dll";
const char* const kSystemFunction = "GetTickCount";
constexpr int kModuleNotFound = 126;  // ERROR_MOD_NOT_FOUND
#else
const char* const kSystemLibrary = "libc.so.6";
const char* const kSystemFunction = "strlen";
#endif
constexpr int kProcNotFound = 127;  // ERROR_PROC_NOT_FOUND, imitated on POSIX

TEST(DynamicLibrary, BindsAFunctionOfASystemLibrary) {
    auto lib = DynamicLibrary::load(kSystemLibrary);
    ASSERT_TRUE(lib.loaded()) << lib.errorText();
    EXPECT_NE(lib.symbol(kSystemFunction), nullptr);
    EXPECT_EQ(lib.errorCode(), 0);
}

TEST(DynamicLibrary, MissingFunctionGivesTheProcedureCode) {
    auto lib = DynamicLibrary::load(kSystemLibrary);
    ASSERT_TRUE(lib.loaded());
    EXPECT_EQ(lib.symbol("FT_NoSuchFunction"), nullptr);
    EXPECT_EQ(lib.errorCode(), kProcNotFound);
    EXPECT_FALSE(lib.errorText().empty());
}

TEST(DynamicLibrary, MissingLibraryIsNotLoaded) {
    auto lib = DynamicLibrary::load(sharedLibraryName("tarvex_no_such_library"));
    EXPECT_FALSE(lib.loaded());
    EXPECT_NE(lib.errorCode(), 0);
    EXPECT_FALSE(lib.errorText().empty());
#ifdef _WIN32
    EXPECT_EQ(lib.errorCode(), kModuleNotFound);
#endif
    EXPECT_EQ(lib.symbol("FT_Open"), nullptr);
}

TEST(DynamicLibrary, MovingHandsOverTheBinding) {
    auto a = DynamicLibrary::load(kSystemLibrary);
    ASSERT_TRUE(a.loaded());
    DynamicLibrary b = std::move(a);
    EXPECT_TRUE(b.loaded());
    EXPECT_NE(b.symbol(kSystemFunction), nullptr);
    b.close();
    EXPECT_FALSE(b.loaded());
    EXPECT_EQ(b.symbol(kSystemFunction), nullptr);
}

TEST(DynamicLibrary, PlatformFileNames) {
#ifdef _WIN32
    EXPECT_EQ(sharedLibraryName("ftd2xx"), "ftd2xx.dll");
#else
    EXPECT_EQ(sharedLibraryName("ftd2xx"), "libftd2xx.so");
#endif
}

}  // namespace
}  // namespace tarvex::platform
