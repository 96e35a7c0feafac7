#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace pivora {

// The real clock: Sleep and GetTickCount on the calling thread.
class Win32Clock : public Clock {
public:
    void sleep(std::uint32_t ms) override;
    std::uint32_t tickCount() override;
};

}  // namespace pivora
