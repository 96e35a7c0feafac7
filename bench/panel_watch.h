#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "message_queue_window.h"
#include "sim/host.h"
#include "ui/button_images.h"
#include "ui/port_rows.h"

namespace pivora::bench {

// Follows the arrow images one window shows, from its recorded calls: which
// image each button has, and when the panel last changed.
class PanelWatch {
public:
    explicit PanelWatch(const test::MessageQueueWindow& window) : window_(window) {}

    // Replays the calls made up to virtual time `time`; returns the time of
    // the last one among them that changed an image, or `since` if none did
    // after it.
    std::uint64_t lastChangeUntil(std::uint64_t since, std::uint64_t time) {
        std::uint64_t last = since;
        const auto& calls = window_.timedCalls();
        for (; next_ < calls.size() && calls[next_].time <= time; ++next_) {
            int button = 0;
            int bitmap = 0;
            if (std::sscanf(calls[next_].line.c_str(), "setButtonImage %d %d", &button, &bitmap) != 2) continue;
            int& shown = images_[button];
            if (shown == bitmap) continue;
            shown = bitmap;
            if (calls[next_].time > last) last = calls[next_].time;
        }
        return last;
    }

    // Whether the panel shows `ports` as they are owned: each port's lit
    // arrow on the side of the computer that holds it.
    bool showsOwners(sim::Host self, std::uint8_t rawMask, std::uint8_t ports) const {
        for (int port = 0; port < ButtonImages::kPorts; ++port) {
            if ((ports & (1u << port)) == 0) continue;
            const bool onB = (rawMask & (1u << port)) != 0;
            const bool here = onB == (self == sim::Host::B);
            const PortRow& row = kPortRows.at(static_cast<std::size_t>(port));
            if (imageOf(row.claimButton) != bitmapOf(here ? ButtonImages::Lit : ButtonImages::Dim, port) ||
                imageOf(row.releaseButton) != bitmapOf(here ? ButtonImages::Dim : ButtonImages::Lit, port))
                return false;
        }
        return true;
    }

private:
    int imageOf(int button) const {
        const auto found = images_.find(button);
        return found == images_.end() ? 0 : found->second;
    }
    // The resource id the recording window names an image by, loaded once.
    static int bitmapOf(ButtonImages::Style style, int port) {
        static const auto ids = [] {
            test::RecordingWindow loader;
            ButtonImages images(loader);
            images.load();
            std::array<std::array<int, ButtonImages::kPorts>, 3> found{};
            for (const auto kind : {ButtonImages::Dim, ButtonImages::Lit, ButtonImages::Pending})
                for (int index = 0; index < ButtonImages::kPorts; ++index)
                    found.at(kind).at(static_cast<std::size_t>(index)) = static_cast<int>(
                        reinterpret_cast<std::uintptr_t>(images.image(kind, index)) -
                        test::RecordingWindow::kBitmapBase);
            return found;
        }();
        return ids.at(style).at(static_cast<std::size_t>(port));
    }

    const test::MessageQueueWindow& window_;
    std::size_t next_ = 0;
    std::map<int, int> images_;
};

}  // namespace pivora::bench
