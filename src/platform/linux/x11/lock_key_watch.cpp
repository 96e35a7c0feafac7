#include "platform/linux/x11/lock_key_watch.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <glib-unix.h>
#include <glib.h>

#include <utility>

#include "settings/lock_keys.h"

namespace pivora {

namespace {

// The virtual key LockKeyDoubleTap knows a lock key by; 0 for other keys.
std::uint32_t virtualKeyOf(KeySym key) {
    switch (key) {
        case XK_Num_Lock:
            return LockKeyDoubleTap::kNumLock;
        case XK_Scroll_Lock:
            return LockKeyDoubleTap::kScrollLock;
        case XK_Caps_Lock:
            return LockKeyDoubleTap::kCapsLock;
        default:
            return 0;
    }
}

void removeSource(guint& source) {
    if (source != 0) g_source_remove(source);
    source = 0;
}

}  // namespace

struct LockKeyWatch::Connection {
    explicit Connection(Display* opened) : display(opened) {}
    ~Connection() {
        removeSource(reading);
        removeSource(draining);
        XCloseDisplay(display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* display;
    int xinputOpcode = 0;
    guint reading = 0;   // the connection's fd on the main context
    guint draining = 0;  // events Xlib took in while waiting for a reply, which the fd will not announce
};

LockKeyWatch::LockKeyWatch(std::function<void()> doubleTapped) : doubleTapped_(std::move(doubleTapped)) {}

LockKeyWatch::~LockKeyWatch() = default;

bool LockKeyWatch::start(const char* displayName) {
    connection_.reset();
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) return false;
    auto connection = std::make_unique<Connection>(display);
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", &connection->xinputOpcode, &event, &error)) return false;
    // 2.2 asked for: raw events then come even while another client holds
    // a grab. A server that offers less answers with what it has.
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2) return false;

    connection->reading = g_unix_fd_add(
        ConnectionNumber(display), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
        [](gint, GIOCondition condition, gpointer self) -> gboolean {
            auto* watch = static_cast<LockKeyWatch*>(self);
            // The server went away: Xlib would end the process on the next
            // read, so the watch stops here instead.
            if ((condition & (G_IO_HUP | G_IO_ERR)) != 0) {
                watch->connection_->reading = 0;
                return G_SOURCE_REMOVE;
            }
            watch->readEvents();
            return G_SOURCE_CONTINUE;
        },
        this);
    connection_ = std::move(connection);
    selectRawKeys();
    return true;
}

void LockKeyWatch::arm(std::uint32_t lockKeys) {
    armed_ = lockKeys & lock_keys::kAll;
    tap_.arm(armed_);
    selectRawKeys();
}

void LockKeyWatch::selectRawKeys() {
    if (!connection_ || connection_->reading == 0) return;
    Display* display = connection_->display;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (armed_ != 0) {
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
    }
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    // Done before any key typed after arm() returns; the round trip may
    // queue events inside Xlib, which the fd no longer announces.
    XSync(display, False);
    if (XQLength(display) > 0 && connection_->draining == 0) {
        connection_->draining = g_idle_add(
            [](gpointer self) -> gboolean {
                auto* watch = static_cast<LockKeyWatch*>(self);
                watch->connection_->draining = 0;
                watch->readEvents();
                return G_SOURCE_REMOVE;
            },
            this);
    }
}

void LockKeyWatch::readEvents() {
    Display* display = connection_->display;
    while (XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            continue;
        }
        XGenericEventCookie& cookie = event.xcookie;
        if (cookie.type != GenericEvent || cookie.extension != connection_->xinputOpcode ||
            !XGetEventData(display, &cookie))
            continue;
        if (cookie.evtype == XI_RawKeyPress || cookie.evtype == XI_RawKeyRelease) {
            const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
            const KeySym key = XkbKeycodeToKeysym(display, static_cast<KeyCode>(raw->detail), 0, 0);
            const std::uint32_t flags = cookie.evtype == XI_RawKeyRelease ? LockKeyDoubleTap::kKeyReleased : 0;
            // X's time stamps are milliseconds on a 32-bit clock, as the
            // double tap's own are.
            const auto time = static_cast<std::uint32_t>(raw->time);
            const bool tapped = armed_ != 0 && tap_.onKeyEvent(virtualKeyOf(key), flags, time);
            XFreeEventData(display, &cookie);
            if (tapped && doubleTapped_) doubleTapped_();
            continue;
        }
        XFreeEventData(display, &cookie);
    }
}

}  // namespace pivora
