#include "app/switch_dialog.h"

#include "ui/resource_ids.h"

namespace pivora {

SwitchDialog::SwitchDialog(Platform& platform, WindowApi& windows)
    : usbTopology(platform.interfaces, platform.hubs),
      channel(platform.interfaces, platform.hid, platform.clock, platform.trace),
      printerGuard(platform.spooler, platform.registry),
      appIcon(windows.loadIcon(IDI_APP)),
      buttonImages(windows),
      deferredReports(platform.trace),
      platform_(platform),
      windows_(windows) {}

}  // namespace pivora
