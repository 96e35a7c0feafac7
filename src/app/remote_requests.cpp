#include <algorithm>
#include <vector>

#include "app/switch_dialog.h"
#include "remote/remote_answer.h"
#include "remote/remote_wire.h"
#include "remote/utf8_text.h"
#include "ui/port_summary.h"

namespace pivora {

bool SwitchDialog::onRemoteRequest(std::uintptr_t tag, const void* data, std::size_t size) {
    // Only the running copy takes commands; a copy on its way out has none.
    if (liveInstance != 1) return false;
    const std::optional<WireRequest> wire = decodeRequest(tag, data, size);
    if (!wire || wire->answerTo == window || windows_.isWindow(wire->answerTo) == 0) return false;

    SwitchSummary summary = summarize(control_.panel());
    for (PortSummary& port : summary.ports) port.device = utf8FromWindowText(port.device);
    const RemoteDecision decision = decide(wire->request, summary);
    if (decision.command) control_.post(*decision.command);
    const std::vector<std::uint8_t> answer = encodeAnswer(decision.answer);
    windows_.sendCopyData(wire->answerTo, window, remote_wire::kAnswerTag, answer.data(),
                          static_cast<std::uint32_t>(answer.size()), kAnswerWaitMs);
    return true;
}

std::string SwitchDialog::utf8FromWindowText(const std::string& text) {
    if (text.empty()) return text;
    // An answer shows no more of a name than this anyway.
    const int length = static_cast<int>(std::min(text.size(), kAnswerNameLimit));
    const int units = windows_.ansiToUtf16(text.data(), length, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(units > 0 ? units : 0), u'\0');
    if (units <= 0 || windows_.ansiToUtf16(text.data(), length, wide.data(), units) != units) {
        // Left as it is: what is not UTF-8 in it is shown as U+FFFD.
        return text.substr(0, static_cast<std::size_t>(length));
    }
    return utf8FromUtf16(wide.data(), wide.size());
}

}  // namespace pivora
