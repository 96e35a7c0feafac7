#include "ui/panel_pictures.h"

#include "ui/art_scale.h"
#include "ui/resource_ids.h"

namespace pivora {

namespace {
struct Picture {
    int control;
    std::uint32_t bitmap;  // at 100 %
};
constexpr std::array<Picture, 3> kPanelPictures = {{
    {IDC_THIS_COMPUTER_PICTURE, IDB_THIS_COMPUTER},
    {IDC_OTHER_COMPUTER_PICTURE, IDB_OTHER_COMPUTER},
    {IDC_BANNER_PICTURE, IDB_BANNER},
}};
}  // namespace

PanelPictures::~PanelPictures() {
    for (OsHandle bitmap : shown_)
        if (bitmap != nullptr) windows_.deleteBitmap(bitmap);
}

void PanelPictures::show(OsHandle window, int percent) {
    if (percent == percent_) return;
    percent_ = percent;
    for (std::size_t index = 0; index < kPanelPictures.size(); ++index) {
        const Picture& picture = kPanelPictures.at(index);
        const OsHandle bitmap = windows_.loadBitmap(bitmapAt(picture.bitmap, percent));
        const OsHandle replaced = windows_.setPictureImage(window, picture.control, bitmap);
        if (replaced != nullptr) windows_.deleteBitmap(replaced);
        shown_.at(index) = bitmap;
    }
}

}  // namespace pivora
