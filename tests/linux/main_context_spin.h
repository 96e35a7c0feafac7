#pragma once

#include <glib.h>

namespace pivora::test {

// Iterates `context` until `done()` holds, for at most ten seconds; whether
// it does.
template <typename Done>
bool spinUntil(GMainContext* context, Done done) {
    const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (!done()) {
        if (g_get_monotonic_time() > deadline) return false;
        if (!g_main_context_iteration(context, FALSE)) g_usleep(1000);
    }
    return true;
}

}  // namespace pivora::test
