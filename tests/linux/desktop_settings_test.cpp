#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "platform/linux/desktop_settings.h"
#include "temporary_folder.h"

namespace pivora {

// For GoogleTest's messages, found beside the type.
static void PrintTo(const DesktopChoices& c, std::ostream* out) {
    *out << "{keys " << c.doubleTapKeys << ", notifications " << c.notifications << ", log " << c.log << "}";
}

namespace test {
namespace {

namespace fs = std::filesystem;

constexpr DesktopChoices kDefaults{};

class DesktopSettingsTest : public testing::Test {
protected:
    fs::path file() const { return temporary.path() / "config" / "pivora" / "settings.ini"; }

    TemporaryFolder temporary;
    DesktopSettings settings{file().string()};
};

// What may lie where the settings should be, and what each reads as: every
// key that cannot be read is its default, the others are kept.
struct StoredCase {
    const char* name;
    std::function<void(const fs::path& file)> arrange;
    DesktopChoices expected;
};

void stored(const fs::path& file, const std::string& text) { writeFile(file, text); }

class StoredSettingsTest : public DesktopSettingsTest, public testing::WithParamInterface<StoredCase> {};

TEST_P(StoredSettingsTest, ReadsEachKeyOrItsDefault) {
    GetParam().arrange(file());
    EXPECT_EQ(settings.read(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    WhatTheFileHolds, StoredSettingsTest,
    testing::Values(
        StoredCase{"Missing", [](const fs::path&) {}, kDefaults},
        StoredCase{"Empty", [](const fs::path& f) { stored(f, ""); }, kDefaults},
        StoredCase{"NotAKeyFile", [](const fs::path& f) { stored(f, "DoubleTapKeys=1\n\x01\x02 just bytes\n"); },
                   kDefaults},
        StoredCase{"AFolder", [](const fs::path& f) { fs::create_directories(f); }, kDefaults},
        StoredCase{"LongerThanAnySettings",
                   [](const fs::path& f) {
                       stored(f, "[Pivora]\nDoubleTapKeys=1\n#" + std::string(DesktopSettings::kMaxBytes, 'x') + "\n");
                   },
                   kDefaults},
        StoredCase{"AnotherGroup", [](const fs::path& f) { stored(f, "[Other]\nDoubleTapKeys=1\nLog=true\n"); },
                   kDefaults},
        StoredCase{"WrongTypes",
                   [](const fs::path& f) { stored(f, "[Pivora]\nDoubleTapKeys=NumLock\nNotifications=2\nLog=yes\n"); },
                   kDefaults},
        StoredCase{"KeysOutOfRange", [](const fs::path& f) { stored(f, "[Pivora]\nDoubleTapKeys=8\n"); }, kDefaults},
        StoredCase{"KeysNegative", [](const fs::path& f) { stored(f, "[Pivora]\nDoubleTapKeys=-1\n"); }, kDefaults},
        StoredCase{"KeysPastAnInteger",
                   [](const fs::path& f) { stored(f, "[Pivora]\nDoubleTapKeys=4294967297\n"); }, kDefaults},
        StoredCase{"Partial", [](const fs::path& f) { stored(f, "[Pivora]\nLog=true\n"); },
                   DesktopChoices{lock_keys::kAll, true, true}},
        StoredCase{"OneBadKeyAmongGoodOnes",
                   [](const fs::path& f) {
                       stored(f, "# mine\n[Pivora]\nDoubleTapKeys=0\nNotifications=false\nLog=on\n");
                   },
                   DesktopChoices{0, false, false}}),
    [](const testing::TestParamInfo<StoredCase>& c) { return std::string(c.param.name); });

TEST_F(DesktopSettingsTest, WhatIsWrittenReadsBackIntoAFolderMadeForIt) {
    const DesktopChoices choices[] = {{0, false, true},
                                      {lock_keys::kScrollLock, true, false},
                                      {lock_keys::kNumLock | lock_keys::kCapsLock, false, false},
                                      kDefaults};
    for (const DesktopChoices& written : choices) {
        ASSERT_TRUE(settings.write(written)) << testing::PrintToString(written);
        EXPECT_EQ(settings.read(), written);
    }
    struct stat folder {};
    ASSERT_EQ(::stat(file().parent_path().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u) << "the user's own";
}

TEST_F(DesktopSettingsTest, AWriteReplacesGarbageAndDropsBitsPastTheLockKeys) {
    writeFile(file(), "\x01\x02 not settings");
    ASSERT_TRUE(settings.write({0xF0 | lock_keys::kCapsLock, true, false}));
    EXPECT_EQ(settings.read(), (DesktopChoices{lock_keys::kCapsLock, true, false}));
    EXPECT_EQ(contentsOf(file()), "[Pivora]\nDoubleTapKeys=4\nNotifications=true\nLog=false\n");
}

TEST_F(DesktopSettingsTest, NowhereToWriteIsAFailureNotACrash) {
    writeFile(temporary.path() / "config", "a plain file where the folder should be");
    EXPECT_FALSE(settings.write(kDefaults));
    EXPECT_EQ(settings.read(), kDefaults);
    EXPECT_FALSE(DesktopSettings("").write(kDefaults));
    EXPECT_EQ(DesktopSettings("").read(), kDefaults);
}

TEST(DesktopSettingsFile, FollowsTheBaseDirectoryRules) {
    EXPECT_EQ(desktopSettingsFile("/x/config", "/home/u"), "/x/config/pivora/settings.ini");
    EXPECT_EQ(desktopSettingsFile(nullptr, "/home/u"), "/home/u/.config/pivora/settings.ini");
    EXPECT_EQ(desktopSettingsFile("", "/home/u"), "/home/u/.config/pivora/settings.ini");
    EXPECT_EQ(desktopSettingsFile("relative", "/home/u"), "/home/u/.config/pivora/settings.ini");
    EXPECT_EQ(desktopSettingsFile(nullptr, nullptr), "");
}

}  // namespace
}  // namespace test
}  // namespace pivora
