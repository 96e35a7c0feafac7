#include "ui/button_images.h"

#include <array>
#include <utility>

#include "ui/art_scale.h"
#include "ui/resource_ids.h"

namespace pivora {

namespace {
// Indexed by style, then by port 0..3 (whose digits are 4, 3, 2, 1); the ids at 100 %.
constexpr std::array<std::array<std::uint32_t, ButtonImages::kPorts>, 3> kResources = {{
    {IDB_DIM_4, IDB_DIM_3, IDB_DIM_2, IDB_DIM_1},
    {IDB_LIT_4, IDB_LIT_3, IDB_LIT_2, IDB_LIT_1},
    {IDB_PENDING_4, IDB_PENDING_3, IDB_PENDING_2, IDB_PENDING_1},
}};

bool validPort(int port) { return port >= 0 && port < ButtonImages::kPorts; }
}  // namespace

ButtonImages::~ButtonImages() { release(); }

ButtonImages::ButtonImages(ButtonImages&& other) noexcept
    : windows_(other.windows_),
      percent_(std::exchange(other.percent_, 0)),
      images_(std::exchange(other.images_, {})) {}

ButtonImages& ButtonImages::operator=(ButtonImages&& other) noexcept {
    if (this != &other) {
        release();
        windows_ = other.windows_;
        percent_ = std::exchange(other.percent_, 0);
        images_ = std::exchange(other.images_, {});
    }
    return *this;
}

void ButtonImages::release() {
    for (auto& style : images_)
        for (OsHandle& bitmap : style)
            if (bitmap != nullptr) windows_->deleteBitmap(std::exchange(bitmap, nullptr));
}

void ButtonImages::load(int percent) {
    if (percent_ != 0) return;
    percent_ = percent;
    for (std::size_t style = 0; style < images_.size(); ++style)
        for (std::size_t port = 0; port < images_.at(style).size(); ++port)
            images_.at(style).at(port) = windows_->loadBitmap(bitmapAt(kResources.at(style).at(port), percent));
}

OsHandle ButtonImages::image(Style style, int port) const {
    return validPort(port) ? images_.at(static_cast<std::size_t>(style)).at(static_cast<std::size_t>(port)) : nullptr;
}

}  // namespace pivora
