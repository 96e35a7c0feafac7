#include "ico_writer.h"

#include <stdexcept>

namespace pivora::art {

namespace {
constexpr std::uint32_t kDirectorySize = 6;
constexpr std::uint32_t kEntrySize = 16;

std::vector<std::uint8_t> encodeImage(const IconImage& image) {
    const Dib& dib = image.colours;
    if (dib.width > 256 || dib.height > 256) throw std::invalid_argument("icons are at most 256 pixels");
    std::vector<std::uint8_t> mask = packBits(image.transparent, dib.width, dib.height);
    ByteSink out;
    writeInfoHeader(out, dib, 2 * dib.height, static_cast<std::uint32_t>(dib.rows.size() + mask.size()));
    writePalette(out, dib);
    out.append(dib.rows);
    out.append(mask);
    return out.take();
}
}  // namespace

std::vector<std::uint8_t> encodeIco(const std::vector<IconImage>& images) {
    std::vector<std::vector<std::uint8_t>> encoded;
    for (const IconImage& image : images) encoded.push_back(encodeImage(image));

    ByteSink out;
    out.le16(0);
    out.le16(1);  // icon, not cursor
    out.le16(static_cast<std::uint16_t>(images.size()));
    auto offset = static_cast<std::uint32_t>(kDirectorySize + kEntrySize * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Dib& dib = images[i].colours;
        // 256 is stored as 0 in the one-byte fields.
        out.u8(static_cast<std::uint8_t>(dib.width));
        out.u8(static_cast<std::uint8_t>(dib.height));
        out.u8(static_cast<std::uint8_t>(dib.bitsPerPixel < 8 ? dib.palette.size() : 0));
        out.u8(0);
        out.le16(1);
        out.le16(static_cast<std::uint16_t>(dib.bitsPerPixel));
        out.le32(static_cast<std::uint32_t>(encoded[i].size()));
        out.le32(offset);
        offset += static_cast<std::uint32_t>(encoded[i].size());
    }
    for (const auto& image : encoded) out.append(image);
    return out.take();
}

}  // namespace pivora::art
