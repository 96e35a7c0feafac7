#include "platform/linux/cups_connection.h"

#include <cerrno>
#include <cstring>

namespace pivora {

namespace {

// The control's thread waits for these, so they are short; the server is
// normally on this computer.
constexpr int kConnectTimeoutMs = 2000;
constexpr double kAnswerTimeoutSeconds = 5.0;

// Called by libcups when an answer is late: 0 gives up instead of waiting on.
int giveUp(http_t*, void*) { return 0; }

}  // namespace

std::string cupsServerName() {
    const std::string server = cupsServer();
    if (!server.empty() && server[0] == '/') return server;
    return server + ":" + std::to_string(ippPort());
}

CupsConnection connectToCupsServer(std::string& failure) {
    errno = 0;
    CupsConnection http(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeoutMs, nullptr));
    if (!http) {
        const int error = errno;
        char text[128] = "cannot connect";
        // The GNU strerror_r, safe on the control's thread: it returns the text.
        failure = error != 0 ? strerror_r(error, text, sizeof text) : text;
        return http;
    }
    httpSetTimeout(http.get(), kAnswerTimeoutSeconds, giveUp, nullptr);
    return http;
}

}  // namespace pivora
