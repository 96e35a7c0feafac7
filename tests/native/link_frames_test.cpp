#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "link/frame_assembler.h"
#include "link/frame_reader.h"
#include "link/frame_writer.h"
#include "link/record_rebase.h"

namespace pivora::link {
namespace {

TEST(LinkFrames, FramesCutAnywhereInTheStreamComeOutWhole) {
    FrameWriter first(MessageType::OpenKey);
    first.text("SYSTEM\\CurrentControlSet");
    FrameWriter second(MessageType::CloseKey);
    second.u64(0x0102030405060708u);
    std::vector<std::uint8_t> stream = first.finish();
    stream.insert(stream.end(), second.finish().begin(), second.finish().end());

    FrameAssembler assembler;
    std::vector<Frame> frames;
    for (const std::uint8_t byte : stream) {
        assembler.push(&byte, 1);
        for (Frame frame; assembler.next(frame) == FrameAssembler::Result::Ready;) frames.push_back(frame);
    }
    ASSERT_EQ(frames.size(), 2u);
    FrameReader text(frames[0]);
    EXPECT_EQ(text.text().value, "SYSTEM\\CurrentControlSet");
    EXPECT_TRUE(text.complete());
    FrameReader number(frames[1]);
    EXPECT_EQ(frames[1].type, static_cast<std::uint8_t>(MessageType::CloseKey));
    EXPECT_EQ(number.u64(), 0x0102030405060708u);
    EXPECT_TRUE(number.complete());
}

TEST(LinkFrames, AnArgumentOverItsBoundIsNeverSent) {
    std::vector<std::uint8_t> big(kMaxBufferBytes + 1, 0);
    FrameWriter buffer(MessageType::IoControl);
    buffer.buffer(big.data(), static_cast<std::uint32_t>(big.size()));
    buffer.finish();
    EXPECT_TRUE(buffer.overflowed());
    const std::string path(kMaxTextBytes + 1, 'a');
    FrameWriter text(MessageType::OpenHubDevice);
    text.text(path.c_str());
    text.finish();
    EXPECT_TRUE(text.overflowed());
}

// Two printer records as the simulator laid them out at `serverBase`: their
// pointers moved into this buffer keep their offsets, inside it or past it.
TEST(LinkFrames, ListPointersKeepTheirPlaceInTheCallersBuffer) {
    constexpr std::uint64_t kServerBase = 0x7f0000001000u;
    constexpr std::uint32_t kSize = 2 * printerinfo::kRecordSize + 32;
    std::array<std::uint8_t, kSize> buffer{};
    const auto put = [&buffer](std::uint32_t record, std::uint32_t field, std::uint64_t value) {
        const auto pointer = static_cast<std::uintptr_t>(value);
        std::memcpy(buffer.data() + record * printerinfo::kRecordSize + field, &pointer, sizeof pointer);
    };
    const auto get = [&buffer](std::uint32_t record, std::uint32_t field) {
        std::uintptr_t pointer = 0;
        std::memcpy(&pointer, buffer.data() + record * printerinfo::kRecordSize + field, sizeof pointer);
        return pointer;
    };
    put(0, printerinfo::kPrinterNameOffset, kServerBase + 2 * printerinfo::kRecordSize);
    put(0, printerinfo::kPortNameOffset, kServerBase + kSize + 64);  // past the end
    put(1, printerinfo::kPrinterNameOffset, kServerBase + 2 * printerinfo::kRecordSize + 16);

    rebasePointers(buffer.data(), kSize, kServerBase, 1, kPrinterRecords);

    const auto base = reinterpret_cast<std::uintptr_t>(buffer.data());
    EXPECT_EQ(get(0, printerinfo::kPrinterNameOffset), base + 2 * printerinfo::kRecordSize);
    EXPECT_EQ(get(0, printerinfo::kPortNameOffset), base + kSize + 64);
    EXPECT_EQ(get(0, 2 * sizeof(void*)), 0u) << "a null pointer stays null";
    EXPECT_EQ(get(1, printerinfo::kPrinterNameOffset), kServerBase + 2 * printerinfo::kRecordSize + 16)
        << "only the records the call returned are moved";
}

}  // namespace
}  // namespace pivora::link
