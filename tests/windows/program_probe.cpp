// The probe library: a WH_GETMESSAGE hook that the driver installs on the
// program's window thread. Wine loads it into the program's process and runs
// it there, where the window's system menu can be read, each timer message
// is seen after it leaves the queue and before the tick runs, and the
// window's thread can be made to sleep.

#include <algorithm>
#include <iterator>

#include "platform/window_api.h"
#include "program_probe.h"

using namespace program_probe;

namespace {

void describeSystemMenu(HWND window, SystemMenuReport* report) {
    const HMENU menu = GetSystemMenu(window, FALSE);
    report->found = menu != nullptr ? 1 : 0;
    if (menu == nullptr) return;
    report->closeState = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
    const int count = GetMenuItemCount(menu);
    report->count = count;
    for (int i = 0; i < count && i < static_cast<int>(sizeof report->items / sizeof report->items[0]); ++i) {
        MenuItem& item = report->items[i];
        item.id = GetMenuItemID(menu, i);
        item.state = GetMenuState(menu, i, MF_BYPOSITION);
        GetMenuStringW(menu, i, item.text, static_cast<int>(sizeof item.text / sizeof item.text[0]), MF_BYPOSITION);
    }
}

// The driver's shared memory, mapped for one use.
template <typename Report>
class SharedReport {
public:
    explicit SharedReport(const char* name) : mapping_(OpenFileMappingA(FILE_MAP_WRITE, FALSE, name)) {
        if (mapping_ != nullptr) {
            report_ = static_cast<Report*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(Report)));
        }
    }
    ~SharedReport() {
        if (report_ != nullptr) UnmapViewOfFile(report_);
        if (mapping_ != nullptr) CloseHandle(mapping_);
    }
    SharedReport(const SharedReport&) = delete;
    SharedReport& operator=(const SharedReport&) = delete;

    Report* get() const { return report_; }
    Report* operator->() const { return report_; }
    explicit operator bool() const { return report_ != nullptr; }

private:
    HANDLE mapping_;
    Report* report_ = nullptr;
};

void answerSystemMenu(HWND window) {
    const SharedReport<SystemMenuReport> report(kReportName);
    if (!report) return;
    describeSystemMenu(window, report.get());
    InterlockedExchange(&report->ready, 1);
}

// The colour of one pixel of a button's bitmap, or kNoImage.
DWORD imageFace(HWND button) {
    const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP size{};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof size, &size) != sizeof size || size.bmWidth <= kImageFaceX ||
        size.bmHeight <= kImageFaceY) {
        return kNoImage;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.bmWidth;
    info.bmiHeader.biHeight = -size.bmHeight;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    DWORD row[64] = {};
    if (size.bmWidth > static_cast<LONG>(sizeof row / sizeof row[0])) return kNoImage;
    const HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bitmap, kImageFaceY, 1, row, &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return lines == 1 ? row[kImageFaceX] & 0xFFFFFF : kNoImage;
}

void answerImages(HWND window, LONG request) {
    const SharedReport<ImagesReport> report(kImagesReportName);
    if (!report) return;
    for (int index = 0; index < 8; ++index) report->faces[index] = imageFace(GetDlgItem(window, kArrowButtons[index]));
    report->answeredAt = GetTickCount();
    InterlockedExchange(&report->answered, request);
}

void noteArrowClick(const MSG& message) {
    if (message.message != WM_LBUTTONUP) return;
    const int id = GetDlgCtrlID(message.hwnd);
    if (std::find(std::begin(kArrowButtons), std::end(kArrowButtons), id) == std::end(kArrowButtons)) return;
    const SharedReport<ImagesReport> report(kImagesReportName);
    if (!report) return;
    report->clickedButton = id;
    report->clickedAt = message.time;
    InterlockedIncrement(&report->clicks);
}

void notePanel(const MSG& message) {
    if (message.message != pivora::win::kWmSwitchPanel) return;
    const SharedReport<ImagesReport> report(kImagesReportName);
    if (report) report->panelTakenAt = GetTickCount();
}

// Runs for every message the program takes from its queue.
void countTimers(const MSG& message) {
    const SharedReport<TickReport> report(kTickReportName);
    if (!report) return;
    if (message.message != WM_TIMER || message.hwnd != report->window || message.wParam > 1) return;
    InterlockedIncrement(&report->timers[message.wParam]);
}

// The window's thread asleep in a handler, then awake again.
void stall(DWORD ms) {
    const SharedReport<HotkeyReport> report(kHotkeyReportName);
    if (!report) return;
    InterlockedExchange(&report->stalling, 1);
    Sleep(ms);
    report->wokeAt = GetTickCount();
    InterlockedExchange(&report->stalling, 0);
}

void countHotkeys(const MSG& message) {
    if (message.message != pivora::win::kWmSwitchHotkey) return;
    const SharedReport<HotkeyReport> report(kHotkeyReportName);
    if (!report || message.hwnd != report->window) return;
    report->lastHotkeyAt = GetTickCount();
    InterlockedIncrement(&report->hotkeys);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK probeGetMessageHook(int code, WPARAM removal, LPARAM lParam) {
    static const UINT probeMessage = RegisterWindowMessageA(kSystemMenuMessage);
    static const UINT stallMessage = RegisterWindowMessageA(kStallMessage);
    static const UINT imagesMessage = RegisterWindowMessageA(kImagesMessage);
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE) {
        if (message->message == probeMessage) {
            answerSystemMenu(message->hwnd);
            message->message = WM_NULL;
        } else if (message->message == imagesMessage) {
            answerImages(message->hwnd, static_cast<LONG>(message->wParam));
            message->message = WM_NULL;
        } else if (message->message == stallMessage) {
            stall(static_cast<DWORD>(message->wParam));
            message->message = WM_NULL;
        } else {
            countTimers(*message);
            countHotkeys(*message);
            noteArrowClick(*message);
            notePanel(*message);
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}
