#include "palette.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>

namespace pivora::art {

const std::vector<Rgb>& vgaPalette() {
    static const std::vector<Rgb> colours = {
        rgb(0x000000), rgb(0x800000), rgb(0x008000), rgb(0x808000), rgb(0x000080), rgb(0x800080),
        rgb(0x008080), rgb(0xC0C0C0), rgb(0x808080), rgb(0xFF0000), rgb(0x00FF00), rgb(0xFFFF00),
        rgb(0x0000FF), rgb(0xFF00FF), rgb(0x00FFFF), rgb(0xFFFFFF),
    };
    return colours;
}

namespace {

struct Tally {
    Rgb colour;
    long count;
};

int channel(Rgb c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; }

std::uint32_t key(Rgb c) { return static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b; }

// A run of tallies that will become one palette entry.
struct Box {
    std::vector<Tally> tallies;
    long total = 0;
    int axis = 0;  // the channel with the widest spread
    int spread = 0;

    explicit Box(std::vector<Tally> t) : tallies(std::move(t)) {
        for (const Tally& tally : tallies) total += tally.count;
        for (int a = 0; a < 3; ++a) {
            int lo = 255;
            int hi = 0;
            for (const Tally& tally : tallies) {
                lo = std::min(lo, channel(tally.colour, a));
                hi = std::max(hi, channel(tally.colour, a));
            }
            if (hi - lo > spread) {
                spread = hi - lo;
                axis = a;
            }
        }
    }

    Rgb mean() const {
        std::array<long, 3> sums{};
        for (const Tally& tally : tallies)
            for (int a = 0; a < 3; ++a) sums[static_cast<std::size_t>(a)] += channel(tally.colour, a) * tally.count;
        auto average = [&](int a) {
            return static_cast<std::uint8_t>((sums[static_cast<std::size_t>(a)] + total / 2) / total);
        };
        return Rgb{average(0), average(1), average(2)};
    }
};

std::vector<Rgb> medianCut(std::vector<Tally> tallies, int boxesWanted) {
    std::vector<Box> boxes;
    boxes.emplace_back(std::move(tallies));
    while (static_cast<int>(boxes.size()) < boxesWanted) {
        // Split where it costs most to keep one colour: many pixels over a wide spread.
        std::size_t worst = boxes.size();
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].tallies.size() < 2) continue;
            if (worst == boxes.size() || boxes[i].total * boxes[i].spread > boxes[worst].total * boxes[worst].spread)
                worst = i;
        }
        if (worst == boxes.size()) break;

        std::vector<Tally> run = std::move(boxes[worst].tallies);
        int axis = boxes[worst].axis;
        long total = boxes[worst].total;
        std::sort(run.begin(), run.end(), [axis](const Tally& a, const Tally& b) {
            int ca = channel(a.colour, axis);
            int cb = channel(b.colour, axis);
            return ca != cb ? ca < cb : key(a.colour) < key(b.colour);
        });
        std::size_t cut = 1;
        long below = run[0].count;
        while (cut + 1 < run.size() && 2 * below < total) below += run[cut++].count;
        std::vector<Tally> upper(run.begin() + static_cast<std::ptrdiff_t>(cut), run.end());
        run.resize(cut);
        boxes[worst] = Box(std::move(run));
        boxes.emplace_back(std::move(upper));
    }
    std::vector<Rgb> colours;
    for (const Box& box : boxes) colours.push_back(box.mean());
    return colours;
}

long distance(Rgb a, Rgb b) {
    long dr = a.r - b.r;
    long dg = a.g - b.g;
    long db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

std::vector<Rgb> choosePalette(const std::vector<Rgb>& pixels, const std::vector<Rgb>& fixed, int maxColours) {
    int room = maxColours - static_cast<int>(fixed.size());
    if (room < 0) throw std::invalid_argument("more fixed colours than palette entries");

    std::map<std::uint32_t, Tally> counts;  // ordered, so the result never depends on hashing
    for (Rgb c : pixels) {
        if (std::find(fixed.begin(), fixed.end(), c) != fixed.end()) continue;
        auto [it, added] = counts.try_emplace(key(c), Tally{c, 0});
        (void)added;
        ++it->second.count;
    }

    std::vector<Rgb> palette = fixed;
    if (static_cast<int>(counts.size()) <= room) {
        for (const auto& entry : counts) palette.push_back(entry.second.colour);
        return palette;
    }
    std::vector<Tally> tallies;
    for (const auto& entry : counts) tallies.push_back(entry.second);
    for (Rgb c : medianCut(std::move(tallies), room)) palette.push_back(c);
    return palette;
}

IndexedImage toIndexed(const Canvas& canvas, const std::vector<Rgb>& palette) {
    if (palette.empty() || palette.size() > 256) throw std::invalid_argument("palette needs 1 to 256 colours");
    IndexedImage image;
    image.width = canvas.width();
    image.height = canvas.height();
    image.palette = palette;
    std::map<std::uint32_t, std::uint8_t> nearest;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            Rgb c = canvas.at(x, y);
            auto found = nearest.find(key(c));
            if (found == nearest.end()) {
                std::size_t best = 0;
                for (std::size_t i = 1; i < palette.size(); ++i)
                    if (distance(c, palette[i]) < distance(c, palette[best])) best = i;
                found = nearest.emplace(key(c), static_cast<std::uint8_t>(best)).first;
            }
            image.indices.push_back(found->second);
        }
    return image;
}

}  // namespace pivora::art
