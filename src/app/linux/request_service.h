#pragma once

#include <gio/gio.h>

#include <functional>

#include "remote/remote_request.h"

namespace pivora {

// Answers the command line's requests on the session bus, as the window's
// WM_COPYDATA does on Windows. Any program of the session may call it: the
// arguments are checked (verb, port) and anything else answered with an
// error, never handed on. Calls are answered on the thread running the
// default GLib main context.
class RequestService {
public:
    // `answer` decides a request and starts what it asks for, at once;
    // `show`, if given, brings up the window and says whether there is one.
    RequestService(GDBusConnection* bus, std::function<RemoteAnswer(const RemoteRequest&)> answer,
                   std::function<bool()> show = nullptr);
    ~RequestService();
    RequestService(const RequestService&) = delete;
    RequestService& operator=(const RequestService&) = delete;

    // Takes the name the command line asks for: true once this program owns
    // it, false when another Pivora holds it already or the bus refused.
    bool start();

private:
    static void onCall(GDBusConnection* bus, const gchar* sender, const gchar* path, const gchar* interface,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer self);

    GDBusConnection* bus_;
    std::function<RemoteAnswer(const RemoteRequest&)> answer_;
    std::function<bool()> show_;
    guint registration_ = 0;
    bool ownsName_ = false;
};

}  // namespace pivora
