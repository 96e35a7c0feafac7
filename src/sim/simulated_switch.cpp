#include "sim/simulated_switch.h"

namespace pivora::sim {

namespace {
constexpr const char* kKeyboardPath =
    "\\\\?\\hid#vid_046d&pid_c31c&mi_00#8&1b2f0a9d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

SimulatedSwitch::SimulatedSwitch(std::uint32_t startTick)
    : clock(startTick), firmware(clock), hostA(clock, &firmware, Host::A), hostB(clock, &firmware, Host::B) {
    for (Host host : {Host::A, Host::B}) computer(host).addDevice(kKeyboardPath, 0x046D, 0xC31C);
    controllerOnA = hostA.addController();
    controllerOnB = hostB.addController();
    firmware.connectOutlet([this](Host to, const WireReport& report) { computer(to).deliverInput(report); });
}

}  // namespace pivora::sim
