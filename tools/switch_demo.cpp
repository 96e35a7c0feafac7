// Pivora's controller channel against the simulated switch, in a terminal:
// this computer sits on host A, the model plays the computer on host B. Every
// report written and delivered is printed with its virtual time.

#include <array>
#include <cstdio>

#include "controller/hid_report_channel.h"
#include "controller/port_masks.h"
#include "controller/reply_wait.h"
#include "controller/report_catalogue.h"
#include "platform/byte_order.h"
#include "sim/simulated_switch.h"

namespace {

using namespace pivora;

class PrintingTrace : public DiagnosticTrace {
public:
    explicit PrintingTrace(sim::VirtualClock& clock) : clock_(clock) {}

    void report(TraceChannel channel, const std::uint8_t* bytes, std::size_t length) override {
        const bool written = channel == TraceChannel::ReportsWritten;
        std::printf("[%6.3f s] %s %-14s", static_cast<double>(clock_.now()) / 1000.0,
                    written ? "A -> switch" : "A <- switch", length >= 2 ? reportCodeName(bytes[1]) : "(short)");
        for (std::size_t i = 0; i < length; ++i) std::printf(" %02X", bytes[i]);
        std::printf("\n");
    }
    void line(TraceChannel, const char* text) override { std::printf("%s", text); }

private:
    sim::VirtualClock& clock_;
};

void say(sim::VirtualClock& clock, const char* text) {
    std::printf("[%6.3f s] %s\n", static_cast<double>(clock.now()) / 1000.0, text);
}

}  // namespace

int main() {
    sim::SimulatedSwitch sw;
    sw.firmware.setFirmwareVersion(1, 2, 7);
    sw.firmware.setRawMask(0x08);  // port 3 on host B, ports 0..2 on host A
    sw.firmware.setPortId(3, {0x046D, 0xC52B});
    sw.firmware.playPeer(sim::Host::B);

    PrintingTrace trace(sw.clock);
    HidReportChannel channel(sw.hostA.interfaces, sw.hostA.hid, sw.clock, trace);
    channel.setReportLength(kControllerReportLength);
    int replyWaitCount = 0;
    std::array<std::uint8_t, kControllerReportLength> reply{};
    char text[160];

    say(sw.clock, "Pivora switch demo: this computer is on host A; the model plays host B.");
    const int found = channel.connectController();
    std::snprintf(text, sizeof text, "%d HID devices listed; controller %s", channel.enumerateDevices(),
                  found ? "found and opened" : "not found");
    say(sw.clock, text);
    if (!found || !channel.isOpen()) return 1;

    sendRequest(channel, infoQuery());
    if (!awaitReply(channel, sw.clock, code::InfoReply, 50, replyWaitCount, reply)) return 1;
    const int hostIndex = reply[5];
    std::snprintf(text, sizeof text, "firmware %.d.%d.%d, this computer is on host %c", reply[2], reply[3], reply[4],
                  static_cast<char>('A' + hostIndex));
    say(sw.clock, text);

    sendRequest(channel, statusQuery());
    if (!awaitReply(channel, sw.clock, code::StatusReply, 50, replyWaitCount, reply)) return 1;
    std::snprintf(text, sizeof text, "raw status %02X: ports here %02X", reply[2], ownedMaskFrom(reply[2], hostIndex));
    say(sw.clock, text);

    sendRequest(channel, storePortId(0x04, 0x04B4, 0x120D));
    sendRequest(channel, readPortId(0x04));
    if (!awaitReply(channel, sw.clock, code::PortIdReply, 20, replyWaitCount, reply)) return 1;
    std::snprintf(text, sizeof text, "slot 2 reads back %04X:%04X", readLe16(&reply[3]), readLe16(&reply[5]));
    say(sw.clock, text);

    sendRequest(channel, readPortId(0x08));
    if (!awaitReply(channel, sw.clock, code::PortIdReply, 50, replyWaitCount, reply)) return 1;
    std::snprintf(text, sizeof text, "slot 3 (host B's port) holds %04X:%04X", readLe16(&reply[3]),
                  readLe16(&reply[5]));
    say(sw.clock, text);

    say(sw.clock, "claiming port 3 from host B");
    sendRequest(channel, claimPorts(0x08));
    sw.clock.sleep(3000);  // host B grants, removes its devices and releases
    sendRequest(channel, statusQuery());
    if (!awaitReply(channel, sw.clock, code::StatusReply, 50, replyWaitCount, reply)) return 1;
    std::snprintf(text, sizeof text, "raw status %02X: ports here %02X", reply[2], ownedMaskFrom(reply[2], hostIndex));
    say(sw.clock, text);

    sendRequest(channel, signOff());
    channel.cancelPending();
    channel.close();
    say(sw.clock, "signed off and closed");
    return 0;
}
