// The running window against any program of the session: the data of a
// WM_COPYDATA, its tag and bytes as the input gives them, reaches the main
// window while the panel shows whatever the input says (any layout, any
// arrows, any device names, bytes of the ANSI code page). Only a
// well-formed request to a window is answered, and then with an answer the
// command line takes: within its message's size, valid UTF-8, one JSON value
// for status --json, printable lines otherwise; and with at most the one
// command a click on that arrow or the double tap would post, never a move
// the panel shows cannot be made. The command line's own decoder takes the
// same bytes as an answer.
//
// Input: the panel [layout u8] and, for ports 0 to 3, [arrows u8: bit 0
// visible, bits 1-2 the claim image, bits 3-4 the release image][name: u16
// length, bytes]; [u8: bit 0 the answer's window is a window, bit 1 the
// running copy]; the tag [u8: 0 the request's, 1 the answer's, else a u32
// follows]; then every byte left is the data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "adversary.h"
#include "app/switch_dialog.h"
#include "fake_user_registry.h"
#include "control/control_port.h"
#include "fuzz_input.h"
#include "json_check.h"
#include "recording_window.h"
#include "remote/remote_wire.h"
#include "ui/port_summary.h"

namespace pivora::fuzz {
namespace {

// The control as the window sees it: a panel, and the commands posted to it.
class ShownPanel : public ControlPort {
public:
    explicit ShownPanel(PanelState panel) : panel_(std::move(panel)) {}

    std::vector<Command> posted;

    void start(std::function<void()>) override {}
    void post(const Command& command) override { posted.push_back(command); }
    bool postAndWait(const Command& command, std::uint32_t) override {
        posted.push_back(command);
        return true;
    }
    PanelState panel() const override { return panel_; }
    void stop() override {}

private:
    PanelState panel_;
};

PanelState panelFrom(FuzzInput& input) {
    constexpr HubKind kLayouts[] = {UnknownHub, TwoPort, FourPort};
    PanelState panel;
    panel.layout = kLayouts[input.below(3)];
    for (PortRowState& row : panel.ports) {
        const std::uint8_t arrows = input.u8();
        row.visible = (arrows & 1) != 0;
        row.claim = static_cast<ArrowImage>((arrows >> 1) & 3);
        row.release = static_cast<ArrowImage>((arrows >> 3) & 3);
        row.name = input.text(2048);
    }
    return panel;
}

std::uintptr_t tagFrom(FuzzInput& input) {
    switch (input.u8()) {
        case 0:
            return remote_wire::kRequestTag;
        case 1:
            return remote_wire::kAnswerTag;
        default:
            return input.u32();
    }
}

// Printable lines: valid UTF-8, no control character but the line ends.
bool printableLines(const std::string& text) {
    return validUtf8(text) && !text.empty() && text.back() == '\n' &&
           std::none_of(text.begin(), text.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return (byte < 0x20 && c != '\n') || byte == 0x7F;
           });
}

// The one command a click on the arrow of `request`'s port or the double
// tap may post for it, given the panel as summarized.
void requireAllowedMove(const RemoteRequest& request, const SwitchSummary& summary, const Command& command) {
    require(summary.connected, "no move without a switch");
    const auto& ports = summary.ports;
    if (request.verb == RemoteRequest::Toggle) {
        require(command.kind == Command::ToggleAll, "a toggle is the double tap");
        require(std::none_of(ports.begin(), ports.end(), [](const PortSummary& port) { return port.pending; }),
                "no toggle while a port moves");
        return;
    }
    const bool claims = request.verb == RemoteRequest::Claim;
    require(command.kind == (claims ? Command::Claim : Command::Release), "a claim or release as its arrow posts it");
    require(command.value == controlPortOf(request.port), "the control's port of the user's number");
    const auto port = std::find_if(ports.begin(), ports.end(),
                                   [&request](const PortSummary& shown) { return shown.number == request.port; });
    require(port != ports.end(), "a port the switch has");
    require(!port->pending && port->here != claims, "a port that can make that move");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    ShownPanel control(panelFrom(input));
    test::RecordingWindow windows;
    const std::uint8_t flags = input.u8();
    windows.windowsExist = (flags & 1) != 0;
    test::FakeUserRegistry registry;
    SwitchDialog dialog(control, windows, registry, u"C:\\Pivora\\pivora.exe");
    dialog.window = test::RecordingWindow::handle(0x77);
    dialog.liveInstance = (flags & 2) != 0 ? 1 : 0;
    const std::uintptr_t tag = tagFrom(input);
    const std::vector<std::uint8_t> bytes = input.bytes(input.remaining());

    const bool answered = dialog.onRemoteRequest(tag, bytes.data(), bytes.size());
    decodeAnswer(tag, bytes.data(), bytes.size());

    require(answered == (windows.copiesSent.size() == 1), "an answer for each request taken, none otherwise");
    require(control.posted.size() <= 1, "one command at most");
    if (!answered) {
        require(control.posted.empty(), "nothing posted for what was not taken");
        return 0;
    }
    const std::optional<WireRequest> wire = decodeRequest(tag, bytes.data(), bytes.size());
    require(wire.has_value() && dialog.liveInstance == 1 && windows.windowsExist, "only a request is answered");
    const test::RecordingWindow::CopyData& sent = windows.copiesSent.front();
    require(sent.window == wire->answerTo && sent.window != dialog.window, "answered to the request's window");
    require(sent.bytes.size() <= remote_wire::kMaxAnswerSize, "the answer fits its message");
    const std::optional<RemoteAnswer> answer = decodeAnswer(sent.tag, sent.bytes.data(), sent.bytes.size());
    require(answer.has_value(), "the command line takes the answer");
    const RemoteRequest& request = wire->request;
    if (request.verb == RemoteRequest::Status) {
        require(answer->exitStatus == exit_status::kDone && control.posted.empty(), "status is answered, moves nothing");
        require(request.json ? validUtf8(answer->text) && JsonCheck::valid(answer->text) : printableLines(answer->text),
                "status as JSON or as printable lines");
        return 0;
    }
    require(printableLines(answer->text), "a move's answer is printable");
    require((answer->exitStatus == exit_status::kDone) == (control.posted.size() == 1), "a move started or refused");
    if (!control.posted.empty()) requireAllowedMove(request, summarize(control.panel()), control.posted.front());
    return 0;
}

}  // namespace pivora::fuzz
