#include "platform/linux/cups_connection.h"

namespace pivora {

namespace {

// The control's thread waits for these, so they are short; the server is
// normally on this computer.
constexpr int kConnectTimeoutMs = 2000;
constexpr double kAnswerTimeoutSeconds = 2.0;

// Called by libcups when an answer is late: 0 gives up instead of waiting on.
int giveUp(http_t*, void*) { return 0; }

}  // namespace

std::string cupsServerName() {
    const std::string server = cupsServer();
    if (!server.empty() && server[0] == '/') return server;
    return server + ":" + std::to_string(ippPort());
}

CupsConnection connectToCupsServer(std::string& failure) {
    CupsConnection http(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeoutMs, nullptr));
    if (!http) {
        // libcups's own word for it; errno is gone by now.
        failure = cupsLastErrorString();
        return http;
    }
    httpSetTimeout(http.get(), kAnswerTimeoutSeconds, giveUp, nullptr);
    return http;
}

}  // namespace pivora
