// The probe library: a WH_GETMESSAGE hook that the driver installs on the
// program's window thread. Wine loads it into the program's process and runs
// it there, where the window's system menu can be read.

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

void answer(HWND window) {
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kReportName);
    if (mapping == nullptr) return;
    if (auto* report =
            static_cast<SystemMenuReport*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(SystemMenuReport)))) {
        describeSystemMenu(window, report);
        InterlockedExchange(&report->ready, 1);
        UnmapViewOfFile(report);
    }
    CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK probeGetMessageHook(int code, WPARAM removal, LPARAM lParam) {
    static const UINT probeMessage = RegisterWindowMessageA(kSystemMenuMessage);
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE && message->message == probeMessage) {
        answer(message->hwnd);
        message->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}
