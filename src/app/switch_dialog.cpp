#include "app/switch_dialog.h"

#include <cstdio>
#include <utility>

#include "ui/resource_ids.h"

namespace pivora {

SwitchDialog::SwitchDialog(ControlPort& control, WindowApi& windows, UserRegistryApi& registry,
                           std::u16string exePath)
    : appIcon(windows.loadIcon(IDI_APP)),
      control_(control),
      windows_(windows),
      settings_(registry),
      startWithWindows_(registry, std::move(exePath)),
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
    // Every panel goes through, so that a move is told against the last one.
    if (const auto balloon = notices_.next(panel)) showBalloon(*balloon);
}

void SwitchDialog::showBalloon(const Balloon& balloon) {
    if (liveInstance != 1 || !settings_.notifications()) return;
    TrayIconRecord record = trayIcon;
    record.flags = win::kNifInfo;
    (void)std::snprintf(record.infoTitle, sizeof record.infoTitle, "%s", balloon.title.c_str());
    (void)std::snprintf(record.info, sizeof record.info, "%s", balloon.text.c_str());
    record.infoFlags = balloon.kind == Balloon::Warning ? win::kNiifWarning : win::kNiifInfo;
    windows_.modifyTrayIcon(record);
}

}  // namespace pivora
