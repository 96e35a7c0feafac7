#pragma once

#include <gio/gio.h>

#include <memory>

namespace pivora {

// GLib's objects held the C++ way: each released by its own call when its
// holder goes.
struct GObjectRelease {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GVariantRelease {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
struct GErrorRelease {
    void operator()(GError* error) const { g_error_free(error); }
};
struct GFreeRelease {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct GMainLoopRelease {
    void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};

template <typename T>
using GObjectHandle = std::unique_ptr<T, GObjectRelease>;
using GVariantHandle = std::unique_ptr<GVariant, GVariantRelease>;
using GErrorHandle = std::unique_ptr<GError, GErrorRelease>;
using GCharHandle = std::unique_ptr<gchar, GFreeRelease>;
using GMainLoopHandle = std::unique_ptr<GMainLoop, GMainLoopRelease>;

}  // namespace pivora
