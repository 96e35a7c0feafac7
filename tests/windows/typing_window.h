#pragma once

// A visible window on a thread of its own that takes the keyboard focus and
// notes each key press that reaches it, and when. Keys typed on the desktop
// must reach it at once, whatever another thread with a window is doing.

#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/windows_api.h"

namespace wine_input {

struct KeyPress {
    UINT key;         // the virtual key of a WM_KEYDOWN
    DWORD typedAt;    // the message's time: when the key went down
    DWORD arrivedAt;  // GetTickCount when the window's thread took it from the queue
};

class TypingWindow {
public:
    explicit TypingWindow(const char* title) {
        std::promise<HWND> promise;
        std::future<HWND> created = promise.get_future();
        thread_ = std::thread([this, title, promise = std::move(promise)]() mutable { run(title, promise); });
        window_ = created.get();
    }
    ~TypingWindow() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    TypingWindow(const TypingWindow&) = delete;
    TypingWindow& operator=(const TypingWindow&) = delete;

    HWND window() const { return window_; }

    // Shown, in the foreground, with the focus.
    bool focused() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return window_ != nullptr && GetForegroundWindow() == window_ && GetGUIThreadInfo(threadId_, &info) &&
               info.hwndFocus == window_;
    }

    std::vector<KeyPress> presses() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return presses_;
    }

private:
    void run(const char* title, std::promise<HWND>& created) {
        threadId_ = GetCurrentThreadId();
        const HWND window = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300, 320, 120,
                                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window != nullptr) {
            SetForegroundWindow(window);
            SetFocus(window);
        }
        created.set_value(window);
        MSG message{};
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.message == WM_KEYDOWN && message.hwnd == window) {
                const DWORD now = GetTickCount();
                const std::lock_guard<std::mutex> lock(mutex_);
                presses_.push_back(KeyPress{static_cast<UINT>(message.wParam), message.time, now});
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (window != nullptr) DestroyWindow(window);
    }

    mutable std::mutex mutex_;
    std::vector<KeyPress> presses_;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

}  // namespace wine_input
