// Drives the running program from outside, as its user would, under Wine on a
// virtual X display. tools/run-program-tests.sh starts the program, then this
// driver; real mouse and keyboard input and screenshots are the script's
// (xdotool, import): the driver asks for them with a line "@xdotool ..." or
// "@screenshot NAME" and waits for the script's "ok <status>".

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "check.h"
#include "command_line_run.h"
#include "probe_hook.h"
#include "program_probe.h"
#include "script_requests.h"
#include "typing_window.h"
#include "user_value.h"
#include "window_answer_probe.h"
#include "wine_tray.h"
#include "remote/remote_wire.h"
#include "ui/texts.h"

namespace {

using program_probe::besideDriver;
using program_probe::Probe;
using script_requests::screenshot;
using script_requests::waitFor;
using script_requests::xdotool;
using wine_tray::trayWindow;

constexpr const char* kMainTitle = "Pivora v1.27";
constexpr const wchar_t* kAboutMenuText = L"\u95DC\u65BC Pivora(&A)...";
constexpr const wchar_t* kBusyNoticeChinese =
    L"USB \u88DD\u7F6E\u4F7F\u7528\u4E2D\uFF0C\u7121\u6CD5\u79FB\u9664\u6216\u5207\u63DB\u3002";
constexpr UINT kTrayMessage = 1124;
constexpr UINT kSysCommandAbout = 16;
constexpr int kOkButton = 1015;
constexpr int kSoftwareVersion = 1016;

constexpr DWORD kStartMs = 15000;
// Ten ticks of the control and two of its printer timer fall in this.
constexpr DWORD kTicksWatchedMs = 10500;
constexpr DWORD kPingEveryMs = 200;
// The window waits on nothing.
constexpr DWORD kPromptMs = 300;
constexpr DWORD kReactMs = 5000;
// How long a key press gets to show an effect it must not have.
constexpr DWORD kSettleMs = 700;
// How long the window's thread is kept asleep: longer than Wine holds a key
// for a low-level hook that does not answer (2 s), shorter than it takes to
// give up on that hook's thread altogether (5 s).
constexpr DWORD kStallMs = 3000;

struct Program {
    HWND window = nullptr;
    DWORD processId = 0;
    DWORD threadId = 0;
    HANDLE process = nullptr;
};

int fallbacks = 0;


void note(const char* text) {
    ++fallbacks;
    std::printf("NOTE: %s\n", text);
}

bool alive(const Program& program) { return WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT; }
bool shown(const Program& program) { return IsWindowVisible(program.window) != FALSE; }

std::string windowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string controlText(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::wstring controlTextW(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

int countTopLevelWindows(const char* title) {
    struct Search {
        const char* title;
        int count;
    } search{title, 0};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            if (windowText(window) == s->title) ++s->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

std::string trayIconPosition() {
    const POINT icon = wine_tray::iconPoint();
    return std::to_string(icon.x) + " " + std::to_string(icon.y);
}

HWND focusOf(const Program& program) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(program.threadId, &info) ? info.hwndFocus : nullptr;
}

bool click(HWND button) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kReactMs, &result) != 0;
}

HWND ownedDialog(const Program& program, const char* title) {
    const HWND dialog = FindWindowA("#32770", title);
    return dialog != nullptr && GetWindow(dialog, GW_OWNER) == program.window ? dialog : nullptr;
}

void printWide(const wchar_t* label, const std::wstring& text) {
    char utf8[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("  %ls \"%s\"\n", label, utf8);
}

// Right after start the window exists but is hidden; only the tray icon shows.
bool checkStart(Program& program) {
    const bool found =
        waitFor([&] { return (program.window = FindWindowA(nullptr, kMainTitle)) != nullptr; }, kStartMs);
    if (!CHECK(found)) return false;
    program.threadId = GetWindowThreadProcessId(program.window, &program.processId);
    program.process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, program.processId);
    if (!CHECK(program.process != nullptr)) return false;

    CHECK(waitFor([&] { return !shown(program); }, kReactMs));
    // The window hides itself through a posted message: it must stay hidden.
    Sleep(kSettleMs);
    CHECK(!shown(program));
    CHECK(waitFor([] { return trayWindow() != nullptr; }, kReactMs));
    RECT tray{};
    GetWindowRect(trayWindow(), &tray);
    CHECK(tray.right - tray.left > 0 && tray.bottom - tray.top > 0);
    return true;
}

// A second copy finds the first by its title and leaves without a trace;
// started with --log, too.
void checkSecondCopy(const Program& program, const char* arguments) {
    const std::string path = besideDriver("pivora.exe");
    std::string commandLine = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION second{};
    if (!CHECK(CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &second))) {
        return;
    }
    const bool ended = WaitForSingleObject(second.hProcess, 10000) == WAIT_OBJECT_0;
    if (!CHECK(ended)) TerminateProcess(second.hProcess, 1);
    DWORD exitCode = 1;
    GetExitCodeProcess(second.hProcess, &exitCode);
    CHECK(exitCode == 0);
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);

    CHECK(countTopLevelWindows(kMainTitle) == 1);
    CHECK(FindWindowA(nullptr, kMainTitle) == program.window);
    // The copy's own window, still titled "Pivora", is gone too.
    CHECK(countTopLevelWindows("Pivora") == 0);
    CHECK(alive(program) && !shown(program) && trayWindow() != nullptr);
}

// Close is disabled and the About entry follows a separator; read inside the
// program by the probe library, since Wine serves menus only to their owner.
void checkSystemMenu(const Program& program) {
    Probe<program_probe::SystemMenuReport> probe(program_probe::kReportName);
    if (!CHECK(probe.hook(program.threadId))) return;
    const program_probe::SystemMenuReport& report = *probe.report();

    PostMessageA(program.window, RegisterWindowMessageA(program_probe::kSystemMenuMessage), 0, 0);
    const bool answered = waitFor([&] { return report.ready != 0; }, kReactMs);
    probe.unhook();
    if (!CHECK(answered && report.found && report.count >= 2)) return;

    // SC_CLOSE is either gone (replaced by an entry without a command) or greyed.
    CHECK(report.closeState == 0xFFFFFFFF || (report.closeState & MF_GRAYED) != 0);
    const program_probe::MenuItem& about = report.items[report.count - 1];
    const program_probe::MenuItem& before = report.items[report.count - 2];
    if (!CHECK(about.id == kSysCommandAbout && std::wcscmp(about.text, kAboutMenuText) == 0)) {
        std::printf("  last entry: command %u\n", about.id);
        printWide(L"text", about.text);
    }
    CHECK((about.state & (MF_GRAYED | MF_DISABLED)) == 0);
    CHECK((before.state & MF_SEPARATOR) != 0);
}

// A real double click on the tray icon; a posted callback if it did not arrive.
bool showFromTray(const Program& program) {
    xdotool("mousemove " + trayIconPosition() + " click --repeat 2 --delay 100 1");
    if (waitFor([&] { return shown(program); }, kReactMs)) return true;
    note("the double click on the tray icon did not show the window; posting 1124 with 0x203");
    PostMessageA(program.window, kTrayMessage, 0, WM_LBUTTONDBLCLK);
    return waitFor([&] { return shown(program); }, kReactMs);
}

void checkShownPanel(const Program& program) {
    if (!CHECK(showFromTray(program))) return;
    CHECK(!IsIconic(program.window));
    CHECK(waitFor([&] { return GetForegroundWindow() == program.window; }, kReactMs));
    CHECK(controlText(program.window, kSoftwareVersion) == "1.2.7");
    // The fourth row's buttons are made to fit the 13 x 26 images.
    for (const int id : {1004, 1008}) {
        RECT rect{};
        GetWindowRect(GetDlgItem(program.window, id), &rect);
        if (!CHECK(rect.right - rect.left == 15 && rect.bottom - rect.top == 27)) {
            std::printf("  control %d is %ld x %ld\n", id, rect.right - rect.left, rect.bottom - rect.top);
        }
    }
    Sleep(300);  // let the panel paint
    screenshot("panel");
}

// No rows, no firmware version, host or switch type: what every tick leaves
// while no switch is found. The software version stays.
void checkPanelCleared(const Program& program, DWORD limitMs) {
    int uncleared = 0;
    const bool cleared =
        waitFor([&] { return (uncleared = program_probe::firstUncleared(program.window)) == 0; }, limitMs);
    if (!CHECK(cleared)) std::printf("  control %d is not cleared\n", uncleared);
    CHECK(controlText(program.window, kSoftwareVersion) == "1.2.7");
}

// With no switch to be found, the panel stays cleared and the window answers
// at once throughout: the control's ticks run on a thread of their own, and
// none of them reaches the window's queue. The window is hidden meanwhile,
// as it mostly is.
void checkIdleWithoutSwitch(const Program& program) {
    if (!CHECK(!shown(program))) return;
    // The template's first row is gone before the first tick.
    checkPanelCleared(program, kSettleMs);

    Probe<program_probe::TickReport> probe(program_probe::kTickReportName);
    program_probe::TickReport* report = probe.report();
    if (!CHECK(report != nullptr)) return;
    report->window = program.window;
    if (!CHECK(probe.hook(program.threadId))) return;
    const DWORD start = GetTickCount();
    window_answer::Probe pings(program.window, kPingEveryMs, kReactMs);
    Sleep(kTicksWatchedMs);
    const window_answer::Probe::Answers answers = pings.stop();
    probe.unhook();
    std::printf("%lu ms: %ld + %ld timer messages on the window; %d pings, slowest answer %.0f ms\n",
                GetTickCount() - start, report->timers[0], report->timers[1], answers.answered + answers.unanswered,
                answers.longestMs);
    CHECK(answers.unanswered == 0 && answers.longestMs < kPromptMs);
    CHECK(report->timers[0] == 0 && report->timers[1] == 0);
    checkPanelCleared(program, 0);

    // What the user finds on opening the window; then it goes back to the tray.
    if (!CHECK(showFromTray(program))) return;
    checkPanelCleared(program, 0);
    Sleep(300);  // let the panel paint
    screenshot("panel_no_switch");
    CHECK(click(GetDlgItem(program.window, kOkButton)));
    CHECK(waitFor([&] { return !shown(program); }, kReactMs));
}

// The probe library hooked into the window's thread: its report of the
// double taps the window took, or nullptr when it could not be hooked.
program_probe::HotkeyReport* watchHotkeys(Probe<program_probe::HotkeyReport>& probe, const Program& program) {
    program_probe::HotkeyReport* report = probe.report();
    if (!CHECK(report != nullptr)) return nullptr;
    report->window = program.window;
    return CHECK(probe.hook(program.threadId)) ? report : nullptr;
}

// The lock-key hook answers on a thread of its own. The probe puts the
// window's thread to sleep, as a handler waiting for the switch does; keys
// typed meanwhile into a window of the driver arrive at once, where a hook on
// the sleeping thread would hold them, and a double tap of NumLock reaches
// the main window as WM_SWITCH_HOTKEY once it wakes.
void checkLockKeyHook(const Program& program) {
    Probe<program_probe::HotkeyReport> probe(program_probe::kHotkeyReportName);
    program_probe::HotkeyReport* report = watchHotkeys(probe, program);
    if (report == nullptr) return;
    const wine_input::TypingWindow typing("Pivora driver");
    if (!CHECK(waitFor([&] { return typing.focused(); }, kReactMs))) return;

    PostMessageA(program.window, RegisterWindowMessageA(program_probe::kStallMessage), kStallMs, 0);
    if (!CHECK(waitFor([&] { return report->stalling != 0; }, kReactMs))) return;
    // Twice, so NumLock is left as it was.
    CHECK(xdotool("key --delay 300 Num_Lock Num_Lock"));
    // Otherwise the arrivals below prove nothing.
    CHECK(report->stalling != 0);
    CHECK(waitFor([&] { return typing.presses().size() >= 2; }, kStallMs + kReactMs));
    const std::vector<wine_input::KeyPress> presses = typing.presses();
    std::string lateness;
    for (const wine_input::KeyPress& press : presses) lateness += " " + std::to_string(press.arrivedAt - press.typedAt);
    std::printf("with the window's thread asleep for %lu ms, NumLock arrived%s ms after it was typed\n", kStallMs,
                lateness.c_str());
    for (const wine_input::KeyPress& press : presses) {
        CHECK(press.key == VK_NUMLOCK && press.arrivedAt - press.typedAt <= kPromptMs);
    }
    if (!CHECK(waitFor([&] { return report->hotkeys != 0; }, kStallMs + kReactMs))) return;
    Sleep(kSettleMs);
    std::printf("the double tap was taken from the queue %lu ms after the thread woke\n",
                report->lastHotkeyAt - report->wokeAt);
    CHECK(report->hotkeys == 1 && report->lastHotkeyAt - report->wokeAt <= kPromptMs);
}

void checkOkHides(const Program& program) {
    CHECK(click(GetDlgItem(program.window, kOkButton)));
    CHECK(waitFor([&] { return !shown(program); }, kReactMs));
    CHECK(alive(program) && trayWindow() != nullptr);
}

void checkMinimiseHides(const Program& program) {
    if (!CHECK(showFromTray(program))) return;
    PostMessageA(program.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    CHECK(waitFor([&] { return !shown(program); }, kReactMs));
    CHECK(alive(program));
    // Back from the tray, the window is restored, not left minimised.
    if (!CHECK(showFromTray(program))) return;
    CHECK(waitFor([&] { return !IsIconic(program.window); }, kReactMs));
}

// Enter, Esc and Space must neither end the program nor press a button: with
// the focus on OK, each of them would otherwise hide or close the window.
void checkKeysIgnored(const Program& program) {
    const HWND ok = GetDlgItem(program.window, kOkButton);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(program.window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE, SMTO_ABORTIFHUNG, kReactMs,
                        &result);
    if (!CHECK(shown(program) && GetForegroundWindow() == program.window && focusOf(program) == ok)) return;
    for (const char* key : {"Return", "Escape", "space"}) {
        xdotool(std::string("key ") + key);
        Sleep(kSettleMs);
        if (!CHECK(alive(program) && shown(program) && focusOf(program) == ok)) std::printf("  after %s\n", key);
    }
    // The keys reached the window: Tab moves the focus on.
    xdotool("key Tab");
    CHECK(waitFor([&] { return focusOf(program) != ok && focusOf(program) != nullptr; }, kReactMs));
}

void checkAboutBox(const Program& program) {
    PostMessageA(program.window, WM_SYSCOMMAND, kSysCommandAbout, 0);
    HWND about = nullptr;
    if (!CHECK(waitFor([&] { return (about = ownedDialog(program, "About")) != nullptr && IsWindowVisible(about); },
                       kReactMs))) {
        return;
    }
    CHECK(controlText(about, 1027) == "Pivora Version 1.27");
    CHECK(controlText(about, 1028) == pivora::text::kAboutNotice);
    // Modal over the main window, and centred on it.
    CHECK(!IsWindowEnabled(program.window));
    RECT box{};
    RECT owner{};
    GetWindowRect(about, &box);
    GetWindowRect(program.window, &owner);
    const long dx = (box.left + box.right) - (owner.left + owner.right);
    const long dy = (box.top + box.bottom) - (owner.top + owner.bottom);
    if (!CHECK(dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2)) std::printf("  off centre by %ld, %ld (half px)\n", dx, dy);
    Sleep(300);
    screenshot("about");

    CHECK(click(GetDlgItem(about, IDOK)));
    CHECK(waitFor([&] { return !IsWindow(about); }, kReactMs));
    CHECK(IsWindowEnabled(program.window) && alive(program));
}

void checkBusyNotice(const Program& program) {
    const HWND notice = ownedDialog(program, "MESSAGE");
    if (!CHECK(notice != nullptr)) return;
    CHECK(!IsWindowVisible(notice));
    const std::wstring text = controlTextW(notice, 1032);
    if (!CHECK(text == L"USB device is being used, please try later.")) printWide(L"notice", text);
    // The template's (0, 0) is taken in the main window's client area: the
    // two client areas start at the same point.
    POINT origin{0, 0};
    ClientToScreen(program.window, &origin);
    POINT noticeOrigin{0, 0};
    ClientToScreen(notice, &noticeOrigin);
    if (!CHECK(noticeOrigin.x == origin.x && noticeOrigin.y == origin.y)) {
        std::printf("  notice's client area at %ld, %ld; the main window's at %ld, %ld\n", noticeOrigin.x,
                    noticeOrigin.y, origin.x, origin.y);
    }

    ShowWindow(notice, SW_SHOW);
    CHECK(waitFor([&] { return IsWindowVisible(notice) != FALSE; }, kReactMs));
    Sleep(300);
    screenshot("busy_notice");
    // OK and Cancel hide the notice; the window stays for the next time.
    CHECK(click(GetDlgItem(notice, IDOK)));
    CHECK(waitFor([&] { return !IsWindowVisible(notice); }, kReactMs) && IsWindow(notice));
    ShowWindow(notice, SW_SHOW);
    PostMessageA(notice, WM_CLOSE, 0, 0);
    CHECK(waitFor([&] { return !IsWindowVisible(notice); }, kReactMs) && IsWindow(notice));
    CHECK(alive(program));
}

// Run with the program started in a Traditional Chinese (Taiwan) locale: the
// notice reads in Chinese, from its Big5 bytes. The program is then closed.
void checkChineseNotice() {
    Program program;
    if (!CHECK(waitFor([&] { return (program.window = FindWindowA(nullptr, kMainTitle)) != nullptr; }, kStartMs))) {
        return;
    }
    GetWindowThreadProcessId(program.window, &program.processId);
    program.process = OpenProcess(SYNCHRONIZE, FALSE, program.processId);
    // The notice comes last in the running copy's setup, after the title;
    // its text is set once its controls exist.
    HWND notice = nullptr;
    std::wstring text;
    CHECK(waitFor(
        [&] {
            notice = ownedDialog(program, "MESSAGE");
            text = notice != nullptr ? controlTextW(notice, 1032) : L"";
            return !text.empty() && text != L"Message";
        },
        kReactMs));
    if (!CHECK(text == kBusyNoticeChinese)) printWide(L"notice", text);
    // The tray menu's Exit does just this; the real one is tried in the first run.
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    CHECK(program.process != nullptr && WaitForSingleObject(program.process, 10000) == WAIT_OBJECT_0);
    if (program.process != nullptr) CloseHandle(program.process);
}

command_line_run::Result runCommandLine(const char* arguments) {
    const command_line_run::Result run = command_line_run::run(besideDriver("pivora.exe"), arguments);
    std::printf("pivora.exe %s: exit %lu%s\n", arguments, run.exitCode, run.ended ? "" : " (did not end)");
    return run;
}

// The command line with the program running and no switch to be found:
// status says so and every move is refused; bad usage prints the usage text
// and leaves the running copy as it was. What is not a command line's
// request goes unanswered.
void checkCommandLineWithoutSwitch(const Program& program) {
    command_line_run::Result run = runCommandLine("status");
    CHECK(run.ended && run.exitCode == 0 && run.out == "No switch connected.\n" && run.err.empty());
    run = runCommandLine("status --json");
    if (!CHECK(run.exitCode == 0 && run.out == "{\"connected\":false,\"ports\":[]}\n")) {
        std::printf("  printed \"%s\"\n", run.out.c_str());
    }
    for (const char* move : {"claim 1", "release 2", "toggle"}) {
        run = runCommandLine(move);
        CHECK(run.exitCode == 4 && run.out.empty() && run.err == "No switch connected.\n");
    }
    for (const char* bad : {"claim 5", "claim", "status --json extra", "--log status", "frobnicate"}) {
        run = runCommandLine(bad);
        if (!CHECK(run.exitCode == 2 && run.out.empty() && run.err.rfind("usage: pivora", 0) == 0))
            std::printf("  printed \"%s\" and \"%s\"\n", run.out.c_str(), run.err.c_str());
    }
    CHECK(alive(program) && countTopLevelWindows(kMainTitle) == 1 && !shown(program));

    auto send = [&](std::uintptr_t tag, const void* data, DWORD size) {
        COPYDATASTRUCT copy{tag, size, const_cast<void*>(data)};
        DWORD_PTR result = 0;
        const LRESULT sent = SendMessageTimeoutA(program.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                                                 SMTO_ABORTIFHUNG, kReactMs, &result);
        return sent != 0 ? result : 2;
    };
    const char junk[] = "status";
    CHECK(send(0x1234, junk, sizeof junk) == FALSE);
    CHECK(send(pivora::remote_wire::kRequestTag, junk, sizeof junk) == FALSE);
    // A request whose answer would go to no window at all.
    const auto nowhere = pivora::encodeRequest({pivora::RemoteRequest::Status, 0, false}, reinterpret_cast<HWND>(0x1234));
    CHECK(send(pivora::remote_wire::kRequestTag, nowhere.data(), static_cast<DWORD>(nowhere.size())) == FALSE);
    CHECK(alive(program));
}

// Once the program has ended, the command line finds no copy to ask. Started
// from a console with no standard handles of its own, as cmd.exe starts a
// program of the GUI subsystem, it prints on that console.
void checkCommandLineWithoutProgram() {
    const command_line_run::Result run = runCommandLine("status");
    CHECK(run.ended && run.exitCode == 3 && run.out.empty() && run.err == "Pivora is not running.\n");

    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    if (!CHECK(AllocConsole())) return;
    const HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    const std::string path = besideDriver("pivora.exe");
    std::string commandLine = "\"" + path + "\" claim 1";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // none at all
    PROCESS_INFORMATION child{};
    DWORD exitCode = 0;
    if (CHECK(CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                             nullptr, &startup, &child))) {
        CHECK(WaitForSingleObject(child.hProcess, kReactMs) == WAIT_OBJECT_0);
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    wchar_t line[64] = {};
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, line, 32, COORD{0, 0}, &read);
    Sleep(300);
    screenshot("command_line_console");
    CloseHandle(console);
    FreeConsole();
    SetStdHandle(STD_OUTPUT_HANDLE, output);
    SetStdHandle(STD_ERROR_HANDLE, errors);
    std::printf("pivora.exe claim 1 on a console: exit %lu\n", exitCode);
    if (!CHECK(exitCode == 3 && std::wcsncmp(line, L"Pivora is not running.", 22) == 0)) printWide(L"console", line);
}

HWND visibleMenu(const Program& program) {
    const HWND menu = FindWindowA("#32768", nullptr);
    DWORD owner = 0;
    if (menu == nullptr || !IsWindowVisible(menu)) return nullptr;
    GetWindowThreadProcessId(menu, &owner);
    return owner == program.processId ? menu : nullptr;
}

// A real right click on the tray icon: the menu it opens, or nullptr.
HWND openTrayMenu(const Program& program) {
    xdotool("mousemove " + trayIconPosition() + " click 3");
    HWND menu = nullptr;
    if (!waitFor([&] { return (menu = visibleMenu(program)) != nullptr; }, kReactMs)) {
        note("the right click on the tray icon opened no menu; posting 1124 with 0x204");
        PostMessageA(program.window, kTrayMessage, 0, WM_RBUTTONDOWN);
        if (!waitFor([&] { return (menu = visibleMenu(program)) != nullptr; }, kReactMs)) return nullptr;
    }
    Sleep(300);
    return menu;
}

// The tray menu with no switch, row by row: 'i' an item, '-' a separator.
constexpr const char* kTrayMenuRows = "ii-iiii-ii-i";
constexpr const char* kDoubleTapRows = "iii-i";

// The screen point at the middle of row `row` of `menu`, laid out as `rows`.
POINT menuRow(HWND menu, const std::string& rows, std::size_t row) {
    RECT rect{};
    GetWindowRect(menu, &rect);
    return wine_tray::menuRow(rect, rows, row);
}

bool clickAt(POINT point) {
    return xdotool("mousemove " + std::to_string(point.x) + " " + std::to_string(point.y) + " click 1");
}

// A menu window of the program other than `menu`: the submenu it opened.
HWND otherMenu(const Program& program, HWND menu) {
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32768", nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, "#32768", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (window != menu && owner == program.processId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// Opens the tray menu and clicks row `row`, or in the double tap's submenu
// row `subRow`; true once the menu has closed.
bool chooseFromTrayMenu(const Program& program, std::size_t row, int subRow = -1) {
    const HWND menu = openTrayMenu(program);
    if (menu == nullptr) return false;
    if (subRow < 0) {
        clickAt(menuRow(menu, kTrayMenuRows, row));
    } else {
        // Resting on the item opens its submenu.
        const POINT item = menuRow(menu, kTrayMenuRows, row);
        xdotool("mousemove " + std::to_string(item.x) + " " + std::to_string(item.y));
        HWND submenu = nullptr;
        if (!waitFor([&] { return (submenu = otherMenu(program, menu)) != nullptr; }, kReactMs)) return false;
        Sleep(300);
        clickAt(menuRow(submenu, kDoubleTapRows, static_cast<std::size_t>(subRow)));
    }
    return waitFor([&] { return visibleMenu(program) == nullptr; }, kReactMs);
}

// Chosen from the tray menu: Start with Windows writes this exe's quoted
// path into the Run key and takes it out again; the double tap's keys are
// kept in Pivora's key, and a key left out no longer moves the ports.
void checkTrayMenuSettings(const Program& program) {
    constexpr std::size_t kStartWithWindowsRow = 3;
    constexpr std::size_t kDoubleTapRow = 4;
    constexpr int kCapsLockRow = 2;
    constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string expected = "\"" + besideDriver("pivora.exe") + "\"";
    const auto runEntry = [&] { return userValue(kRun, "Pivora"); };
    // What an earlier run on this computer left goes first.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kRun, "Pivora");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Pivora", "DoubleTapKeys");
    // As the user would find it: the window in the tray.
    CHECK(click(GetDlgItem(program.window, kOkButton)));
    CHECK(waitFor([&] { return !shown(program); }, kReactMs));
    if (!CHECK(chooseFromTrayMenu(program, kStartWithWindowsRow))) return;
    if (!CHECK(waitFor([&] { return _stricmp(runEntry().c_str(), expected.c_str()) == 0; }, kReactMs)))
        std::printf("  the Run entry: \"%s\", expected \"%s\"\n", runEntry().c_str(), expected.c_str());
    CHECK(chooseFromTrayMenu(program, kStartWithWindowsRow));
    if (!CHECK(waitFor([&] { return runEntry().empty(); }, kReactMs)))
        std::printf("  the Run entry is still \"%s\"\n", runEntry().c_str());

    // CapsLock out: NumLock and ScrollLock (1 + 2) stay.
    CHECK(chooseFromTrayMenu(program, kDoubleTapRow, kCapsLockRow));
    CHECK(waitFor([] { return userValue("Software\\Pivora", "DoubleTapKeys") == "3"; }, kReactMs));
    Probe<program_probe::HotkeyReport> probe(program_probe::kHotkeyReportName);
    program_probe::HotkeyReport* report = watchHotkeys(probe, program);
    if (report == nullptr) return;
    {
        const wine_input::TypingWindow typing("Pivora driver");
        if (!CHECK(waitFor([&] { return typing.focused(); }, kReactMs))) return;
        // Each twice, so that every lock is left as it was.
        CHECK(xdotool("key --delay 300 Caps_Lock Caps_Lock"));
        Sleep(kSettleMs);
        CHECK(report->hotkeys == 0);
        CHECK(xdotool("key --delay 300 Scroll_Lock Scroll_Lock"));
        CHECK(waitFor([&] { return report->hotkeys == 1; }, kReactMs));
    }
    CHECK(chooseFromTrayMenu(program, kDoubleTapRow, kCapsLockRow));
    CHECK(waitFor([] { return userValue("Software\\Pivora", "DoubleTapKeys") == "7"; }, kReactMs));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Pivora", "DoubleTapKeys");
}

// A real right click on the tray icon, then a click on "Exit", the menu's last entry.
void checkExitFromTray(const Program& program) {
    CHECK(click(GetDlgItem(program.window, kOkButton)));
    CHECK(waitFor([&] { return !shown(program); }, kReactMs));

    const HWND menu = openTrayMenu(program);
    if (!CHECK(menu != nullptr)) return;
    screenshot("tray_menu");
    RECT rect{};
    GetWindowRect(menu, &rect);
    xdotool("mousemove " + std::to_string((rect.left + rect.right) / 2) + " " + std::to_string(rect.bottom - 12) +
            " click 1");

    const bool ended = WaitForSingleObject(program.process, 10000) == WAIT_OBJECT_0;
    if (!CHECK(ended)) return;
    DWORD exitCode = 1;
    GetExitCodeProcess(program.process, &exitCode);
    CHECK(exitCode == 0);
    CHECK(countTopLevelWindows(kMainTitle) == 0);
    // With its only icon gone, Wine's tray window goes too.
    CHECK(waitFor([] { return trayWindow() == nullptr; }, kReactMs));
}

}  // namespace

int main(int argc, char** argv) {
    wine_check::start();
    if (argc > 1 && std::strcmp(argv[1], "--chinese-notice") == 0) {
        checkChineseNotice();
        return wine_check::finish();
    }
    Program program;
    if (checkStart(program)) {
        checkSecondCopy(program, "");
        checkSecondCopy(program, "--log");
        checkSystemMenu(program);
        checkShownPanel(program);
        checkOkHides(program);
        checkIdleWithoutSwitch(program);
        checkCommandLineWithoutSwitch(program);
        checkLockKeyHook(program);
        checkMinimiseHides(program);
        checkKeysIgnored(program);
        checkAboutBox(program);
        checkBusyNotice(program);
        checkTrayMenuSettings(program);
        checkExitFromTray(program);
        checkCommandLineWithoutProgram();
    }
    if (fallbacks > 0) std::printf("%d interaction(s) were posted instead of real input\n", fallbacks);
    if (program.process != nullptr) CloseHandle(program.process);
    return wine_check::finish();
}
