#pragma once

#include <gtest/gtest.h>

#include "computer_on_switch.h"

namespace pivora::test {

class OneComputer : public ::testing::Test, public ComputerOnSwitch {
protected:
    explicit OneComputer(sim::Host host = sim::Host::A) : ComputerOnSwitch(host) {}
};

}  // namespace pivora::test
