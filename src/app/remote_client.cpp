#include "app/remote_client.h"

#include <optional>

#include "platform/win32/windows_api.h"
#include "remote/remote_wire.h"
#include "ui/texts.h"

namespace pivora {

namespace {

constexpr const char* kAnswerWindowClass = "PivoraCommandLineAnswer";
// The running copy answers at once, but for a window thread that waits
// (bounded) for SignOff while the system is about to sleep.
constexpr UINT kAnswerWaitMs = 10000;

LRESULT CALLBACK answerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcA(window, message, wParam, lParam);
    auto* answer = reinterpret_cast<std::optional<RemoteAnswer>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    // The first answer that is one; the window is this process's alone, but
    // any program of the session could send it something.
    if (answer == nullptr || copy == nullptr || answer->has_value()) return FALSE;
    *answer = decodeAnswer(copy->dwData, copy->lpData, copy->cbData);
    return answer->has_value() ? TRUE : FALSE;
}

// A message-only window that puts the answer it is sent in `answer`.
class AnswerWindow {
public:
    explicit AnswerWindow(std::optional<RemoteAnswer>& answer) {
        WNDCLASSEXA type{};
        type.cbSize = sizeof type;
        type.lpfnWndProc = answerProcedure;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = kAnswerWindowClass;
        RegisterClassExA(&type);
        window_ = CreateWindowExA(0, kAnswerWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  type.hInstance, nullptr);
        if (window_ != nullptr) SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&answer));
    }
    ~AnswerWindow() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    AnswerWindow(const AnswerWindow&) = delete;
    AnswerWindow& operator=(const AnswerWindow&) = delete;

    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

}  // namespace

RemoteAnswer askRunningCopy(const RemoteRequest& request) {
    // The running copy's main window is a dialog with this title.
    const HWND running = FindWindowA(WC_DIALOG, text::kMainWindowTitle);
    if (running == nullptr) return RemoteAnswer{exit_status::kNotRunning, "Pivora is not running.\n"};

    std::optional<RemoteAnswer> answer;
    const AnswerWindow answers(answer);
    if (answers.get() != nullptr) {
        auto bytes = encodeRequest(request, answers.get());
        COPYDATASTRUCT copy{remote_wire::kRequestTag, static_cast<DWORD>(bytes.size()), bytes.data()};
        DWORD_PTR result = 0;
        // No SMTO_BLOCK: the answer is sent to this thread while it waits here.
        SendMessageTimeoutA(running, WM_COPYDATA, reinterpret_cast<WPARAM>(answers.get()),
                            reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, kAnswerWaitMs, &result);
    }
    if (!answer) return RemoteAnswer{exit_status::kNotRunning, "Pivora did not answer.\n"};
    return *answer;
}

}  // namespace pivora
