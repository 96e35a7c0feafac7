#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "switch_dialog_fixture.h"

namespace pivora::test {
namespace {

using sim::Host;
using Form = sim::SwitchHub::Form;

std::intptr_t noParameter() { return 0; }

// Host A connected to a switch whose other computer the model plays; the
// user clicks arrows and taps lock keys here.
class Claims : public OneComputer {
protected:
    void connect(Form form, std::uint8_t rawMask) {
        sw.hub.setForm(form);
        sw.firmware.setRawMask(rawMask);
        sw.firmware.playPeer(Host::B);
        start();
        runUntil(9000);
        ASSERT_EQ(control.hubReady, 1);
    }

    void click(int button) {
        since = now();
        windows.postMessage(mainWindow(), win::kWmCommand, static_cast<std::uintptr_t>(button), noParameter());
        runUntil(now());
    }

    void hotkey() {
        since = now();
        windows.postMessage(mainWindow(), win::kWmSwitchHotkey, 0, noParameter());
        runUntil(now());
    }

    std::uint64_t since = 0;
};

TEST_F(Claims, ClaimBringsThePortHereAndLightsItsLeftButton) {
    const int receiver = sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
    connect(Form::TwoPort, 0x08);
    click(1001);
    // Published as the click is taken, before the request's pause, and drawn
    // by the window at that moment while the control sleeps.
    const PublishedPanel& pending = loop.published().back();
    EXPECT_EQ(pending.time, since);
    EXPECT_EQ(pending.panel.ports[3].claim, ArrowImage::Pending);
    EXPECT_EQ(windows.timesOf("setButtonImage 1001 168"), std::vector<std::uint64_t>{since}) << "pending at once";
    EXPECT_EQ(written(since), std::vector<std::string>{"StatusQuery"});
    EXPECT_EQ(writeTimes(since), std::vector<std::uint64_t>{since + 500 + 4}) << "after the request's pause";
    EXPECT_EQ(control.pendingAction, 11);

    runTicks(1);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ClaimPorts 08"}));
    EXPECT_EQ(control.pendingAction, 0);
    const std::uint64_t claimed = writeTimes(since).back();

    // The other computer grants and lets go; the receiver leaves its tree and,
    // once the hub has enumerated it here, arrives in this one.
    runUntil(claimed + 2600);
    EXPECT_EQ(sw.firmware.rawMask(), 0x00);
    EXPECT_EQ(sw.hub.deviceSeenBy(Host::A, 3), receiver);
    std::vector<std::uint64_t> deviceChanges;
    for (const auto& message : windows.dispatched())
        if (message.message == win::kWmDeviceChange && message.time > claimed) deviceChanges.push_back(message.time);
    EXPECT_EQ(deviceChanges, std::vector<std::uint64_t>{claimed + 700 + 1600 + 200});

    // The rediscovery ends with the panel showing the port here.
    const std::uint64_t arrived = now();
    runTicks(2);
    EXPECT_EQ(written(arrived).front(), "InfoQuery");
    EXPECT_EQ(control.ownedMask & 0x08, 0x08);
    EXPECT_FALSE(windows.timesOf("setButtonImage 1001 164").empty()) << "the left button of row 1 is lit";
    EXPECT_FALSE(windows.timesOf("setControlText 1009 Logitech Receiver").empty());
}

TEST_F(Claims, ClaimOfAPortThatArrivedMeanwhileSendsNothing) {
    connect(Form::TwoPort, 0x08);
    // The other computer gives it up during the click's pause.
    sw.clock.schedule(100, [this] { sw.firmware.setRawMask(0x00); });
    click(1001);
    runTicks(1);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery"}));
    EXPECT_EQ(control.pendingAction, 0);
}

TEST_F(Claims, LitButtonsDoNothing) {
    connect(Form::TwoPort, 0x08);
    const std::size_t before = windows.calls.size();
    click(1002);  // port 2 is here already
    click(1005);  // port 3 is over there already
    EXPECT_EQ(windows.calls.size(), before + 2) << "only the two posts";
    EXPECT_TRUE(written(since).empty());
}

// Without a controller, or with a claim or a double tap waiting for its
// status, every request is refused: a click still shows that it was seen,
// and what waits is neither overwritten nor sent.
struct RefusedCase {
    const char* why;
    int controllerOpen;
    int pendingAction;
};

class RefusedRequest : public Claims, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedRequest, ChangesOnlyTheImage) {
    connect(Form::TwoPort, 0x08);
    control.controllerOpen = GetParam().controllerOpen;
    control.pendingAction = GetParam().pendingAction;
    control.claimMask = 0x04;
    const std::uint64_t asked = now();
    click(1001);
    click(1006);
    hotkey();
    EXPECT_EQ(windows.timesOf("setButtonImage 1001 168").size(), 1u);
    EXPECT_EQ(windows.timesOf("setButtonImage 1006 156").size(), 1u);
    EXPECT_TRUE(written(asked).empty());
    EXPECT_EQ(now(), asked) << "no pause either";
    EXPECT_EQ(control.pendingAction, GetParam().pendingAction);
    EXPECT_EQ(control.claimMask, 0x04);
}

INSTANTIATE_TEST_SUITE_P(Requests, RefusedRequest,
                         ::testing::Values(RefusedCase{"NoController", 0, 0}, RefusedCase{"ClaimPending", 1, 11},
                                           RefusedCase{"TogglePending", 1, 10}),
                         [](const auto& param) { return std::string(param.param.why); });

// Each claim arrow claims its own row's port; a TwoPort switch has no
// ports for rows 3 and 4.
struct ButtonCase {
    Form form;
    int button;
    const char* pendingImage;  // empty: the click does nothing
    std::uint8_t claimed;
};

class ClaimButton : public Claims, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ClaimButton, ClaimsItsPort) {
    connect(GetParam().form, 0x0F);  // everything over there
    click(GetParam().button);
    const std::string image = std::string("setButtonImage ") + std::to_string(GetParam().button) + " ";
    if (*GetParam().pendingImage == '\0') {
        EXPECT_EQ(windows.count(image), 0u);
    } else {
        EXPECT_EQ(windows.timesOf(image + GetParam().pendingImage).size(), 1u);
    }
    EXPECT_EQ(control.claimMask, GetParam().claimed);
}

INSTANTIATE_TEST_SUITE_P(Switches, ClaimButton,
                         ::testing::Values(ButtonCase{Form::TwoPort, 1001, "168", 0x08},
                                           ButtonCase{Form::TwoPort, 1002, "156", 0x04},
                                           ButtonCase{Form::TwoPort, 1003, "", 0x00},
                                           ButtonCase{Form::FourPort, 1003, "157", 0x02},
                                           ButtonCase{Form::FourPort, 1004, "158", 0x01},
                                           ButtonCase{Form::FourPort, 1001, "168", 0x08}));

TEST_F(Claims, UsersReleaseRunsOnTheNextTickAndThePortArrivesOverThere) {
    const int stick = sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
    connect(Form::TwoPort, 0x00);
    click(1006);
    EXPECT_EQ(windows.timesOf("setButtonImage 1006 156").size(), 1u);
    EXPECT_TRUE(written(since).empty()) << "a release is never sent as such";
    EXPECT_EQ(now(), since + 500);

    runTicks(1);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 04", "ReleaseDone 04"}));
    EXPECT_EQ(sw.firmware.rawMask(), 0x04);
    EXPECT_EQ(sw.hub.deviceSeenBy(Host::B, 2), stick);
    EXPECT_EQ(sw.hub.deviceSeenBy(Host::A, 2), -1);
}

// The double tap: everything over there comes here; only when all is here
// does it all go.
struct ToggleCase {
    Form form;
    std::uint8_t raw;
    std::vector<std::string> afterStatus;
};

class Toggle : public Claims, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(Toggle, ClaimsWhatIsThereOrReleasesEverything) {
    connect(GetParam().form, GetParam().raw);
    hotkey();
    EXPECT_EQ(control.pendingAction, 10);
    EXPECT_EQ(control.keepAliveCountdown, 7);
    runTicks(2);  // the StatusReply, then an injected release if there was nothing to claim
    const std::vector<std::string> sent = written(since);
    ASSERT_GE(sent.size(), GetParam().afterStatus.size() + 1);
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 1,
                                       sent.begin() + 1 + static_cast<std::ptrdiff_t>(GetParam().afterStatus.size())),
              GetParam().afterStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, Toggle,
    ::testing::Values(ToggleCase{Form::FourPort, 0x05, {"ClaimPorts 05"}},
                      ToggleCase{Form::FourPort, 0x00, {"StatusQuery", "ReleaseGrant 0F", "ReleaseDone 0F"}},
                      ToggleCase{Form::TwoPort, 0x0F, {"ClaimPorts 0C"}},
                      ToggleCase{Form::TwoPort, 0x03, {"StatusQuery", "ReleaseGrant 0C", "ReleaseDone 0C"}}));

// The other computer's request comes in with the toggle's StatusReply still
// on its way: the release flow's wait takes that reply and its drain takes
// its own. The toggle is still completed, and requests are not refused for good.
TEST_F(Claims, ToggleWhoseReplyARequestFromTheOtherSideTookIsStillCompleted) {
    connect(Form::TwoPort, 0x0D);  // ports 2 and 3 over there, the internal port 1 here
    sw.firmware.sendRaw(Host::A, sim::WireReport{2, code::ReleaseRequest, 0x02, 0, 0, 0, 0, 0});
    hotkey();
    runTicks(2);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "StatusQuery", "ReleaseGrant 00",
                                                        "ReleaseDone 00", "StatusQuery", "ClaimPorts 0C"}));
    EXPECT_EQ(control.pendingAction, 0);
}

}  // namespace
}  // namespace pivora::test
