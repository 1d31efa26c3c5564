// One contract for every settings store: what one writes, the same store
// (and a second instance over the same place) reads back.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "platform/settings.hpp"
#include "tests/support/test_support.hpp"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/registry_settings.hpp"
#endif

namespace tarvex::platform {
namespace {

// A store plus a way to open a second instance over the same storage.
class StoreFixture {
public:
    virtual ~StoreFixture() = default;
    virtual SettingsStore& store() = 0;
    virtual std::unique_ptr<SettingsStore> reopen() = 0;
    virtual std::string key() const { return "Software\\Velmont\\VokWin\\7.3"; }
};

class MemoryFixture final : public StoreFixture {
public:
    SettingsStore& store() override { return store_; }
    std::unique_ptr<SettingsStore> reopen() override { return nullptr; }

private:
    MemorySettingsStore store_;
};

class IniFixture final : public StoreFixture {
public:
    IniFixture() : store_(dir_.path().string()) {}
    SettingsStore& store() override { return store_; }
    std::unique_ptr<SettingsStore> reopen() override {
        return std::make_unique<IniSettingsStore>(dir_.path().string());
    }

private:
    test::TempDir dir_;
    IniSettingsStore store_;
};

#ifdef _WIN32
// A key of its own below HKEY_CURRENT_USER, removed afterwards.
class RegistryFixture final : public StoreFixture {
public:
    RegistryFixture() : key_("Software\\TarvexTest\\" + std::to_string(std::random_device{}())) {}
    ~RegistryFixture() override { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }
    SettingsStore& store() override { return store_; }
    std::unique_ptr<SettingsStore> reopen() override { return std::make_unique<RegistrySettingsStore>(); }
    std::string key() const override { return key_; }

private:
    std::string key_;
    RegistrySettingsStore store_;
};
#endif

template <typename F>
class SettingsStoreTest : public ::testing::Test {
protected:
    F fixture;
    SettingsStore& store() { return fixture.store(); }
    std::string key() const { return fixture.key(); }
};

#ifdef _WIN32
using Stores = ::testing::Types<MemoryFixture, IniFixture, RegistryFixture>;
#else
using Stores = ::testing::Types<MemoryFixture, IniFixture>;
#endif
TYPED_TEST_SUITE(SettingsStoreTest, Stores);

TYPED_TEST(SettingsStoreTest, MissingValuesGiveTheFallback) {
    auto& s = this->store();
    EXPECT_FALSE(s.readString(this->key(), "Dialog", "Left").has_value());
    EXPECT_EQ(s.readString(this->key(), "Dialog", "Left", "x"), "x");
    EXPECT_EQ(s.readInteger(this->key(), "Dialog", "Left", -5), -5);
    EXPECT_TRUE(s.readBool(this->key(), "Dialog", "Shown", true));
    EXPECT_FALSE(s.valueExists(this->key(), "Dialog", "Left"));
    EXPECT_TRUE(s.valueNames(this->key(), "Dialog").empty());
}

TYPED_TEST(SettingsStoreTest, TypedValuesRoundTrip) {
    auto& s = this->store();
    s.writeString(this->key(), "Dialog", "Title", "Trace \"1\"; x=y");
    s.writeInteger(this->key(), "Dialog", "Left", -120);
    s.writeInteger(this->key(), "Dialog", "Mask", static_cast<std::int32_t>(0x80000000u));
    s.writeBool(this->key(), "Dialog", "Shown", false);
    EXPECT_EQ(s.readString(this->key(), "Dialog", "Title", ""), "Trace \"1\"; x=y");
    EXPECT_EQ(s.readInteger(this->key(), "Dialog", "Left", 0), -120);
    EXPECT_EQ(s.readInteger(this->key(), "Dialog", "Mask", 0), static_cast<std::int32_t>(0x80000000u));
    EXPECT_FALSE(s.readBool(this->key(), "Dialog", "Shown", true));
    s.writeString(this->key(), "Dialog", "Title", "");
    ASSERT_TRUE(s.readString(this->key(), "Dialog", "Title").has_value());
    EXPECT_EQ(*s.readString(this->key(), "Dialog", "Title"), "");
}

TYPED_TEST(SettingsStoreTest, SectionsAreSeparateAndRemovalIsPerValue) {
    auto& s = this->store();
    for (int i = 0; i < 3; ++i)
        s.writeString(this->key(), "History", "History" + std::to_string(i), "t" + std::to_string(i));
    s.writeString(this->key(), "Other", "History0", "elsewhere");
    s.remove(this->key(), "History", "History1");
    s.remove(this->key(), "History", "NotThere");
    s.remove(this->key(), "NoSection", "History0");
    auto names = s.valueNames(this->key(), "History");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"History0", "History2"}));
    EXPECT_EQ(s.readString(this->key(), "Other", "History0", ""), "elsewhere");
    EXPECT_EQ(s.readString(this->key(), "History", "History0", ""), "t0");
}

TYPED_TEST(SettingsStoreTest, ASecondInstanceSeesTheWrites) {
    auto& s = this->store();
    auto other = this->fixture.reopen();
    if (!other) GTEST_SKIP() << "kept in memory only";
    s.writeString(this->key(), "Dialog", "Left", "17");
    s.writeBool(this->key(), "Dialog", "Shown", true);
    EXPECT_EQ(other->readInteger(this->key(), "Dialog", "Left", 0), 17);
    EXPECT_TRUE(other->readBool(this->key(), "Dialog", "Shown", false));
}

#ifdef _WIN32
TEST(RegistrySettingsStore, SectionsAreSubkeysOfTheKeyPath) {
    EXPECT_EQ(RegistrySettingsStore::subkeyFor("Software\\Velmont\\VokWin\\7.3", "Trace"),
              "Software\\Velmont\\VokWin\\7.3\\Trace");
    EXPECT_EQ(RegistrySettingsStore::subkeyFor("\\Software/Velmont\\", ""), "Software\\Velmont");
}

// Values the other tools wrote as DWORDs read as numbers; our own integers
// are DWORDs too.
TEST(RegistrySettingsStore, IntegersAreDwords) {
    RegistryFixture f;
    auto& s = f.store();
    s.writeInteger(f.key(), "Dialog", "Top", 300);
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (f.key() + "\\Dialog").c_str(), 0, KEY_READ | KEY_SET_VALUE, &h),
              ERROR_SUCCESS);
    DWORD type = 0, value = 0, size = sizeof value;
    EXPECT_EQ(RegQueryValueExA(h, "Top", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 300u);
    const DWORD minus = 0xFFFFFFFEu;
    ASSERT_EQ(RegSetValueExA(h, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&minus), sizeof minus),
              ERROR_SUCCESS);
    const BYTE blob[] = {1, 2, 3};
    RegSetValueExA(h, "Blob", 0, REG_BINARY, blob, sizeof blob);
    RegCloseKey(h);
    EXPECT_EQ(s.readInteger(f.key(), "Dialog", "Width", 0), -2);
    EXPECT_FALSE(s.readString(f.key(), "Dialog", "Blob").has_value());
}

TEST(RegistrySettingsStore, DefaultSettingsAreTheRegistry) {
    EXPECT_NE(dynamic_cast<RegistrySettingsStore*>(&defaultSettings()), nullptr);
}
#endif

}  // namespace
}  // namespace tarvex::platform
