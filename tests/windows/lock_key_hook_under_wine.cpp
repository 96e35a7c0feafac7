// The lock-key hook of pivora.exe (its thread and its hook procedure, from the
// program's own sources) installed for a window whose thread sleeps for
// seconds, as the main window's thread does in its handlers. Keys typed on
// the desktop meanwhile must still arrive at once, and a double tap must
// reach the window when it wakes; a lock key held down until it repeats must
// not. Run by tools/run-program-tests.sh, which types the keys: the test asks
// with a line "@xdotool ..." and waits for the script's "ok <status>".

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/lock_key_hook.h"
#include "check.h"
#include "script_requests.h"
#include "platform/win32/win32_window_api.h"
#include "typing_window.h"

// After <windows.h>, which it needs.
#include <tlhelp32.h>

namespace {

using pivora::OsHandle;
using wine_input::KeyPress;
using wine_input::TypingWindow;
using script_requests::waitFor;
using script_requests::xdotool;

constexpr DWORD kAsleepMs = 4000;
// The longest a typed key may take to arrive, and a double tap to be taken
// from the queue once the window is awake.
constexpr DWORD kPromptMs = 400;
constexpr DWORD kReactMs = 5000;
// How long a double tap gets to show an effect it must not have.
constexpr DWORD kSettleMs = 700;

// The ids of this process's threads.
std::set<DWORD> threadIds() {
    std::set<DWORD> ids;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return ids;
}

// The window the hook posts to, hidden like the program's main window, on a
// thread of its own that can be made to sleep. The hook is installed and
// removed on this thread too, as the main window's thread does it.
class SleepingWindow {
public:
    SleepingWindow() {
        std::promise<HWND> promise;
        std::future<HWND> created = promise.get_future();
        thread_ = std::thread([this, promise = std::move(promise)]() mutable { run(promise); });
        window_ = created.get();
    }
    ~SleepingWindow() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(asleep_);
    }
    SleepingWindow(const SleepingWindow&) = delete;
    SleepingWindow& operator=(const SleepingWindow&) = delete;

    HWND window() const { return window_; }
    DWORD threadId() const { return threadId_; }

    // Runs `work` on the window's thread and returns when it is done.
    void runHere(const std::function<void()>& work) {
        SendMessageA(window_, kRunHere, 0, reinterpret_cast<LPARAM>(&work));
    }

    // Returns once the window's thread has fallen asleep for `ms`.
    void sleep(DWORD ms) {
        ResetEvent(asleep_);
        PostMessageA(window_, kSleep, ms, 0);
        WaitForSingleObject(asleep_, kReactMs);
    }
    bool sleeping() const { return sleeping_; }
    DWORD wokeAt() const { return wokeAt_; }

    // WM_SWITCH_HOTKEY messages handled, and when the last one was.
    LONG hotkeys() const { return hotkeys_; }
    DWORD lastHotkeyAt() const { return lastHotkeyAt_; }

private:
    static constexpr UINT kRunHere = WM_APP;
    static constexpr UINT kSleep = WM_APP + 1;

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<SleepingWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
        switch (message) {
            case kRunHere:
                (*reinterpret_cast<const std::function<void()>*>(lParam))();
                return 0;
            case kSleep:
                self->sleeping_ = true;
                SetEvent(self->asleep_);
                Sleep(static_cast<DWORD>(wParam));
                self->wokeAt_ = GetTickCount();
                self->sleeping_ = false;
                return 0;
            case pivora::win::kWmSwitchHotkey:
                self->lastHotkeyAt_ = GetTickCount();
                ++self->hotkeys_;
                return 0;
            default:
                return DefWindowProcA(window, message, wParam, lParam);
        }
    }

    void run(std::promise<HWND>& created) {
        threadId_ = GetCurrentThreadId();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "PivoraSleepingWindow";
        RegisterClassA(&windowClass);
        const HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Pivora sleeping window", WS_OVERLAPPED, 0, 0,
                                            200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
        if (window != nullptr) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        created.set_value(window);
        MSG message{};
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        if (window != nullptr) DestroyWindow(window);
    }

    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    HANDLE asleep_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> sleeping_{false};
    std::atomic<DWORD> wokeAt_{0};
    std::atomic<LONG> hotkeys_{0};
    std::atomic<DWORD> lastHotkeyAt_{0};
    std::thread thread_;
};

// The threads this process gained since `before`, each held open so that
// its end can be seen.
class NewThreads {
public:
    explicit NewThreads(const std::set<DWORD>& before) {
        for (const DWORD id : threadIds()) {
            if (before.count(id) == 0) handles_.push_back(OpenThread(SYNCHRONIZE, FALSE, id));
        }
    }
    ~NewThreads() {
        for (const HANDLE handle : handles_)
            if (handle != nullptr) CloseHandle(handle);
    }
    NewThreads(const NewThreads&) = delete;
    NewThreads& operator=(const NewThreads&) = delete;

    std::size_t count() const { return handles_.size(); }
    bool allEnded() const {
        for (const HANDLE handle : handles_)
            if (handle == nullptr || WaitForSingleObject(handle, 0) != WAIT_OBJECT_0) return false;
        return true;
    }

private:
    std::vector<HANDLE> handles_;
};

const char* keyName(UINT key) {
    switch (key) {
        case 'X':
            return "X";
        case VK_NUMLOCK:
            return "NumLock";
        default:
            return "other";
    }
}

void printPresses(const std::vector<KeyPress>& presses) {
    for (const KeyPress& press : presses) {
        std::printf("  %s arrived %lu ms after it was typed\n", keyName(press.key), press.arrivedAt - press.typedAt);
    }
}

// A hook that cannot be installed is reported as nullptr, and its thread is gone.
void checkFailedInstall(SleepingWindow& target) {
    pivora::Win32WindowApi windows(GetModuleHandleA(nullptr), nullptr, nullptr);
    const std::set<DWORD> before = threadIds();
    OsHandle hook = target.window();  // anything but nullptr until the call answers
    target.runHere([&] { hook = windows.installKeyboardHook(target.window(), 7); });
    CHECK(hook == nullptr);
    const NewThreads added(before);
    CHECK(added.allEnded());
}

// Installed on the window's thread, the hook runs on a thread of its own. With
// the window's thread asleep, keys typed into another window arrive at once,
// and a double tap of NumLock reaches the window as soon as it wakes. Removed,
// its thread ends and double taps no longer reach the window.
void checkHookWhileAsleep(SleepingWindow& target, const TypingWindow& typing) {
    pivora::Win32WindowApi windows(GetModuleHandleA(nullptr), nullptr, nullptr, pivora::lockKeyHook);
    const std::set<DWORD> before = threadIds();
    OsHandle hook = nullptr;
    target.runHere([&] { hook = windows.installKeyboardHook(target.window(), 7); });
    if (!CHECK(hook != nullptr)) return;
    const NewThreads hookThread(before);
    CHECK(hookThread.count() == 1 && !hookThread.allEnded());

    target.sleep(kAsleepMs);
    // NumLock twice leaves it as it was.
    CHECK(xdotool("key --delay 300 x Num_Lock Num_Lock"));
    // Otherwise the arrivals below prove nothing.
    CHECK(target.sleeping());
    CHECK(waitFor([&] { return typing.presses().size() >= 3; }, kAsleepMs + kReactMs));
    const std::vector<KeyPress> presses = typing.presses();
    printPresses(presses);
    if (CHECK(presses.size() == 3)) {
        CHECK(presses[0].key == 'X' && presses[1].key == VK_NUMLOCK && presses[2].key == VK_NUMLOCK);
        for (const KeyPress& press : presses) CHECK(press.arrivedAt - press.typedAt <= kPromptMs);
    }

    CHECK(waitFor([&] { return !target.sleeping(); }, kAsleepMs + kReactMs));
    CHECK(waitFor([&] { return target.hotkeys() != 0; }, kReactMs));
    Sleep(kSettleMs);
    CHECK(target.hotkeys() == 1);
    std::printf("the double tap was handled %ld ms after the window woke\n",
                static_cast<long>(target.lastHotkeyAt() - target.wokeAt()));
    CHECK(target.lastHotkeyAt() - target.wokeAt() <= kPromptMs);

    const DWORD removing = GetTickCount();
    target.runHere([&] { windows.removeKeyboardHook(hook); });
    std::printf("removing the hook took %lu ms\n", GetTickCount() - removing);
    CHECK(GetTickCount() - removing <= kPromptMs);
    CHECK(hookThread.allEnded());

    CHECK(xdotool("key --delay 300 Num_Lock Num_Lock"));
    CHECK(waitFor([&] { return typing.presses().size() >= 5; }, kReactMs));
    Sleep(kSettleMs);
    CHECK(target.hotkeys() == 1);
}

// One key event injected as the keyboard would deliver it.
bool sendKey(WORD key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = (key == VK_NUMLOCK ? KEYEVENTF_EXTENDEDKEY : 0) | (down ? 0 : KEYEVENTF_KEYUP);
    return SendInput(1, &input, sizeof input) == 1;
}

// A lock key held down: typematic repeat sends key-down after key-down and
// one key-up at the end, which the X server here never does for lock keys,
// so the events are injected. However long the key is held it is one press:
// no double tap, and a true double tap afterwards gives one.
void checkHeldKey(SleepingWindow& target) {
    pivora::Win32WindowApi windows(GetModuleHandleA(nullptr), nullptr, nullptr, pivora::lockKeyHook);
    OsHandle hook = nullptr;
    target.runHere([&] { hook = windows.installKeyboardHook(target.window(), 7); });
    if (!CHECK(hook != nullptr)) return;
    const LONG before = target.hotkeys();

    // Two seconds held: the keyboard's delay of 500 ms, then a repeat every 33 ms.
    constexpr DWORD kRepeatDelayMs = 500;
    constexpr DWORD kRepeatEveryMs = 33;
    constexpr int kRepeats = 45;
    bool sent = sendKey(VK_NUMLOCK, true);
    Sleep(kRepeatDelayMs);
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        sent = sendKey(VK_NUMLOCK, true) && sent;
        Sleep(kRepeatEveryMs);
    }
    sent = sendKey(VK_NUMLOCK, false) && sent;
    CHECK(sent);
    Sleep(kSettleMs);
    std::printf("NumLock held with %d repeats: %ld double taps\n", kRepeats,
                static_cast<long>(target.hotkeys() - before));
    CHECK(target.hotkeys() == before);

    // More than the double tap's second after the held press, a true double tap.
    CHECK(sendKey(VK_NUMLOCK, true) && sendKey(VK_NUMLOCK, false));
    Sleep(300);
    CHECK(sendKey(VK_NUMLOCK, true) && sendKey(VK_NUMLOCK, false));
    CHECK(waitFor([&] { return target.hotkeys() != before; }, kReactMs));
    Sleep(kSettleMs);
    CHECK(target.hotkeys() == before + 1);

    target.runHere([&] { windows.removeKeyboardHook(hook); });
}

}  // namespace

int main() {
    wine_check::start();
    const TypingWindow typing("Pivora typing window");
    SleepingWindow target;
    if (CHECK(typing.window() != nullptr && target.window() != nullptr)) {
        CHECK(waitFor([&] { return typing.focused(); }, kReactMs));
        checkFailedInstall(target);
        checkHookWhileAsleep(target, typing);
        checkHeldKey(target);
    }
    return wine_check::finish();
}
