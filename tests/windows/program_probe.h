#pragma once

// What the probe library, loaded into the running program by a message hook,
// reports about the main window from inside the program's own process: Wine
// answers menu calls only there, and only there can a report be taken between
// a timer message leaving the queue and its handling. There, too, the
// window's thread can be made to sleep as it does in a handler.

#include "platform/win32/windows_api.h"

namespace program_probe {

// Posted to the main window; the hook answers it and turns it into WM_NULL.
constexpr const char* kSystemMenuMessage = "PivoraProgramProbe.SystemMenu";
// The shared memory the answer is written to, created by the driver.
constexpr const char* kReportName = "Local\\PivoraProgramProbe.Report";
constexpr const char* kHookName = "probeGetMessageHook";

struct MenuItem {
    UINT id;
    UINT state;  // GetMenuState by position
    WCHAR text[64];
};

struct SystemMenuReport {
    volatile LONG ready;  // set last, once everything else is written
    int found;            // GetSystemMenu gave a menu
    UINT closeState;      // GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND)
    int count;
    MenuItem items[32];
};

// The shared memory the hook keeps its timer record in, created by the driver.
constexpr const char* kTickReportName = "Local\\PivoraProgramProbe.Ticks";

struct TickReport {
    HWND window;              // the main window, whose WM_TIMER messages count
    volatile LONG timers[2];  // WM_TIMER messages of timers 0 and 1 taken from the queue
};

// Posted to the main window with a time in ms as wParam: the hook sleeps that
// long on the window's thread, as a handler waiting for the switch would, and
// turns the message into WM_NULL.
constexpr const char* kStallMessage = "PivoraProgramProbe.Stall";
// The shared memory the hook keeps its hotkey record in, created by the driver.
constexpr const char* kHotkeyReportName = "Local\\PivoraProgramProbe.Hotkeys";

struct HotkeyReport {
    HWND window;                  // the main window, whose WM_SWITCH_HOTKEY messages count
    volatile LONG stalling;       // 1 while the window's thread sleeps in the hook
    volatile DWORD wokeAt;        // GetTickCount at the end of the last stall
    volatile LONG hotkeys;        // WM_SWITCH_HOTKEY messages taken from the queue
    volatile DWORD lastHotkeyAt;  // GetTickCount when the last one was taken
};

// Posted to the main window with a request number as wParam: the hook
// writes the face colour of each arrow button's image into the images
// report, then the request number, and turns the message into WM_NULL. A
// bitmap handle means nothing outside the process that holds it, so its
// pixels are read there.
constexpr const char* kImagesMessage = "PivoraProgramProbe.Images";
// The shared memory the answer is written to, created by the driver.
constexpr const char* kImagesReportName = "Local\\PivoraProgramProbe.Images";
// A pixel inside the button image's frame and clear of its digit.
constexpr int kImageFaceX = 2;
constexpr int kImageFaceY = 2;
// The face colour when a button has no bitmap or it cannot be read.
constexpr DWORD kNoImage = 0xFFFFFFFF;

struct ImagesReport {
    volatile LONG answered;       // the request number, written last
    DWORD faces[8];               // 0xRRGGBB of the buttons 1001 to 1008, or kNoImage
    volatile DWORD answeredAt;    // GetTickCount when the faces were read
    // The last click on an arrow button (its WM_LBUTTONUP, which clicks
    // it) that the window's thread took from its queue: how many there have
    // been, which button, and the message's time, when the click reached
    // the queue. Written by the hook as it sees one, the count last.
    volatile LONG clickedButton;
    volatile DWORD clickedAt;
    volatile LONG clicks;
    // When the window's thread last took a new panel of the control's from
    // its queue: it draws it there and then, so this is when a click's
    // pending image showed, to the millisecond, where a reading from
    // outside comes only at the driver's next poll. 0 until one comes (and
    // in a program whose window draws the panel itself).
    volatile DWORD panelTakenAt;
};

// The controls a tick without a controller hides and empties, and the status
// fields it empties (firmware version, host letter, switch type).
constexpr int kNameBoxes[] = {1009, 1010, 1011, 1012, 1013};
constexpr int kFrames[] = {1020, 1021, 1022, 1023, 1024};
constexpr int kArrowButtons[] = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008};
constexpr int kStatusFields[] = {1017, 1018, 1019};

// Whether a control has WS_VISIBLE, whatever its parent's visibility.
inline bool controlShown(HWND dialog, int id) {
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

// WM_GETTEXTLENGTH, which reaches an edit control of another process too.
inline bool controlEmpty(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, WM_GETTEXTLENGTH, 0, 0) == 0; }

// The first control that a tick without a controller should have cleared and
// did not, or 0 when the panel is cleared.
inline int firstUncleared(HWND dialog) {
    for (const int id : kNameBoxes)
        if (controlShown(dialog, id) || !controlEmpty(dialog, id)) return id;
    for (const int id : kFrames)
        if (controlShown(dialog, id)) return id;
    for (const int id : kArrowButtons)
        if (controlShown(dialog, id)) return id;
    for (const int id : kStatusFields)
        if (!controlEmpty(dialog, id)) return id;
    return 0;
}

}  // namespace program_probe
