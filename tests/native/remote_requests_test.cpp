#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "remote/remote_wire.h"
#include "switch_dialog_fixture.h"
#include "ui/port_summary.h"

namespace pivora::test {
namespace {

using sim::Host;
using Form = sim::SwitchHub::Form;

const OsHandle kCommandLine = RecordingWindow::handle(0xC11);

// Host A's running copy on a two-port switch, the user's port 1 (the
// control's port 3) on host B, which the model plays; requests come as the
// command line sends them.
class RemoteRequests : public OneComputer {
protected:
    void SetUp() override {
        // Host A has never seen the receiver on host B's port, so cannot name it.
        sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
        sw.hub.plugDevice(2, 0x0781, 0x5567, "Caf\xE9 \"Stick\"");  // é in the ANSI code page
        sw.hub.setForm(Form::TwoPort);
        sw.firmware.setRawMask(0x08);
        sw.firmware.playPeer(Host::B);
        start();
        runUntil(9000);
        ASSERT_TRUE(summarize(panel()).connected);
    }

    // The answer the command line's window got, if it got one.
    std::optional<RemoteAnswer> ask(const RemoteRequest& request, OsHandle answerTo = kCommandLine) {
        const std::size_t before = windows.copiesSent.size();
        const auto bytes = encodeRequest(request, answerTo);
        const bool answered = dialog.onRemoteRequest(remote_wire::kRequestTag, bytes.data(), bytes.size());
        EXPECT_EQ(answered, windows.copiesSent.size() == before + 1);
        if (!answered) return std::nullopt;
        const RecordingWindow::CopyData& sent = windows.copiesSent.back();
        EXPECT_EQ(sent.window, answerTo);
        EXPECT_EQ(sent.from, mainWindow());
        EXPECT_EQ(sent.timeoutMs, SwitchDialog::kAnswerWaitMs);
        return decodeAnswer(sent.tag, sent.bytes.data(), sent.bytes.size());
    }

    std::size_t moves() const {
        std::size_t count = 0;
        for (const Command::Kind kind : commandsHandled())
            count += kind == Command::Claim || kind == Command::Release || kind == Command::ToggleAll ? 1 : 0;
        return count;
    }
};

TEST_F(RemoteRequests, AClaimMovesThePortAsAClickOnItsArrowDoes) {
    const std::optional<RemoteAnswer> answer = ask({RemoteRequest::Claim, 1, false});
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->exitStatus, exit_status::kDone);
    EXPECT_EQ(answer->text, "Port 1: moving here.\n");
    const std::uint64_t asked = now();
    runUntil(asked + 1);
    EXPECT_EQ(panel().ports[3].claim, ArrowImage::Pending) << "the click's pending image";

    runTicks(1);
    EXPECT_EQ(written(asked), (std::vector<std::string>{"StatusQuery", "ClaimPorts 08"}));
    // The other computer grants and lets go, and the port comes here.
    runUntil(writeTimes(asked).back() + 2600);
    EXPECT_EQ(sw.firmware.rawMask(), 0x00);
    EXPECT_EQ(moves(), 1u);

    runTicks(2);
    ASSERT_TRUE(summarize(panel()).ports.at(0).here);
    const std::optional<RemoteAnswer> again = ask({RemoteRequest::Claim, 1, false});
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->exitStatus, exit_status::kRefused);
    EXPECT_EQ(again->text, "Port 1 is here already.\n");
    runTicks(1);
    EXPECT_EQ(moves(), 1u) << "a refused request posts nothing";
}

TEST_F(RemoteRequests, StatusNamesTheDevicesInUtf8) {
    const std::optional<RemoteAnswer> answer = ask({RemoteRequest::Status, 0, true});
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->exitStatus, exit_status::kDone);
    EXPECT_EQ(answer->text, "{\"connected\":true,\"ports\":["
                            "{\"port\":1,\"device\":\"\",\"owner\":\"other\",\"pending\":false},"
                            "{\"port\":2,\"device\":\"Caf\xC3\xA9 \\\"Stick\\\"\",\"owner\":\"here\",\"pending\":false}]}\n");
    runTicks(1);
    EXPECT_EQ(moves(), 0u);
}

// Whatever else reaches the window goes unanswered and changes nothing.
TEST_F(RemoteRequests, WhatIsNotACommandLinesRequestIsIgnored) {
    const auto claim = encodeRequest({RemoteRequest::Claim, 1, false}, kCommandLine);
    const std::size_t callsBefore = windows.calls.size();
    EXPECT_FALSE(dialog.onRemoteRequest(0x1234, claim.data(), claim.size())) << "another program's tag";
    EXPECT_FALSE(dialog.onRemoteRequest(remote_wire::kRequestTag, claim.data(), claim.size() - 1)) << "cut short";
    EXPECT_FALSE(dialog.onRemoteRequest(remote_wire::kRequestTag, nullptr, claim.size())) << "no data";
    EXPECT_EQ(windows.calls.size(), callsBefore) << "not even a window asked about";

    EXPECT_FALSE(ask({RemoteRequest::Claim, 1, false}, mainWindow())) << "answered to the running copy itself";
    windows.windowsExist = false;
    EXPECT_FALSE(ask({RemoteRequest::Claim, 1, false})) << "answered to no window";
    windows.windowsExist = true;
    dialog.liveInstance = 0;
    EXPECT_FALSE(ask({RemoteRequest::Claim, 1, false})) << "a copy on its way out";
    runTicks(2);
    EXPECT_EQ(moves(), 0u);
    EXPECT_TRUE(windows.copiesSent.empty());
}

}  // namespace
}  // namespace pivora::test
