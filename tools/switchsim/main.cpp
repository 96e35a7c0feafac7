// switchsim <port>: the simulated switch for two copies of the simulated
// build, on 127.0.0.1:<port> (0: a free port). Prints "listening <port>",
// then answers the console commands read from standard input (console.cpp).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "console_words.h"
#include "switch_server.h"

int main(int argc, char** argv) {
    using pivora::switchsim::SwitchServer;
    const std::optional<std::uint32_t> port = argc == 2 ? pivora::switchsim::parseNumber(argv[1], 65535) : std::nullopt;
    if (!port) {
        std::fprintf(stderr, "usage: switchsim <port>  (0 picks a free port)\n");
        return 2;
    }
    std::unique_ptr<SwitchServer> server = SwitchServer::listen(static_cast<std::uint16_t>(*port));
    if (!server) {
        std::fprintf(stderr, "switchsim: cannot listen on 127.0.0.1:%u\n", static_cast<unsigned>(*port));
        return 1;
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
