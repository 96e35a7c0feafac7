#include "platform/win32/win32_keyboard_hook.h"

#include <future>
#include <system_error>
#include <utility>

namespace pivora {

namespace {

// The window the hook of the calling thread works for.
thread_local HWND hookWindow = nullptr;
thread_local std::uint32_t hookLockKeys = 0;

// What the new thread tells the one that started it.
struct Installed {
    HHOOK hook;
    DWORD threadId;
};

}  // namespace

KeyboardHookThread::KeyboardHookThread(HINSTANCE module, HOOKPROC procedure, HWND window, std::uint32_t lockKeys) {
    std::promise<Installed> promise;
    std::future<Installed> installed = promise.get_future();
    auto run = [module, procedure, window, lockKeys, promise = std::move(promise)]() mutable {
        hookWindow = window;
        hookLockKeys = lockKeys;
        // The thread's message queue exists before anyone learns its id, so
        // the request to end can never come too early to be queued.
        MSG message{};
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        const HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, procedure, module, 0);
        promise.set_value(Installed{hook, GetCurrentThreadId()});
        if (hook == nullptr) return;
        // The hook is called from inside GetMessageA; there is nothing to
        // dispatch. WM_QUIT ends the loop.
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        }
        UnhookWindowsHookEx(hook);
    };
    try {
        thread_ = std::thread(std::move(run));
    } catch (const std::system_error&) {
        return;  // no thread, so no hook
    }
    const Installed result = installed.get();
    hook_ = result.hook;
    threadId_ = result.threadId;
    if (hook_ == nullptr) thread_.join();
}

KeyboardHookThread::~KeyboardHookThread() {
    if (!thread_.joinable()) return;
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
}

HWND KeyboardHookThread::window() { return hookWindow; }

std::uint32_t KeyboardHookThread::lockKeys() { return hookLockKeys; }

}  // namespace pivora
