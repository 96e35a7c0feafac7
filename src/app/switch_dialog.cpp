#include "app/switch_dialog.h"

#include "ui/resource_ids.h"

namespace pivora {

SwitchDialog::SwitchDialog(ControlPort& control, WindowApi& windows)
    : appIcon(windows.loadIcon(IDI_APP)),
      control_(control),
      windows_(windows),
      buttonImages_(windows),
      panelView_(windows, buttonImages_),
      panelPictures_(windows) {}

void SwitchDialog::renderPanel() {
    const PanelState panel = control_.panel();
    panelView_.render(window, panel);
    // A device that refused removal: the user is told why the port stayed.
    if (panel.busyNotices != busyNoticesShown_ && busyNotice != nullptr)
        windows_.showWindow(busyNotice, win::kSwShow);
    busyNoticesShown_ = panel.busyNotices;
}

}  // namespace pivora
