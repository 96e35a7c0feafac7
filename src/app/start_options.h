#pragma once

namespace pivora {

// How the tray program was asked to start, read from its command line.
struct StartOptions {
    bool log = false;  // --log: the diagnostic log on
};

}  // namespace pivora
