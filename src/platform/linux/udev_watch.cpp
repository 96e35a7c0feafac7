#include "platform/linux/udev_watch.h"

#include <glib-unix.h>

#include <utility>

namespace pivora {

namespace {
struct DeviceRelease {
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
}  // namespace

UdevWatch::UdevWatch(std::function<void()> changed) : changed_(std::move(changed)) {}

UdevWatch::~UdevWatch() {
    if (source_ != 0) g_source_remove(source_);
}

bool UdevWatch::start() {
    udev_.reset(udev_new());
    if (!udev_) return false;
    monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "usb", "usb_device") < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_.get()) < 0) {
        monitor_.reset();
        return false;
    }
    source_ = g_unix_fd_add(udev_monitor_get_fd(monitor_.get()), G_IO_IN, onReadable, this);
    return source_ != 0;
}

gboolean UdevWatch::onReadable(gint, GIOCondition, gpointer self) {
    auto* watch = static_cast<UdevWatch*>(self);
    // The monitor's socket is non-blocking: read until it is empty.
    bool any = false;
    while (std::unique_ptr<udev_device, DeviceRelease>(udev_monitor_receive_device(watch->monitor_.get())))
        any = true;
    if (any) watch->changed_();
    return G_SOURCE_CONTINUE;
}

}  // namespace pivora
