// switchsim <port> [--linux A|B]: the simulated switch for two computers, on
// 127.0.0.1:<port> (0: a free port) for the simulated build of the Windows
// program. With --linux, that computer is a Linux computer instead, for the
// Linux program's own backends (linux_computer.h); switchsim then runs under
// umockdev-wrapper. Prints "listening <port>", then answers the console
// commands read from standard input (console.cpp).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "console_words.h"
#include "switch_server.h"

int main(int argc, char** argv) {
    using pivora::switchsim::SwitchServer;
    const bool asLinux = argc == 4 && std::string(argv[2]) == "--linux";
    const std::optional<std::uint32_t> port =
        argc == 2 || asLinux ? pivora::switchsim::parseNumber(argv[1], 65535) : std::nullopt;
    const std::optional<pivora::sim::Host> linuxHost =
        asLinux ? pivora::switchsim::parseHost(argv[3]) : std::nullopt;
    if (!port || (asLinux && !linuxHost)) {
        std::fprintf(stderr, "usage: switchsim <port> [--linux A|B]  (port 0 picks a free port)\n");
        return 2;
    }
    std::unique_ptr<SwitchServer> server = SwitchServer::listen(static_cast<std::uint16_t>(*port));
    if (!server) {
        std::fprintf(stderr, "switchsim: cannot listen on 127.0.0.1:%u\n", static_cast<unsigned>(*port));
        return 1;
    }
    if (linuxHost) {
        const std::string why = server->serveLinux(*linuxHost);
        if (!why.empty()) {
            std::fprintf(stderr, "switchsim: host %s cannot be a Linux computer: %s\n", argv[3], why.c_str());
            return 1;
        }
    }
    std::cout << "listening " << server->port() << std::endl;
    std::thread serving([&server] { server->run(); });
    // Without standard input the simulator serves on until it is killed.
    for (std::string line; std::getline(std::cin, line);) {
        const std::string answer = server->execute(line);
        std::cout << answer << std::endl;
        if (answer == "ok quitting") break;
    }
    serving.join();
    return 0;
}
