#pragma once

#include <array>
#include <cstdint>

#include "platform/window_api.h"

namespace pivora {

// The twelve arrow images (dim, lit, pending for each port's digit), loaded
// once when the running instance sets up and shared by all eight buttons for
// the life of the window. Loading one per change would leak a GDI handle on
// every panel refresh.
class ButtonImages {
public:
    enum Style : int { Dim = 0, Lit = 1, Pending = 2 };
    static constexpr int kPorts = 4;

    explicit ButtonImages(WindowApi& windows) : windows_(windows) {}
    ~ButtonImages();
    ButtonImages(const ButtonImages&) = delete;
    ButtonImages& operator=(const ButtonImages&) = delete;

    // Loads all twelve; a second call changes nothing.
    void load();
    // The image of `style` for port 0..3, or nullptr before load() or for a port outside 0..3.
    OsHandle image(Style style, int port) const;

private:
    WindowApi& windows_;
    bool loaded_ = false;
    std::array<std::array<OsHandle, kPorts>, 3> images_{};
};

}  // namespace pivora
