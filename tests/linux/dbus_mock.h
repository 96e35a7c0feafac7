#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "main_context_spin.h"
#include "sim/linux/dbus_mock.h"

namespace pivora::test {

using sim::PrivateBus;

// A python-dbusmock service whose failures fail the test.
class DbusMock : public sim::DbusMock {
public:
    DbusMock(const PrivateBus& bus, std::string busName, const std::vector<std::string>& arguments)
        : sim::DbusMock(bus, std::move(busName), arguments, [](const std::string& why) { ADD_FAILURE() << why; }) {}
};

}  // namespace pivora::test
