#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "switch_dialog_fixture.h"

namespace pivora::test {
namespace {

// Every control field, so a test sees what an event touched and what it left.
struct Fields {
    int controllerOpen, hubReady, hubKind, hostIndex, ownedMask, pendingAction, claimMask, keepAliveCountdown,
        idsLoaded, slotsInUse;
    bool channelOpen;

    static Fields of(const SwitchControl& control) {
        int slots = 0;
        for (const PortIdSlot& slot : control.portIds) slots += (slot.vendorId | slot.productId | slot.valid) != 0;
        return {control.controllerOpen, control.hubReady,      control.hubKind,   control.hostIndex,
                control.ownedMask,      control.pendingAction, control.claimMask, control.keepAliveCountdown,
                control.idsLoaded,      slots,                 control.channel.isOpen()};
    }
    bool operator==(const Fields& other) const {
        return std::tie(controllerOpen, hubReady, hubKind, hostIndex, ownedMask, pendingAction, claimMask,
                        keepAliveCountdown, idsLoaded, slotsInUse, channelOpen) ==
               std::tie(other.controllerOpen, other.hubReady, other.hubKind, other.hostIndex, other.ownedMask,
                        other.pendingAction, other.claimMask, other.keepAliveCountdown, other.idsLoaded,
                        other.slotsInUse, other.channelOpen);
    }
};

std::ostream& operator<<(std::ostream& out, const Fields& f) {
    return out << "{open " << f.controllerOpen << " hub " << f.hubReady << " kind " << f.hubKind << " host "
               << f.hostIndex << " owned " << f.ownedMask << " pending " << f.pendingAction << " claim " << f.claimMask
               << " keepAlive " << f.keepAliveCountdown
               << " loaded " << f.idsLoaded << " slots " << f.slotsInUse << " channel " << f.channelOpen << "}";
}

struct EventCase {
    const char* name;
    std::uint32_t message;
    std::uintptr_t wParam;
    // What the event changes, from a connected computer with everything set.
    void (*expect)(Fields&);
    bool signsOff;
};

void nothing(Fields&) {}
void rediscover(Fields& f) { f.controllerOpen = f.hubReady = 0; }
void resume(Fields& f) {
    f.controllerOpen = f.hubReady = f.pendingAction = f.keepAliveCountdown = f.idsLoaded = f.slotsInUse = 0;
}
void closeChannel(Fields& f) { f.channelOpen = false; }

class PowerEvent : public OneComputer, public ::testing::WithParamInterface<EventCase> {
protected:
    void SetUp() override {
        sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
        sw.firmware.setRawMask(0x08);
        sw.firmware.setPortId(3, {0x046D, 0xC52B});
        start();
        runUntil(9000);
        ASSERT_EQ(control.hubReady, 1);
        // Something in every field an event might touch.
        control.pendingAction = 11;
        control.claimMask = 0x08;
        control.keepAliveCountdown = 3;
    }
};

TEST_P(PowerEvent, TouchesItsFieldsAndOnlyThose) {
    Fields expected = Fields::of(control);
    GetParam().expect(expected);
    const std::uint64_t since = now();
    // Through the window, which hands it to the control.
    windows.postMessage(mainWindow(), GetParam().message, GetParam().wParam, 0);
    runUntil(now());
    EXPECT_EQ(Fields::of(control), expected);
    EXPECT_EQ(written(since), GetParam().signsOff ? std::vector<std::string>{"SignOff"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Events, PowerEvent,
    ::testing::Values(EventCase{"Resume", win::kWmPowerBroadcast, 7, resume, false},
                      EventCase{"AutomaticResume", win::kWmPowerBroadcast, 18, resume, false},
                      EventCase{"Suspend", win::kWmPowerBroadcast, 4, closeChannel, true},
                      EventCase{"OtherPowerEvent", win::kWmPowerBroadcast, 10, nothing, false},
                      EventCase{"LogoffQuery", win::kWmQueryEndSession, 0, closeChannel, true},
                      EventCase{"SessionEnds", win::kWmEndSession, 1, nothing, false},
                      EventCase{"LogoffCancelled", win::kWmEndSession, 0, rediscover, false},
                      EventCase{"DeviceArrived", win::kWmDeviceChange, 0x8000, rediscover, false},
                      EventCase{"DeviceChangeWithoutParameters", win::kWmDeviceChange, 0, rediscover, false}),
    [](const auto& param) { return std::string(param.param.name); });

class Session : public OneComputer {};

TEST_F(Session, CancelledLogoffIsNotLeftDeaf) {
    start();
    runUntil(9000);
    windows.postMessage(mainWindow(), win::kWmQueryEndSession, 0, 0);
    windows.postMessage(mainWindow(), win::kWmEndSession, 0, 0);
    const std::uint64_t since = now();
    runUntil(now() + 3000);
    const std::vector<std::string> sent = written(since);
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], "SignOff");
    EXPECT_EQ(sent[1], "InfoQuery") << "the next tick connects again";
    EXPECT_TRUE(control.channel.isOpen());
}

// A wake no user caused brings only the automatic resume; one the user
// caused brings it and then the other.
TEST_F(Session, WakeReconnectsOnceWhateverResumesItBrings) {
    start();
    runUntil(9000);
    windows.postMessage(mainWindow(), win::kWmPowerBroadcast, win::kPbtApmSuspend, 0);
    windows.postMessage(mainWindow(), win::kWmPowerBroadcast, win::kPbtApmResumeAutomatic, 0);
    std::uint64_t since = now();
    runUntil(now() + 6000);  // reconnected, the registry loaded and the panel's IDs stored
    std::vector<std::string> sent = written(since);
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], "SignOff");
    EXPECT_EQ(sent[1], "InfoQuery") << "the channel closed at suspend is opened again";
    EXPECT_TRUE(control.channel.isOpen());

    since = now();
    windows.postMessage(mainWindow(), win::kWmPowerBroadcast, win::kPbtApmResumeSuspend, 0);
    runUntil(now() + 3000);
    EXPECT_TRUE(written(since).empty()) << "the same wake: nothing further";
    EXPECT_EQ(control.hubReady, 1);

    // The next sleep's wake starts over again.
    windows.postMessage(mainWindow(), win::kWmPowerBroadcast, win::kPbtApmSuspend, 0);
    windows.postMessage(mainWindow(), win::kWmPowerBroadcast, win::kPbtApmResumeSuspend, 0);
    since = now();
    runUntil(now() + 3000);
    sent = written(since);
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[1], "InfoQuery");
}

TEST_F(Session, ResumeReloadsTheRegistryFromEmptySlots) {
    start();
    runUntil(9000);
    windows.postMessage(mainWindow(), win::kWmPowerBroadcast, 7, 0);
    const std::uint64_t since = now();
    runUntil(now() + 1000);
    const std::vector<std::string> sent = written(since);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], "InfoQuery");
    EXPECT_EQ(sent[2], "StorePortId 01 0000 0000") << "this computer's slots are emptied again";
}

}  // namespace
}  // namespace pivora::test
