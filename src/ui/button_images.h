#pragma once

#include <array>
#include <cstdint>

#include "platform/window_api.h"

namespace pivora {

// The twelve arrow images (dim, lit, pending for each port's digit) at one
// scale, loaded once when the running instance sets up, and again when the
// window moves to a monitor of another scale; shared by all eight buttons.
// Loading one per change would leak a GDI handle on every panel refresh.
class ButtonImages {
public:
    enum Style : int { Dim = 0, Lit = 1, Pending = 2 };
    static constexpr int kPorts = 4;

    explicit ButtonImages(WindowApi& windows) : windows_(&windows) {}
    // Deletes the images it holds: no button may show them any more.
    ~ButtonImages();
    ButtonImages(const ButtonImages&) = delete;
    ButtonImages& operator=(const ButtonImages&) = delete;
    // Hands the images over; the object moved from holds none, as before load().
    ButtonImages(ButtonImages&& other) noexcept;
    ButtonImages& operator=(ButtonImages&& other) noexcept;

    // Loads all twelve drawn at `percent` (100, 125, 150 or 200); a second
    // call changes nothing.
    void load(int percent = 100);
    // The scale of the images held; 0 before load().
    int percent() const { return percent_; }
    // The image of `style` for port 0..3, or nullptr before load() or for a port outside 0..3.
    OsHandle image(Style style, int port) const;

private:
    void release();

    WindowApi* windows_;
    int percent_ = 0;
    std::array<std::array<OsHandle, kPorts>, 3> images_{};
};

}  // namespace pivora
