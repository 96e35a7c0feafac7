#pragma once

#include <glib.h>
#include <libudev.h>

#include <functional>
#include <memory>

namespace pivora {

// Tells when a USB device or a hidraw node came or went, as udev announces
// it, on the default GLib main context: what WM_DEVICECHANGE is to the
// Windows program. Each burst of events read at once is one call.
class UdevWatch {
public:
    explicit UdevWatch(std::function<void()> changed);
    ~UdevWatch();
    UdevWatch(const UdevWatch&) = delete;
    UdevWatch& operator=(const UdevWatch&) = delete;

    // False when udev's events cannot be had (no udev in this system or
    // container): the control then learns of changes only on its ticks.
    bool start();

private:
    struct UdevRelease {
        void operator()(udev* context) const { udev_unref(context); }
    };
    struct MonitorRelease {
        void operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }
    };
    static gboolean onReadable(gint fd, GIOCondition condition, gpointer self);

    std::function<void()> changed_;
    std::unique_ptr<udev, UdevRelease> udev_;
    std::unique_ptr<udev_monitor, MonitorRelease> monitor_;
    guint source_ = 0;
};

}  // namespace pivora
