#include "platform/win32/win32_window_dpi.h"

#include "ui/art_scale.h"

namespace pivora {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn lookUpGetDpiForWindow() {
    // User32 is in every windowed process, so there is no module reference to release.
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    const FARPROC proc = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    // Through a plain function pointer type, which any function pointer converts to without a warning.
    return proc != nullptr ? reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(proc)) : nullptr;
}

// The screen's device context for as long as it is needed.
class ScreenContext {
public:
    ScreenContext() : dc_(GetDC(nullptr)) {}
    ~ScreenContext() {
        if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
    }
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;

    HDC get() const { return dc_; }

private:
    HDC dc_;
};

}  // namespace

int windowDpi(HWND window) {
    static const GetDpiForWindowFn getDpiForWindow = lookUpGetDpiForWindow();
    if (getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return static_cast<int>(dpi);
    }
    const ScreenContext screen;
    const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace pivora
