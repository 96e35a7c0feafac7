#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/start_with_windows.h"
#include "settings/user_settings.h"
#include "fake_user_registry.h"

namespace pivora::test {
namespace {

const std::u16string kSettings = UserSettings::kKeyPath;
const std::u16string kRun = StartWithWindows::kRunKeyPath;

std::vector<std::uint8_t> dword(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::vector<std::uint8_t> utf16(const std::u16string& text, bool terminated) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

struct StoredValue {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
};

class SettingsFromGarbage : public ::testing::TestWithParam<StoredValue> {};

// Whatever another program or a hand in regedit left there, each setting
// reads as its default.
TEST_P(SettingsFromGarbage, ReadAsTheDefaults) {
    FakeUserRegistry registry;
    for (const char16_t* name : {u"DoubleTapKeys", u"Notifications", u"Log"})
        registry.put(kSettings, name, GetParam().type, GetParam().bytes);
    const UserSettings settings(registry);
    EXPECT_EQ(settings.doubleTapKeys(), lock_keys::kAll);
    EXPECT_TRUE(settings.notifications());
    EXPECT_FALSE(settings.logging());
    EXPECT_EQ(registry.opened, registry.closed);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsFromGarbage,
    ::testing::Values(StoredValue{"OutOfRange", kRegDword, dword(8)}, StoredValue{"Huge", kRegDword, dword(0xFFFFFFFF)},
                      StoredValue{"AString", kRegStringValue, utf16(u"1", true)},
                      StoredValue{"ShortDword", kRegDword, {1, 0}}, StoredValue{"LongDword", kRegDword, {1, 0, 0, 0, 0}},
                      StoredValue{"Empty", kRegDword, {}}, StoredValue{"Binary", 3, {1, 0, 0, 0}}),
    [](const auto& value) { return std::string(value.param.name); });

TEST(UserSettings, ReadDefaultsWithoutAKeyAndBackWhatWasWritten) {
    FakeUserRegistry registry;
    UserSettings settings(registry);
    EXPECT_EQ(settings.doubleTapKeys(), lock_keys::kAll);
    EXPECT_TRUE(registry.keys.empty()) << "reading creates nothing";

    ASSERT_TRUE(settings.setDoubleTapKeys(lock_keys::kScrollLock));
    ASSERT_TRUE(settings.setNotifications(false));
    ASSERT_TRUE(settings.setLogging(true));
    EXPECT_EQ(settings.doubleTapKeys(), lock_keys::kScrollLock);
    EXPECT_FALSE(settings.notifications());
    EXPECT_TRUE(settings.logging());
    // "Off" is a value of its own, not a missing one.
    ASSERT_TRUE(settings.setDoubleTapKeys(0));
    EXPECT_EQ(settings.doubleTapKeys(), 0u);

    registry.refuseWrites = true;
    EXPECT_FALSE(settings.setNotifications(true));
    EXPECT_FALSE(settings.notifications());
    EXPECT_EQ(registry.opened, registry.closed);
}

TEST(StartWithWindows, WritesTheQuotedPathAndRemovesIt) {
    FakeUserRegistry registry;
    StartWithWindows start(registry, u"C:\\Users\\Zoë\\Pivora\\pivora.exe");
    EXPECT_FALSE(start.enabled());
    ASSERT_TRUE(start.set(true));
    const auto* value = registry.find(kRun, u"Pivora");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, kRegStringValue);
    EXPECT_EQ(value->bytes, utf16(u"\"C:\\Users\\Zoë\\Pivora\\pivora.exe\"", true));
    EXPECT_TRUE(start.enabled());

    ASSERT_TRUE(start.set(false));
    EXPECT_EQ(registry.find(kRun, u"Pivora"), nullptr);
    EXPECT_FALSE(start.enabled());
    EXPECT_TRUE(start.set(false)) << "nothing to remove is no failure";
    EXPECT_EQ(registry.opened, registry.closed);
}

TEST(StartWithWindows, AnEntryForAnotherPathOrOfAnotherShapeIsNotThisExe) {
    const std::u16string exe = u"C:\\Tools\\pivora.exe";
    const struct {
        const char* what;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        bool enabled;
    } cases[] = {
        {"the same path in other case", kRegStringValue, utf16(u"\"c:\\tools\\PIVORA.EXE\"", true), true},
        {"no terminator", kRegStringValue, utf16(u"\"C:\\Tools\\pivora.exe\"", false), true},
        {"the exe moved", kRegStringValue, utf16(u"\"D:\\Old\\pivora.exe\"", true), false},
        {"unquoted", kRegStringValue, utf16(exe, true), false},
        {"an odd byte count", kRegStringValue, {0x22, 0}, false},
        {"a number", kRegDword, dword(1), false},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        FakeUserRegistry registry;
        registry.put(kRun, u"Pivora", entry.type, entry.bytes);
        StartWithWindows start(registry, exe);
        EXPECT_EQ(start.enabled(), entry.enabled);
        // Choosing the item when it shows unchecked writes this exe's path.
        if (!entry.enabled) {
            ASSERT_TRUE(start.set(true));
            EXPECT_TRUE(start.enabled());
        }
    }
}

}  // namespace
}  // namespace pivora::test
