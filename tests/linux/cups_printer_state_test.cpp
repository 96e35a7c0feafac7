#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/cups_printer_state.h"
#include "platform/linux/state_folder.h"

namespace pivora {
namespace {

using Printers = std::vector<KnownPrinter>;

struct TextCase {
    const char* what;
    std::string text;
    Printers expected;
};

void PrintTo(const TextCase& c, std::ostream* out) { *out << c.what; }

class PrinterStateText : public ::testing::TestWithParam<TextCase> {};

TEST_P(PrinterStateText, KeepsOnlyWholeWellFormedLines) {
    EXPECT_EQ(PrinterStateFile::parse(GetParam().text), GetParam().expected);
}

const KnownPrinter kLaser{"Laser", 0x03F0, 0x1234};

INSTANTIATE_TEST_SUITE_P(
    Texts, PrinterStateText,
    ::testing::Values(
        TextCase{"two printers", "03F0:1234 Laser\n04a9:abcd Büro-Drucker\n",
                 {kLaser, {"Büro-Drucker", 0x04A9, 0xABCD}}},
        TextCase{"a cut last line", "03F0:1234 Laser\n04A9:22", {kLaser}},
        TextCase{"a last line without its newline", "03F0:1234 Laser", {}},
        TextCase{"binary", std::string("\x00\xff\n\x03\x04\n", 6), {}},
        TextCase{"bad hex, no colon, no name, no space", "03G0:1234 A\n03F01234 B\n03F0:1234 \n03F0:1234C\n", {}},
        TextCase{"short IDs", "3F0:1234 A\n03F0:234 B\n", {}},
        TextCase{"names CUPS would not take", "03F0:1234 La ser\n03F0:1234 La/ser\n03F0:1234 La#ser\n03F0:1234 Laser\r\n",
                 {}},
        TextCase{"a name too long", "03F0:1234 " + std::string(128, 'n') + "\n", {}},
        TextCase{"no device", "0000:0000 Laser\n", {}},
        TextCase{"a queue twice", "03F0:1234 Laser\n04A9:2222 Laser\n", {kLaser}},
        TextCase{"good lines among bad", "junk\n03F0:1234 Laser\n\n", {kLaser}}));

TEST(PrinterStateParse, ReadsAtMostItsCapOfPrinters) {
    std::string text;
    for (int index = 0; index < 300; ++index) text += "03F0:1234 Q" + std::to_string(index) + "\n";
    const Printers printers = PrinterStateFile::parse(text);
    ASSERT_EQ(printers.size(), PrinterStateFile::kMaxPrinters);
    EXPECT_EQ(printers.back().queue, "Q255");
    EXPECT_EQ(PrinterStateFile::format(printers), text.substr(0, text.find("03F0:1234 Q256")));
}

class PrinterStateFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "pivora-state-XXXXXX").string();
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    std::string root_;
};

TEST_F(PrinterStateFileTest, WritesIntoAPrivateFolderMadeOnTheWayAndReadsItBack) {
    const std::string folder = root_ + "/state/pivora";
    const PrinterStateFile file(folder);
    EXPECT_TRUE(file.read().empty());
    const Printers printers = {kLaser, {"Inkjet", 0x04A9, 0x2222}};
    ASSERT_TRUE(file.write(printers));
    EXPECT_EQ(file.read(), printers);
    EXPECT_EQ(file.readText(), "03F0:1234 Laser\n04A9:2222 Inkjet\n");

    struct stat status {};
    ASSERT_EQ(::stat(folder.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    // The temporary file went into place: the folder holds the file alone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}

// Whatever stands where the file should be reads as nothing, without
// waiting or following it; a write puts a file there when it can.
TEST_F(PrinterStateFileTest, ALinkLoopAFifoOrAFolderReadsAsNothing) {
    const PrinterStateFile file(root_);
    const std::string path = root_ + "/printers";

    ASSERT_EQ(::symlink(path.c_str(), path.c_str()), 0);
    EXPECT_TRUE(file.read().empty());
    ASSERT_TRUE(file.write({kLaser}));
    EXPECT_EQ(file.read(), Printers{kLaser});

    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_TRUE(file.read().empty());

    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    EXPECT_TRUE(file.read().empty());
    EXPECT_FALSE(file.write({kLaser}));
}

TEST_F(PrinterStateFileTest, AnOverLongFileIsReadOnlyUpToItsCap) {
    {
        std::ofstream out(root_ + "/printers");
        for (int index = 0; index < 20000; ++index) out << "03F0:1234 Q\n";
    }
    const PrinterStateFile file(root_);
    EXPECT_EQ(file.readText().size(), PrinterStateFile::kMaxBytes);
    EXPECT_EQ(file.read(), (Printers{{"Q", 0x03F0, 0x1234}}));
}

TEST(PrinterStateFolder, FollowsTheBaseDirectoryRules) {
    EXPECT_EQ(pivoraStateFolder("/x/state", "/home/u"), "/x/state/pivora");
    EXPECT_EQ(pivoraStateFolder(nullptr, "/home/u"), "/home/u/.local/state/pivora");
    EXPECT_EQ(pivoraStateFolder("", "/home/u"), "/home/u/.local/state/pivora");
    EXPECT_EQ(pivoraStateFolder("relative", "/home/u"), "/home/u/.local/state/pivora");
    EXPECT_EQ(pivoraStateFolder(nullptr, nullptr), "");
    EXPECT_EQ(pivoraStateFolder(nullptr, "relative"), "");
}

TEST(PrinterStateFolder, EmptyFolderKeepsNothing) {
    const PrinterStateFile file("");
    EXPECT_TRUE(file.read().empty());
    EXPECT_FALSE(file.write({kLaser}));
}

}  // namespace
}  // namespace pivora
