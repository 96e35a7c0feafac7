#include "bmp_writer.h"

namespace pivora::art {

namespace {
constexpr std::uint32_t kFileHeaderSize = 14;
}

std::vector<std::uint8_t> encodeBmp(const Dib& dib) {
    auto pixelOffset = static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + 4 * dib.palette.size());
    auto imageBytes = static_cast<std::uint32_t>(dib.rows.size());
    ByteSink out;
    out.u8('B');
    out.u8('M');
    out.le32(pixelOffset + imageBytes);
    out.le16(0);
    out.le16(0);
    out.le32(pixelOffset);
    writeInfoHeader(out, dib, dib.height, imageBytes);
    writePalette(out, dib);
    out.append(dib.rows);
    return out.take();
}

}  // namespace pivora::art
