#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbus_mock.h"
#include "tray_session.h"

namespace pivora::test {

// One dbusmenu item as a panel reads it from GetLayout.
struct ShownItem {
    int id = 0;
    std::string type;  // "standard" or "separator"
    std::string label;
    bool enabled = true;
    std::string toggle;  // "checkmark" for a check item
    int state = 0;       // 1: checked
    std::vector<ShownItem> children;
};

const ShownItem* findLabel(const std::vector<ShownItem>& items, const std::string& label);

// A desktop panel that shows tray icons, as far as Pivora meets one: its
// StatusNotifierWatcher (python-dbusmock) on the tray's session bus, and
// the panel's own connection, which reads the registered item and its menu
// and clicks in it as a panel does.
class PanelStandIn {
public:
    PanelStandIn();
    bool running() const { return watcher_.running(); }

    // Waits until an item has registered, and takes it as the one to read.
    bool itemRegistered();
    const std::string& itemName() const { return itemName_; }

    GVariantHandle itemProperty(const char* property);
    std::string itemString(const char* property);
    // The menu as the panel shows it.
    std::vector<ShownItem> shownMenu();
    void click(int id);

private:
    std::string menuPath();

    DbusMock watcher_;
    GObjectHandle<GDBusConnection> panel_;
    std::string itemName_;
    std::string itemPath_;
};

}  // namespace pivora::test
