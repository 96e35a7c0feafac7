// The two-computer run (tools/run-two-computers.sh): the switch simulator
// serves two copies of the simulated build, host A and host B, each in a
// Wine prefix of its own, that is, on a computer of its own, both on one X
// display. This driver runs once on each computer. With "--agent" (on B) it
// answers the script's commands about its computer, one line each. Without
// (on A) it plays the scenario, with "--tour" the first steps a person at
// the switch would try, or with "--latency N" times four moves N times over
// (a line "latency <move> <ms>" each), or with "--responsiveness N" watches
// how promptly both windows answer while four kinds of move go on, N times
// over (lines "answer <move> <host> <ms> <answered> <unanswered>" and
// "pending <move> <ms>"): it reads and drives its own computer, runs its
// program's command line
// directly and asks the script for the rest, one answer line each:
// "@b <command>" goes to B's driver, "@sim <command>" to the simulator's
// console, "@xdotool ..." and "@screenshot NAME" as in script_requests.h.
// With "--mixed" first, B is a Linux computer of switchsim's running the
// simulated build of the Linux program, and B's driver is its agent there
// (tests/linux/linux_agent.cpp), which answers the same commands of its
// desktop; the scenario then plays what differs on Linux: B's stick is a
// disk B mounts, its printer a CUPS queue.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check.h"
#include "command_line_run.h"
#include "platform/window_api.h"
#include "probe_hook.h"
#include "program_probe.h"
#include "script_requests.h"
#include "user_value.h"
#include "window_answer_probe.h"
#include "wine_tray.h"

namespace {

using script_requests::ask;
using script_requests::screenshot;
using script_requests::waitFor;
using script_requests::xdotool;

constexpr const char* kMainTitle = "Pivora v1.27";
constexpr const char* kFirmwareVersion = "1.2.3";
constexpr int kFirmwareField = 1017;
constexpr int kHostField = 1018;
constexpr int kTypeField = 1019;
constexpr int kSoftwareField = 1016;
constexpr DWORD kLit = 0xF69A15;
constexpr DWORD kDim = 0xFFFFFF;
constexpr DWORD kPending = 0xFAADAD;
// The tray menu of a two-port switch, row by row ('i' an item, '-' a
// separator): the ports, "Move all ports", the settings with the log's
// item, then Open, About and Exit.
constexpr const char* kTrayMenuRows = "iii-iiii-ii-i";
constexpr std::size_t kPortRow = 0;  // port 1's; port N's is N - 1 below
constexpr std::size_t kLogRow = 7;

// Start: Wine, the link and a first discovery.
constexpr DWORD kStartMs = 40000;
// The window's thread sleeps through a release flow and its paced sends.
constexpr DWORD kBusyThreadMs = 20000;
// A claim or a release: both sides' waits, then the follow-up status query
// of each side's countdown.
constexpr DWORD kMoveMs = 30000;
constexpr DWORD kReactMs = 5000;
constexpr DWORD kPollMs = 250;
// The latency mode's pause between two readings of the switch and both
// panels: with waitFor's own 20 ms, a reading starts every 50 ms plus the
// time the last one took.
constexpr DWORD kLatencyPauseMs = 30;
// Long enough for a message to the window to show its effect.
constexpr DWORD kSettleMs = 700;
// Long enough for a device change to have made a computer reconnect: its
// next tick, however long the handler before it sleeps.
constexpr DWORD kRediscoveryMs = 3000;
// How often a computer looks at its printers' queues.
constexpr DWORD kPrinterPollMs = 5000;

// Where a Linux B has its sticks: the one on the switch's port 2 (the hub on
// B's second root port), and one of its own on the third.
constexpr const char* kStickOnB = "1-2.3";
constexpr const char* kTwinOnB = "1-3";
// The responsiveness run's pace of WM_NULL to each window, the longest it
// lets one wait for its answer, and how long it goes on watching after a
// move: the waits a move leaves behind it on either computer count too.
constexpr DWORD kAnswerEveryMs = 20;
constexpr DWORD kAnswerLimitMs = 60000;
constexpr DWORD kAfterMoveMs = 1000;
// How long the slow device of those runs takes to be removed.
constexpr const char* kSlowRemovalMs = "8000";

// ---------------------------------------------------------------------------
// One computer's panel, as its user sees it.

// A panel row: the port it stands for, its arrow images and the names a
// screen reader gives the arrows (their window texts), the device's name.
struct Row {
    int port = 0;
    std::string claim;
    std::string release;
    std::string claimText;
    std::string releaseText;
    std::string name;
};

struct Panel {
    std::string firmware;
    std::string host;
    std::string type;
    bool notice = false;  // the busy notice is shown
    std::vector<Row> rows;
};

// Rows 1 to 4 stand for ports 3 to 0; their controls follow in that order.
constexpr int kRowPorts[] = {3, 2, 1, 0};
constexpr int claimButton(int row) { return 1001 + row; }
constexpr int releaseButton(int row) { return 1005 + row; }
constexpr int nameBox(int row) { return 1009 + row; }
int rowOf(int port) { return 3 - port; }

// A length of the screen at 96 dpi, at the screen's resolution.
int atScreenDpi(int pixels) {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return MulDiv(pixels, dpi, 96);
}

std::string imageName(DWORD face) {
    switch (face) {
        case kLit:
            return "lit";
        case kDim:
            return "dim";
        case kPending:
            return "pending";
        case program_probe::kNoImage:
            return "none";
        default:
            char text[16];
            std::snprintf(text, sizeof text, "#%06lX", face);
            return text;
    }
}

// "<firmware>\t<host>\t<type>\t<notice>" then
// "\t<port>:<claim>:<release>:<claim text>:<release text>:<name>" a row.
std::string describe(const Panel& panel) {
    std::string line = panel.firmware + "\t" + panel.host + "\t" + panel.type + "\t" + (panel.notice ? "1" : "0");
    for (const Row& row : panel.rows)
        line += "\t" + std::to_string(row.port) + ":" + row.claim + ":" + row.release + ":" + row.claimText + ":" +
                row.releaseText + ":" + row.name;
    return line;
}

std::vector<std::string> split(const std::string& text, char separator, std::size_t most) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = parts.size() + 1 == most ? std::string::npos : text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

bool parsePanel(const std::string& line, Panel& panel) {
    const std::vector<std::string> fields = split(line, '\t', 0);
    if (fields.size() < 4) return false;
    panel = Panel{fields[0], fields[1], fields[2], fields[3] == "1", {}};
    for (std::size_t index = 4; index < fields.size(); ++index) {
        const std::vector<std::string> parts = split(fields[index], ':', 6);
        if (parts.size() != 6 || parts[0].size() != 1) return false;
        panel.rows.push_back(Row{parts[0][0] - '0', parts[1], parts[2], parts[3], parts[4], parts[5]});
    }
    return true;
}

// ---------------------------------------------------------------------------
// The computer this driver runs on: its program's window, read from outside,
// and its arrow images, read inside the program by the probe library.

class LocalComputer {
public:
    LocalComputer()
        : images_(program_probe::kImagesReportName), hotkeys_(program_probe::kHotkeyReportName),
          imagesMessage_(RegisterWindowMessageA(program_probe::kImagesMessage)) {}
    ~LocalComputer() {
        if (process_ != nullptr) CloseHandle(process_);
    }
    LocalComputer(const LocalComputer&) = delete;
    LocalComputer& operator=(const LocalComputer&) = delete;

    // One command of the script's, answered with one line: "ok ..." or "error ...".
    std::string answer(const std::string& command) {
        const std::vector<std::string> words = split(command, ' ', 0);
        const std::string& verb = words[0];
        if (verb == "attach") return attach();
        if (window_ == nullptr) return "error not attached";
        if (verb == "panel") {
            Panel panel;
            return readPanel(panel) ? "ok " + describe(panel) : "error the program's thread did not answer";
        }
        if (verb == "show" && words.size() == 3) return show(std::atoi(words[1].c_str()), std::atoi(words[2].c_str()));
        if (verb == "where" && words.size() == 2) return where(std::atoi(words[1].c_str()));
        if (verb == "foreground") return GetForegroundWindow() == window_ ? "ok 1" : "ok 0";
        if (verb == "hotkeys") return "ok " + std::to_string(hotkeys_.report()->hotkeys);
        if (verb == "dismiss") return press(GetDlgItem(notice(), IDOK));
        if (verb == "probe" && words.size() == 2) return probe(words[1]);
        if (verb == "clicks") return "ok " + std::to_string(images_.report()->clicks);
        if (verb == "pending" && words.size() == 3)
            return pendingAfter(std::atoi(words[1].c_str()), std::atol(words[2].c_str()));
        if (verb == "tray" && words.size() == 3) return placeTray(std::atoi(words[1].c_str()), std::atoi(words[2].c_str()));
        if (verb == "menu") return menu();
        if (verb == "balloon") return balloon();
        if (verb == "setting" && words.size() == 2) return "ok " + userValue("Software\\Pivora", words[1].c_str());
        if (verb == "log") return logLines();
        if (verb == "close") return close();
        return "error unknown command: " + command;
    }

private:
    std::string attach() {
        hook_.unhook();
        if (process_ != nullptr) CloseHandle(process_);
        process_ = nullptr;
        if (!waitFor([&] { return (window_ = FindWindowA(nullptr, kMainTitle)) != nullptr; }, kStartMs))
            return "error no window titled " + std::string(kMainTitle);
        DWORD processId = 0;
        const DWORD threadId = GetWindowThreadProcessId(window_, &processId);
        process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
        if (process_ == nullptr || images_.report() == nullptr || hotkeys_.report() == nullptr)
            return "error cannot watch the program";
        hotkeys_.report()->window = window_;
        return hook_.hook(threadId) ? "ok" : "error the probe library did not hook";
    }

    // Shows the window as a double click on the tray icon does (each computer
    // has a tray window of its own at the same place on the one screen) and
    // moves it to (x, y).
    std::string show(int x, int y) {
        // Until the window has set itself up, a double click may come before
        // the window hides itself at start, or find no one listening.
        const bool shown = waitFor(
            [&] {
                PostMessageA(window_, pivora::win::kWmSwitchTray, 0, WM_LBUTTONDBLCLK);
                Sleep(kSettleMs);
                return IsWindowVisible(window_) != FALSE;
            },
            kBusyThreadMs);
        if (!shown) return "error not shown";
        SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT rect{};
        return waitFor(
                   [&] { return GetWindowRect(window_, &rect) && rect.left == x && rect.top == y; }, kReactMs)
                   ? "ok"
                   : "error not moved";
    }

    // Moves this computer's tray window to (x, y), out from under the other
    // computer's, and answers its icon's screen point.
    std::string placeTray(int x, int y) {
        if (!waitFor([] { return wine_tray::trayWindow() != nullptr; }, kReactMs)) return "error no tray window";
        SetWindowPos(wine_tray::trayWindow(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT rect{};
        if (!waitFor([&] { return GetWindowRect(wine_tray::trayWindow(), &rect) && rect.left == x && rect.top == y; },
                     kReactMs))
            return "error the tray window stays where it was";
        const POINT icon = wine_tray::iconPoint();
        return "ok " + std::to_string(icon.x) + " " + std::to_string(icon.y);
    }

    // The program's popup menu once it is shown: "ok left top right bottom".
    std::string menu() {
        RECT rect{};
        const bool shown = waitFor(
            [&] {
                const HWND menu = FindWindowA("#32768", nullptr);
                DWORD owner = 0;
                if (menu == nullptr || !IsWindowVisible(menu)) return false;
                GetWindowThreadProcessId(menu, &owner);
                return owner == GetProcessId(process_) && GetWindowRect(menu, &rect) != FALSE;
            },
            kReactMs);
        if (!shown) return "error no menu shown";
        return "ok " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) +
               " " + std::to_string(rect.bottom);
    }

    // The balloon shown on this computer: "ok <window> <text>", or "ok none".
    static std::string balloon() {
        const std::optional<wine_tray::Balloon> shown = wine_tray::shownBalloon();
        if (!shown) return "ok none";
        char window[32];
        std::snprintf(window, sizeof window, "%p", static_cast<void*>(shown->window));
        return std::string("ok ") + window + " " + shown->text;
    }

    // "ok <lines> <reports>": the lines of the diagnostic log, and those of
    // them that are reports exchanged with the controller.
    static std::string logLines() {
        char path[MAX_PATH] = {};
        const DWORD length = ExpandEnvironmentStringsA("%LOCALAPPDATA%\\Pivora\\pivora.log", path, sizeof path);
        if (length == 0 || length > sizeof path) return "error no log path";
        std::ifstream file(path, std::ios::binary);
        int lines = 0;
        int reports = 0;
        for (std::string line; std::getline(file, line);) {
            ++lines;
            if (line.find(" written ") != std::string::npos || line.find(" delivered ") != std::string::npos)
                ++reports;
        }
        return "ok " + std::to_string(lines) + " " + std::to_string(reports);
    }

    // The screen point at the middle of a control, for a real click.
    std::string where(int id) {
        RECT rect{};
        if (!GetWindowRect(GetDlgItem(window_, id), &rect)) return "error no control " + std::to_string(id);
        return "ok " + std::to_string((rect.left + rect.right) / 2) + " " + std::to_string((rect.top + rect.bottom) / 2);
    }

    std::string press(HWND button) {
        DWORD_PTR result = 0;
        return button != nullptr && SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kBusyThreadMs, &result) != 0
                   ? "ok"
                   : "error not pressed";
    }

    // "probe start" sends the window WM_NULL at a steady pace until "probe
    // stop", which answers "ok <longest ms> <answered> <unanswered>".
    std::string probe(const std::string& what) {
        if (what == "start" && !answers_) {
            answers_.emplace(window_, kAnswerEveryMs, kAnswerLimitMs);
            return "ok";
        }
        if (what != "stop" || !answers_) return "error probe start, then probe stop";
        const window_answer::Probe::Answers answers = answers_->stop();
        answers_.reset();
        char text[64];
        std::snprintf(text, sizeof text, "ok %.0f %d %d", answers.longestMs, answers.answered, answers.unanswered);
        return text;
    }

    // Waits for a click on `button` after the first `clicksBefore` the
    // window's thread took, and for the button's pending image; answers the
    // milliseconds from the click reaching the window's queue to the panel
    // message the window drew it from (the last one taken before the image
    // was read pending), or, where the window draws no such message, to the
    // first reading of the image that showed it pending: both timed inside
    // the program.
    std::string pendingAfter(int button, LONG clicksBefore) {
        const program_probe::ImagesReport* report = images_.report();
        const int index = button - claimButton(0);
        if (index < 0 || index >= 8) return "error no arrow button " + std::to_string(button);
        const bool shown = waitFor(
            [&] {
                return report->clicks > clicksBefore && report->clickedButton == button && readImages() &&
                       report->faces[index] == kPending;
            },
            kBusyThreadMs);
        if (!shown) return "error no pending image";
        const DWORD panel = report->panelTakenAt;
        const bool drawnAfterClick = panel != 0 && static_cast<LONG>(panel - report->clickedAt) >= 0;
        return "ok " + std::to_string((drawnAfterClick ? panel : report->answeredAt) - report->clickedAt);
    }

    std::string close() {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 15000) != WAIT_OBJECT_0) return "error still running";
        DWORD exitCode = 1;
        GetExitCodeProcess(process_, &exitCode);
        return "ok " + std::to_string(exitCode);
    }

    HWND notice() const {
        const HWND dialog = FindWindowA("#32770", "MESSAGE");
        return dialog != nullptr && GetWindow(dialog, GW_OWNER) == window_ ? dialog : nullptr;
    }

    // WM_GETTEXT, which another process's edit control answers once its
    // thread is free.
    bool text(int id, std::string& out) const {
        char buffer[256] = {};
        DWORD_PTR length = 0;
        if (SendMessageTimeoutA(GetDlgItem(window_, id), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                                SMTO_NORMAL, kBusyThreadMs, &length) == 0) {
            return false;
        }
        out = buffer;
        return true;
    }

    bool readImages() {
        program_probe::ImagesReport* report = images_.report();
        const LONG request = ++request_;
        PostMessageA(window_, imagesMessage_, static_cast<WPARAM>(request), 0);
        return waitFor([&] { return report->answered == request; }, kBusyThreadMs);
    }

    bool readPanel(Panel& panel) {
        if (!readImages()) return false;
        panel = Panel{};
        if (!text(kFirmwareField, panel.firmware) || !text(kHostField, panel.host) || !text(kTypeField, panel.type))
            return false;
        const HWND busy = notice();
        panel.notice = busy != nullptr && IsWindowVisible(busy);
        for (int row = 0; row < 4; ++row) {
            if (!program_probe::controlShown(window_, claimButton(row))) continue;
            Row shown{kRowPorts[row], imageName(images_.report()->faces[claimButton(row) - 1001]),
                      imageName(images_.report()->faces[releaseButton(row) - 1001]), {}, {}, {}};
            if (!text(claimButton(row), shown.claimText) || !text(releaseButton(row), shown.releaseText) ||
                !text(nameBox(row), shown.name))
                return false;
            panel.rows.push_back(shown);
        }
        return true;
    }

    program_probe::SharedMemory<program_probe::ImagesReport> images_;
    program_probe::SharedMemory<program_probe::HotkeyReport> hotkeys_;
    program_probe::ProbeHook hook_;  // after the reports: unhooked before they go
    std::optional<window_answer::Probe> answers_;
    const UINT imagesMessage_;
    HWND window_ = nullptr;
    HANDLE process_ = nullptr;
    LONG request_ = 0;
};

// ---------------------------------------------------------------------------
// The switch simulator's state, as its console's "state" prints it.

struct SwitchState {
    std::string json;

    bool connected(char host) const {
        return json.find(std::string("\"") + host + "\":{\"connected\":true") != std::string::npos;
    }
    bool fourPort() const { return json.find("\"form\":\"four\"") != std::string::npos; }
    std::vector<int> portsInUse() const { return fourPort() ? std::vector<int>{3, 2, 1, 0} : std::vector<int>{3, 2}; }

    // The port's entry, up to the next port's.
    std::string port(int n) const {
        const std::size_t start = json.find("{\"port\":" + std::to_string(n) + ",");
        if (start == std::string::npos) return {};
        return json.substr(start, json.find("{\"port\":", start + 1) - start);
    }
    char owner(int n) const {
        const std::string entry = port(n);
        const std::size_t at = entry.find("\"owner\":\"");
        return at == std::string::npos ? '?' : entry[at + 9];
    }
    // Whatever is plugged straight into `host` is all there still.
    bool ownDevicesPresent(char host) const {
        const std::size_t entry = json.find(std::string("\"") + host + "\":{\"connected\"");
        const std::size_t list = json.find("\"local\":[", entry);
        if (entry == std::string::npos || list == std::string::npos) return false;
        const std::string devices = json.substr(list, json.find(']', list) - list);
        return devices.find("\"present\":false") == std::string::npos;
    }
    // A Linux computer's stick at `place` is there and mounted.
    // "<vid> <pid>" of the device on port `n`, as the console writes them.
    std::string usbId(int n) const {
        const std::string entry = port(n);
        const std::size_t at = entry.find("\"vid\":\"");
        if (at == std::string::npos || entry.size() < at + 24) return {};
        return entry.substr(at + 7, 4) + " " + entry.substr(at + 20, 4);
    }
    // The description of a device plugged straight into `host` with that
    // ID, or "".
    std::string localDescription(char host, const std::string& id) const {
        const std::size_t entry = json.find(std::string("\"") + host + "\":{\"connected\"");
        const std::size_t list = json.find("\"local\":[", entry);
        if (entry == std::string::npos || list == std::string::npos || id.size() != 9) return {};
        const std::string devices = json.substr(list, json.find(']', list) - list);
        const std::size_t found =
            devices.find("\"vid\":\"" + id.substr(0, 4) + "\",\"pid\":\"" + id.substr(5, 4) + "\",\"description\":\"");
        if (found == std::string::npos) return {};
        const std::size_t start = found + 41;
        return devices.substr(start, devices.find('"', start) - start);
    }
    bool stickMounted(const char* place) const {
        return json.find(std::string("\"place\":\"") + place + "\",\"mounted\":true") != std::string::npos;
    }
    std::string description(int n) const {
        const std::string entry = port(n);
        const std::size_t at = entry.find("\"description\":\"");
        if (at == std::string::npos) return {};
        const std::size_t start = at + 15;
        return entry.substr(start, entry.find('"', start) - start);
    }
};

// ---------------------------------------------------------------------------
// The scenario, run on host A.

class TwoComputers {
public:
    // A command for computer A or B, answered as LocalComputer::answer does.
    std::string command(char host, const std::string& line) {
        return host == 'A' ? local_.answer(line) : ask("b " + line);
    }

    bool run() {
        if (mixed_)
            return tour() && twinOutsideTheSwitchOnB() && printerJobs() && printerJobOnB() &&
                   controllerReplugged('A') && controllerReplugged('B') && fourPortSwitch();
        return tour() && twinOutsideTheSwitch() && printerJobs() && controllerReplugged('A') && slowRemovalOnA() &&
               commandLineOnA() && trayMenuOnB() && fourPortSwitch();
    }

    bool tour() {
        if (!start()) return false;
        screenshot("01-start");
        return claimOnB() && releaseOnA() && doubleTapOnB() && (mixed_ ? busyStickOnB() : busyDeviceOnA());
    }

    // B is a Linux computer (see the top of this file).
    void playMixed() { mixed_ = true; }

    // The start, then `repetitions` times four moves of port 2 or both ports,
    // all asked for on B, each timed until both panels agree; the script
    // takes the medians. No screenshots until the end: each holds up the
    // readings for a moment.
    bool latency(int repetitions) {
        latency_ = true;
        if (!start()) return false;
        for (int round = 0; round < repetitions; ++round) {
            const bool moved = clickedMove("claim-on-b", 'B', claimButton(rowOf(2)), "AB") &&
                               clickedMove("release-on-b", 'B', releaseButton(rowOf(2)), "AA") && focus('B') &&
                               doubleTap("double-tap-claims-on-b", "BB") && doubleTap("double-tap-releases-on-b", "AA");
            if (!moved) return false;
        }
        // The times' granularity: a reading every 100 ms or so, and one that
        // a busy window thread holds up (as it holds up its painting) later.
        std::sort(spansMs_.begin(), spansMs_.end());
        std::printf("each move was done within the last %lu ms of its time (median; at most %lu ms)\n",
                    spansMs_[spansMs_.size() / 2], spansMs_.back());
        checkDoubleTaps(2 * repetitions);
        screenshot("latency-end");
        return true;
    }

    // The start, then `rounds` times four kinds of move asked for on B, both
    // windows watched while each goes on (watched()): a claim of port 2, its
    // release while its device takes 8 s to be removed, a registry load as
    // B's controller comes back, and a double tap each way. Each click also
    // says how long its pending image took to show.
    bool responsiveness(int rounds) {
        latency_ = true;
        responsiveness_ = true;
        if (!start()) return false;
        for (int round = 0; round < rounds; ++round) {
            const bool moved =
                watched("claim", [&] { return clickedMove("claim-on-b", 'B', claimButton(rowOf(2)), "AB"); }) &&
                slowReleaseOnB() && registryLoadOnB() && focus('B') &&
                watched("double-tap", [&] { return doubleTap("double-tap-claims-on-b", "BB"); }) &&
                watched("double-tap", [&] { return doubleTap("double-tap-releases-on-b", "AA"); });
            if (!moved) return false;
        }
        screenshot("responsiveness-end");
        return true;
    }

    // Each program as its user ends it: the tray menu's Exit posts WM_CLOSE.
    void closeBoth() {
        closeProgram('A');
        if (bRunning_) closeProgram('B');
    }

private:
    // -- reading both computers and the switch --

    void closeProgram(char host) {
        const std::string closed = command(host, "close");
        if (!CHECK(closed == "ok 0")) std::printf("  closing %c: %s\n", host, closed.c_str());
    }

    std::string sim(const std::string& line) {
        const std::string reply = ask("sim " + line);
        if (reply.compare(0, 3, "ok ") != 0) std::printf("switchsim: %s -> %s\n", line.c_str(), reply.c_str());
        return reply;
    }

    bool readState(SwitchState& state) {
        const std::string reply = ask("sim state");
        if (reply.compare(0, 3, "ok ") != 0) return false;
        state.json = reply.substr(3);
        return true;
    }

    bool readPanel(char host, Panel& panel) {
        const std::string reply = command(host, "panel");
        return reply.compare(0, 3, "ok ") == 0 && parsePanel(reply.substr(3), panel);
    }

    // Within kMoveMs, `host`'s panel shows no switch: no rows, no status.
    bool panelCleared(char host) {
        const bool cleared = waitFor(
            [&] {
                Panel panel;
                return readPanel(host, panel) && panel.rows.empty() && panel.firmware.empty() && panel.host.empty() &&
                       panel.type.empty();
            },
            kMoveMs);
        if (!CHECK(cleared)) std::printf("  %c's panel was not cleared\n", host);
        return cleared;
    }

    // The one way a working panel of `host` shows the switch: its rows, their
    // lit arrow on the side of the port's owner and the arrows named for a
    // screen reader as they look, the device's name on both computers (the
    // other one's from the controller's registry). Empty when it does,
    // otherwise what differs.
    std::string mismatch(char host, const Panel& panel, const SwitchState& state) {
        const std::string where = std::string(1, host) + ": ";
        if (!state.connected(host)) return where + "not connected to the switch";
        if (panel.firmware != kFirmwareVersion) return where + "firmware \"" + panel.firmware + "\"";
        if (panel.host != std::string(1, host)) return where + "host \"" + panel.host + "\"";
        const std::string type = state.fourPort() ? "2-4" : "2-2";
        if (panel.type != type) return where + "type \"" + panel.type + "\", not " + type;
        const std::vector<int> ports = state.portsInUse();
        if (panel.rows.size() != ports.size()) return where + std::to_string(panel.rows.size()) + " rows";
        for (std::size_t index = 0; index < ports.size(); ++index) {
            const Row& row = panel.rows[index];
            const int port = ports[index];
            const bool here = state.owner(port) == host;
            if (row.port != port) return where + "row " + std::to_string(index + 1) + " is port " + std::to_string(row.port);
            const std::string expected = std::string(here ? "lit" : "dim") + "/" + (here ? "dim" : "lit");
            if (row.claim + "/" + row.release != expected)
                return where + "port " + std::to_string(port) + " " + row.claim + "/" + row.release + ", not " + expected;
            // The digit on the arrows: port 3 is the first row's.
            const std::string number = "Port " + std::to_string(4 - port) + ", ";
            const std::string names = number + (here ? "on this computer" : "move here") + "/" + number +
                                      (here ? "move to the other computer" : "on the other computer");
            if (row.claimText + "/" + row.releaseText != names)
                return where + "port " + std::to_string(port) + " arrows named \"" + row.claimText + "\" and \"" +
                       row.releaseText + "\"";
            const std::string name = here ? state.description(port) : nameElsewhere(host, port, state);
            if (row.name != name)
                return where + "port " + std::to_string(port) + " named \"" + row.name + "\", not \"" + name + "\"";
        }
        return {};
    }

    // The name `host` gives the device on a port of the other computer: the
    // device's own, which the controller's registry leads a Windows computer
    // to. Linux names it from udev's hardware database instead (B's agent
    // looks it up), or from a device of the same ID that it sees itself.
    std::string nameElsewhere(char host, int port, const SwitchState& state) {
        if (!mixed_ || host != 'B') return state.description(port);
        const std::string id = state.usbId(port);
        const std::string own = state.localDescription(host, id);
        if (!own.empty()) return own;
        const auto known = hwdbNames_.find(id);
        if (known != hwdbNames_.end()) return known->second;
        const std::string looked = command('B', "hwdb " + id);
        const std::string name = looked.compare(0, 3, "ok ") == 0 ? looked.substr(3) : std::string();
        if (looked.compare(0, 2, "ok") == 0) hwdbNames_[id] = name;
        return name;
    }

    struct Snapshot {
        SwitchState state;
        Panel a;
        Panel b;
        std::string problem;   // empty when both panels show the switch as it is
        DWORD readAt[3] = {};  // when the switch's state, A's panel and B's were read
    };

    bool snap(Snapshot& now) {
        const bool stateRead = readState(now.state);
        now.readAt[0] = GetTickCount();
        const bool aRead = stateRead && readPanel('A', now.a);
        now.readAt[1] = GetTickCount();
        const bool bRead = aRead && (!bRunning_ || readPanel('B', now.b));
        now.readAt[2] = GetTickCount();
        if (!stateRead) {
            now.problem = "switchsim did not answer";
        } else if (!bRead) {
            now.problem = "a panel could not be read";
        } else {
            now.problem = mismatch('A', now.a, now.state);
            if (now.problem.empty() && bRunning_) now.problem = mismatch('B', now.b, now.state);
        }
        return now.problem.empty();
    }

    static void report(const Snapshot& now) {
        std::printf("  %s\n  A: %s\n  B: %s\n  switch: %s\n", now.problem.c_str(), describe(now.a).c_str(),
                    describe(now.b).c_str(), now.state.json.c_str());
    }

    // One part of the readings (the switch's state, a panel) while a wait
    // goes on: what it showed last, and when the last reading of it that
    // showed something else ended, if one did. What it shows now came about
    // after that.
    struct Settling {
        bool seen = false;
        std::string shown;
        DWORD readAt = 0;
        std::optional<DWORD> changedAfter;

        void read(std::string now, DWORD at) {
            if (seen && now != shown) changedAfter = readAt;
            seen = true;
            shown = std::move(now);
            readAt = at;
        }
    };

    // Waits until both panels show the switch as it is and `also` holds. The
    // wait ends with the reading that shows it: no pause after that one.
    // That came about after lastChangedAfter_, when a part last read
    // otherwise, or before the wait if none did; a reading takes its time,
    // longer when a busy window thread holds it up.
    bool agree(const char* what, DWORD limitMs, const std::function<bool(const Snapshot&)>& also = nullptr) {
        Snapshot now;
        Settling parts[3];
        const bool agreed = waitFor(
            [&] {
                if (snap(now) && also && !also(now)) now.problem = "the ports are not where they should be yet";
                parts[0].read(now.state.json, now.readAt[0]);
                parts[1].read(describe(now.a), now.readAt[1]);
                parts[2].read(describe(now.b), now.readAt[2]);
                if (now.problem.empty()) return true;
                Sleep(latency_ ? kLatencyPauseMs : kPollMs);
                return false;
            },
            limitMs);
        lastChangedAfter_.reset();
        for (const Settling& part : parts)
            if (part.changedAfter) lastChangedAfter_ = std::max(lastChangedAfter_.value_or(0), *part.changedAfter);
        if (!CHECK(agreed)) {
            std::printf("  %s\n", what);
            report(now);
        }
        return agreed;
    }

    static auto owners(const char* expected) {
        return [expected](const Snapshot& now) {
            const std::vector<int> ports = now.state.portsInUse();
            for (std::size_t index = 0; index < ports.size(); ++index)
                if (now.state.owner(ports[index]) != expected[index]) return false;
            return true;
        };
    }

    // -- acting on them --

    // A real click on an arrow button of `host`: the button turns pending.
    // In the responsiveness run, a line "pending <move> <ms>" says how long
    // from the click reaching the window to the image showing it.
    bool click(char host, int button, const char* move) {
        const std::string point = command(host, "where " + std::to_string(button));
        const std::string clicks = command(host, "clicks");
        if (!CHECK(point.compare(0, 3, "ok ") == 0 && clicks.compare(0, 3, "ok ") == 0)) return false;
        xdotool("mousemove " + point.substr(3) + " click 1");
        const std::string pending = command(host, "pending " + std::to_string(button) + " " + clicks.substr(3));
        if (!CHECK(pending.compare(0, 3, "ok ") == 0)) {
            std::printf("  the click on %c's button %d left it as it was: %s\n", host, button, pending.c_str());
            return false;
        }
        if (responsiveness_) std::printf("pending %s %s\n", move, pending.substr(3).c_str());
        return true;
    }

    // Both windows sent WM_NULL every 20 ms while `move` goes on and a
    // moment after, each answer timed; then a line "answer <kind> <host>
    // <longest ms> <answered> <unanswered>" for each.
    bool watched(const char* kind, const std::function<bool()>& move) {
        const bool watching = command('A', "probe start") == "ok" && command('B', "probe start") == "ok";
        const bool moved = CHECK(watching) && move();
        Sleep(kAfterMoveMs);
        for (const char host : {'A', 'B'}) {
            const std::string answers = command(host, "probe stop");
            if (CHECK(answers.compare(0, 3, "ok ") == 0))
                std::printf("answer %s %c %s\n", kind, host, answers.substr(3).c_str());
        }
        return moved;
    }

    // Milliseconds from `start` until both panels agree on the switch that
    // `also` expects.
    bool timedMove(const char* what, DWORD start, const std::function<bool(const Snapshot&)>& also) {
        if (!agree(what, kMoveMs, also)) return false;
        const DWORD ended = GetTickCount();
        const DWORD tookMs = ended - start;
        if (latency_) {
            std::printf("latency %s %lu\n", what, tookMs);
            spansMs_.push_back(ended - lastChangedAfter_.value_or(start));
        } else {
            std::printf("%s: both panels agreed %lu ms after it began\n", what, tookMs);
        }
        return true;
    }

    // A real click on an arrow of `host`, timed from just before it until
    // the ports' owners, in the order of the panel's rows, are `expected`.
    bool clickedMove(const char* what, char host, int button, const char* expected) {
        const DWORD clicked = GetTickCount();
        return click(host, button, what) && timedMove(what, clicked, owners(expected));
    }

    // A click on the software version field gives `host`'s window the
    // keyboard focus, and with it the lock keys typed.
    bool focus(char host) {
        const std::string point = command(host, "where " + std::to_string(kSoftwareField));
        if (!CHECK(point.compare(0, 3, "ok ") == 0)) return false;
        xdotool("mousemove " + point.substr(3) + " click 1");
        // No window manager on the run's display gives a GTK window the
        // keyboard on a click: the window takes it, as it would be given.
        if (mixed_ && host == 'B') CHECK(command(host, "focus") == "ok");
        if (CHECK(waitFor([&] { return command(host, "foreground") == "ok 1"; }, kReactMs))) return true;
        std::printf("  %c's window did not take the focus from a click\n", host);
        return false;
    }

    // A real double tap of NumLock, typed into the window that has the focus,
    // until the ports' owners are `expected`.
    bool doubleTap(const char* what, const char* expected) {
        CHECK(xdotool("key --delay 300 Num_Lock Num_Lock"));
        // Timed from the second press, which xdotool has typed once it has
        // returned: the 300 ms between the presses are the user's, not the
        // program's.
        return timedMove(what, GetTickCount(), owners(expected));
    }

    // Only B's keyboard hook heard the double taps.
    void checkDoubleTaps(int onB) {
        const std::string heardA = command('A', "hotkeys");
        // B on Linux hears a tap on its X display alone, as the moves show.
        const std::string heardB = mixed_ ? "ok " + std::to_string(onB) : command('B', "hotkeys");
        if (!CHECK(heardA == "ok 0" && heardB == "ok " + std::to_string(onB)))
            std::printf("  double taps heard: A %s, B %s\n", heardA.c_str(), heardB.c_str());
    }

    // -- the steps --

    // The program on `host` started, its window shown side by side with the
    // other computer's on the one screen: at (40, 240) on A and (660, 240) on
    // B at 96 dpi, further apart as the windows grow with the resolution.
    bool startProgram(char host) {
        const std::string started = ask(std::string("start ") + host);
        const std::string attached = command(host, "attach");
        const int left = atScreenDpi(host == 'A' ? 40 : 660);
        const std::string shown =
            command(host, "show " + std::to_string(left) + " " + std::to_string(atScreenDpi(240)));
        // Each Windows computer's tray below its window, where its balloons
        // show; the Linux one has none on the run's display.
        const bool onLinux = mixed_ && host == 'B';
        const std::string tray =
            onLinux ? "ok" : command(host, "tray " + std::to_string(left) + " " + std::to_string(atScreenDpi(680)));
        POINT& icon = trayIcon_[host == 'A' ? 0 : 1];
        const bool placed = onLinux || std::sscanf(tray.c_str(), "ok %ld %ld", &icon.x, &icon.y) == 2;
        if (CHECK(started == "ok" && attached == "ok" && shown == "ok" && placed)) return true;
        std::printf("  %c: %s; %s; %s; %s\n", host, started.c_str(), attached.c_str(), shown.c_str(), tray.c_str());
        return false;
    }

    // A is on first and records its devices in the controller's registry;
    // B, started then, names them from there.
    bool start() {
        sim("plug 3 046d c52b Logitech Receiver");
        sim("plug 2 0781 5567 SanDisk Cruzer");
        // On Linux the stick is a disk that B's desktop mounts as it arrives.
        if (mixed_) sim("disk B 0781 5567 /media/user/CRUZER");
        DWORD started = GetTickCount();
        if (!startProgram('A') || !agree("start: A shows the switch", kStartMs, owners("AA"))) return false;
        std::printf("start: A's panel showed the switch %lu ms after A started\n", GetTickCount() - started);
        started = GetTickCount();
        bRunning_ = startProgram('B');
        if (!bRunning_ || !agree("start: both computers show the switch", kStartMs, owners("AA"))) return false;
        std::printf("start: both panels agreed %lu ms after B started\n", GetTickCount() - started);
        return true;
    }

    // B claims port 2: A gives it up; A names the device from the registry,
    // having no view of it any more.
    bool claimOnB() {
        if (!clickedMove("claim of port 2 on B", 'B', claimButton(rowOf(2)), "AB")) return false;
        screenshot("02-claim-on-b");
        return true;
    }

    bool releaseOnA() {
        if (!clickedMove("release of port 3 on A", 'A', releaseButton(rowOf(3)), "BB")) return false;
        screenshot("03-release-on-a");
        return true;
    }

    // A real double tap of NumLock, typed while B's window has the keyboard
    // focus: only B's keyboard hook hears it, and B, holding every port,
    // gives them all to A. Tapped twice more, it pulls them all back.
    bool doubleTapOnB() {
        if (!focus('B') || !doubleTap("double tap 1 on B", "AA")) return false;
        screenshot("04-double-tap-on-b");
        if (!doubleTap("double tap 2 on B", "BB")) return false;
        checkDoubleTaps(2);
        return true;
    }

    // A device on A that refuses removal: B's claim of its port fails, the
    // port stays on A, and A's user sees the busy notice.
    bool busyDeviceOnA() {
        // A holds port 2 again, by its own claim.
        if (!clickedMove("claim of port 2 on A", 'A', claimButton(rowOf(2)), "BA")) return false;
        sim("busy 2 on");
        const DWORD claimed = GetTickCount();
        if (!click('B', claimButton(rowOf(2)), "claim of a busy port")) return false;
        const bool shown = waitFor(
            [&] {
                Panel a;
                return readPanel('A', a) && a.notice;
            },
            kMoveMs);
        if (!CHECK(shown)) std::printf("  A shows no busy notice\n");
        if (!agree("busy device on A: port 2 stays", kMoveMs, [](const Snapshot& now) {
                return owners("BA")(now) && now.a.notice;
            })) {
            return false;
        }
        std::printf("claim of port 2 on B, its device busy on A: A kept the port and showed the busy notice %lu ms "
                    "after the click\n",
                    GetTickCount() - claimed);
        screenshot("05-busy-on-a");
        sim("busy 2 off");
        CHECK(command('A', "dismiss") == "ok");
        return true;
    }

    // The stick on port 2, mounted on B with a file open on it: A's claim of
    // the port is refused (udisks2 will not unmount it), the port stays on
    // B, and B's user sees the busy notice. The file closed, A's claim goes
    // through: B unmounts the stick and powers it off before the port leaves.
    bool busyStickOnB() {
        SwitchState state;
        if (!CHECK(readState(state) && state.stickMounted(kStickOnB)))
            std::printf("  B's stick is not mounted: %s\n", state.json.c_str());
        sim("busy 2 on");
        const DWORD claimed = GetTickCount();
        if (!click('A', claimButton(rowOf(2)), "claim of a busy stick")) return false;
        if (!agree("busy stick on B: port 2 stays", kMoveMs, [](const Snapshot& now) {
                return owners("BB")(now) && now.b.notice;
            })) {
            return false;
        }
        std::printf("claim of port 2 on A, its stick busy on B: B kept the port and showed the busy notice %lu ms "
                    "after the click\n",
                    GetTickCount() - claimed);
        screenshot("05-busy-stick-on-b");
        sim("busy 2 off");
        CHECK(command('B', "dismiss") == "ok");
        if (!clickedMove("claim of port 2 on A, its stick unmounted on B", 'A', claimButton(rowOf(2)), "BA"))
            return false;
        screenshot("05-stick-unmounted-on-b");
        return true;
    }

    // A stick of the same make as the one on port 2, plugged straight into
    // B, mounted there: A's claim of port 2 unmounts and removes only the
    // stick on the port, and B's own stays mounted.
    bool twinOutsideTheSwitchOnB() {
        if (!clickedMove("claim of port 2 on B", 'B', claimButton(rowOf(2)), "BB")) return false;
        sim("local B 0781 5567 SanDisk Cruzer");
        Sleep(kRediscoveryMs);
        if (!clickedMove("claim of port 2 on A beside B's own stick", 'A', claimButton(rowOf(2)), "BA")) return false;
        SwitchState state;
        if (!CHECK(readState(state) && state.stickMounted(kTwinOnB) && state.ownDevicesPresent('B')))
            std::printf("  B's own stick was unmounted or removed: %s\n", state.json.c_str());
        Panel b;
        CHECK(readPanel('B', b) && !b.notice);
        screenshot("06-twin-outside-the-switch-on-b");
        sim("local B unplug 0781 5567");
        Sleep(kRediscoveryMs);
        return true;
    }

    // B's printer on port 2, a CUPS queue on B, gets a job while A has the
    // port: B pulls the port back. Another job while B holds it: A's claim
    // is refused. Port 2 is A's, port 3 B's to begin with.
    bool printerJobOnB() {
        sim("plug 2 04f9 0042 Brother HL-L2350DW");
        sim("printer B Brother HL-L2350DW 04f9 0042");
        // The printer reached A's port: A opens its controller afresh first.
        Sleep(kRediscoveryMs);
        // A Linux computer learns which USB device a queue prints to from
        // the device while it is there: B has the printer once, for a poll.
        if (!clickedMove("claim of port 2 on B, its printer there", 'B', claimButton(rowOf(2)), "BB")) return false;
        Sleep(kPrinterPollMs + 1000);
        if (!clickedMove("claim of port 2 on A, B's printer idle", 'A', claimButton(rowOf(2)), "BA")) return false;
        const DWORD queued = GetTickCount();
        sim("job B Brother HL-L2350DW 1");
        if (!timedMove("a job for B's printer on A's port pulls it back", queued, owners("BB"))) return false;
        screenshot("07-printer-pulled-back-to-b");
        if (!click('A', claimButton(rowOf(2)), "claim of a port B prints on")) return false;
        if (!agree("a job for B's printer keeps its port on B", kMoveMs, owners("BB"))) return false;
        Sleep(3000);
        if (!agree("the port stays on B", kReactMs, owners("BB"))) return false;
        screenshot("07-printer-veto-on-b");
        sim("job B Brother HL-L2350DW 0");
        return clickedMove("claim of port 2 on A once B's printer is idle", 'A', claimButton(rowOf(2)), "BA");
    }

    // A stick of the same make as the one on port 2, plugged straight into A:
    // B's claim of port 2 removes only the stick on the port, and A's own
    // stays where it is.
    bool twinOutsideTheSwitch() {
        sim("local A 0781 5567 SanDisk Cruzer");
        // A's device tree changed: on its next tick A opens its controller
        // afresh, and a request that reached the handle it closes then is
        // lost. B asks once A has done so.
        Sleep(kRediscoveryMs);
        if (!clickedMove("claim of port 2 on B beside A's own stick", 'B', claimButton(rowOf(2)), "BB")) return false;
        SwitchState state;
        if (!CHECK(readState(state) && state.ownDevicesPresent('A')))
            std::printf("  A's own stick was removed: %s\n", state.json.c_str());
        Panel a;
        CHECK(readPanel('A', a) && !a.notice);
        screenshot("06-twin-outside-the-switch");
        if (!clickedMove("claim of port 2 on A again", 'A', claimButton(rowOf(2)), "BA")) return false;
        sim("local A unplug 0781 5567");
        Sleep(kRediscoveryMs);
        return true;
    }

    // A's printer on port 3 (on B now) gets a job: A pulls the port back.
    // Another job while A holds it: B's claim is refused.
    bool printerJobs() {
        // A is not told of a device reaching B's port: its panel names
        // port 3's old device until its next status report.
        sim("plug 3 03f0 2b17 HP LaserJet");
        sim("printer A HP LaserJet 03f0 2b17");
        const DWORD queued = GetTickCount();
        sim("job A HP LaserJet 1");
        // The printer poll runs every 5 s.
        if (!timedMove("a job for A's printer on B's port pulls it back", queued, owners("AA"))) return false;
        screenshot("07-printer-pulled-back");

        if (!click('B', claimButton(rowOf(3)), "claim of a printing port")) return false;
        // B's pending image goes with its next status report, well after
        // A's refusal.
        if (!agree("a job for A's printer keeps its port on A", kMoveMs, owners("AA"))) return false;
        Sleep(3000);
        if (!agree("the port stays on A", kReactMs, owners("AA"))) return false;
        screenshot("07-printer-veto");

        sim("job A HP LaserJet 0");
        return clickedMove("claim of port 3 on B once the printer is idle", 'B', claimButton(rowOf(3)), "BA");
    }

    // `host` loses its controller: its panel clears while the other's stays;
    // back again, both computers show the switch.
    bool controllerReplugged(char host) {
        const char other = host == 'A' ? 'B' : 'A';
        const std::string letter(1, host);
        const std::string lower(1, static_cast<char>(host - 'A' + 'a'));
        sim("controller " + letter + " unplug");
        panelCleared(host);
        Snapshot now;
        Panel& stays = other == 'A' ? now.a : now.b;
        CHECK(readState(now.state) && readPanel(other, stays));
        now.problem = mismatch(other, stays, now.state);
        if (!CHECK(now.problem.empty())) report(now);
        screenshot(("08-controller-unplugged-from-" + lower).c_str());
        sim("controller " + letter + " plug");
        if (!agree(("controller back on " + letter).c_str(), kStartMs, owners("BA"))) return false;
        screenshot(("08-controller-back-on-" + lower).c_str());
        return true;
    }

    // A's device on port 2 takes 8 s to be removed: A's release of the port
    // waits that long in its removal, and then both computers and the
    // switch agree that it is B's.
    bool slowRemovalOnA() {
        sim(std::string("slow 2 ") + kSlowRemovalMs);
        const bool moved =
            clickedMove("release of port 2 on A, its device slow to remove", 'A', releaseButton(rowOf(2)), "BB");
        sim("slow 2 0");
        if (!moved) return false;
        screenshot("09-slow-removal-on-a");
        return true;
    }

    // B gives port 2 back while its device takes 8 s to be removed.
    bool slowReleaseOnB() {
        sim(std::string("slow 2 ") + kSlowRemovalMs);
        const bool moved = watched("slow-release", [&] {
            return clickedMove("slow-release-on-b", 'B', releaseButton(rowOf(2)), "AA");
        });
        sim("slow 2 0");
        return moved;
    }

    // B's controller leaves and comes back: B finds it afresh and loads the
    // controller's registry before its panel shows the switch again.
    bool registryLoadOnB() {
        sim("controller B unplug");
        if (!panelCleared('B')) return false;
        return watched("registry-load", [&] {
            sim("controller B plug");
            return timedMove("registry-load-on-b", GetTickCount(), owners("AA"));
        });
    }

    // The command line on A: its status is the switch's, its claim of port 1
    // moves the port as a click on the arrow would, and what cannot be done
    // is refused. Every port is B's to begin with.
    bool commandLineOnA() {
        SwitchState state;
        const command_line_run::Result status = runCommandLine("status --json");
        if (!CHECK(readState(state) && status.exitCode == 0)) return false;
        const std::string expected = statusJson('A', state);
        if (!CHECK(status.out == expected))
            std::printf("  printed  %s  expected %s", status.out.c_str(), expected.c_str());

        const DWORD asked = GetTickCount();
        const command_line_run::Result claim = runCommandLine("claim 1");
        if (!CHECK(claim.exitCode == 0 && claim.out == "Port 1: moving here.\n")) return false;
        if (!timedMove("claim of port 1 from A's command line", asked, owners("AB"))) return false;
        screenshot("10-command-line-claim-on-a");
        const struct {
            const char* arguments;
            const char* refusal;
        } refused[] = {{"claim 1", "Port 1 is here already.\n"},
                       {"release 2", "Port 2 is on the other computer already.\n"},
                       {"claim 3", "This switch has no port 3.\n"}};
        for (const auto& move : refused) {
            const command_line_run::Result run = runCommandLine(move.arguments);
            if (!CHECK(run.exitCode == 4 && run.err == move.refusal))
                std::printf("  %s: exit %lu, \"%s\"\n", move.arguments, run.exitCode, run.err.c_str());
        }
        return agree("the refused moves changed nothing", kReactMs, owners("AB"));
    }

    // B's tray menu, used as B's user would: the diagnostic log switched
    // on, port 2 given to A from its row, a balloon on each computer that
    // names the stick, B's log holding the reports of the move, and the log
    // off again. Port 1 is A's, port 2 B's to begin with.
    bool trayMenuOnB() {
        if (!chooseFromTrayMenu('B', kLogRow)) return false;
        CHECK(waitFor([&] { return command('B', "setting Log") == "ok 1"; }, kReactMs));
        const std::string balloonBeforeA = command('A', "balloon");
        const std::string balloonBeforeB = command('B', "balloon");
        const DWORD chosen = GetTickCount();
        if (!chooseFromTrayMenu('B', kPortRow + 1, "11-tray-menu-on-b")) return false;
        if (!timedMove("release of port 2 from B's tray menu", chosen, owners("AA"))) return false;
        const struct {
            char host;
            std::string before;
        } sides[] = {{'A', balloonBeforeA}, {'B', balloonBeforeB}};
        for (const auto& side : sides) {
            std::string shown;
            const bool told = waitFor(
                [&] {
                    shown = command(side.host, "balloon");
                    return shown != side.before && shown.find(" SanDisk Cruzer", 3) != std::string::npos;
                },
                kReactMs);
            if (!CHECK(told))
                std::printf("  %c's balloon: %s, before the move %s\n", side.host, shown.c_str(), side.before.c_str());
        }
        screenshot("12-balloons-after-the-tray-menu");

        int lines = 0;
        int reports = 0;
        const std::string log = command('B', "log");
        if (!CHECK(std::sscanf(log.c_str(), "ok %d %d", &lines, &reports) == 2 && reports > 0))
            std::printf("  B's log: %s\n", log.c_str());
        if (!chooseFromTrayMenu('B', kLogRow)) return false;
        CHECK(waitFor([&] { return command('B', "setting Log") == "ok 0"; }, kReactMs));
        return true;
    }

    // A real right click on `host`'s tray icon, then a click on row `row` of
    // the menu it opens, with a screenshot named `shot` of the menu first if
    // given.
    bool chooseFromTrayMenu(char host, std::size_t row, const char* shot = nullptr) {
        const POINT icon = trayIcon_[host == 'A' ? 0 : 1];
        // A balloon of either computer may lie over the icon; a click on it
        // only closes it, so the click is given again.
        std::string shown;
        for (int attempt = 0; attempt < 3 && shown.rfind("ok", 0) != 0; ++attempt) {
            CHECK(xdotool("mousemove " + std::to_string(icon.x) + " " + std::to_string(icon.y) + " click 3"));
            shown = command(host, "menu");
        }
        RECT menu{};
        if (!CHECK(std::sscanf(shown.c_str(), "ok %ld %ld %ld %ld", &menu.left, &menu.top, &menu.right,
                               &menu.bottom) == 4)) {
            std::printf("  %c's tray menu: %s\n", host, shown.c_str());
            return false;
        }
        // The menu is drawn a moment after its window shows.
        Sleep(300);
        if (shot != nullptr) screenshot(shot);
        const POINT item = wine_tray::menuRow(menu, kTrayMenuRows, row);
        return CHECK(xdotool("mousemove " + std::to_string(item.x) + " " + std::to_string(item.y) + " click 1"));
    }

    static command_line_run::Result runCommandLine(const char* arguments) {
        return command_line_run::run(program_probe::besideDriver("pivora_simulated.exe"), arguments, kReactMs);
    }

    // What `host`'s status --json prints of the switch in `state`, nothing pending.
    static std::string statusJson(char host, const SwitchState& state) {
        // The user's port 1 is the switch's port 3, and so on down.
        std::string json = "{\"connected\":true,\"ports\":[";
        for (const int port : state.portsInUse()) {
            json += std::string(port < 3 ? "," : "") + "{\"port\":" + std::to_string(4 - port) + ",\"device\":\"" +
                    state.description(port) + "\",\"owner\":\"" + (state.owner(port) == host ? "here" : "other") +
                    "\",\"pending\":false}";
        }
        return json + "]}\n";
    }

    // The start again, on a four-port switch: B, off meanwhile, starts
    // after A has recorded the devices on the two new ports.
    bool fourPortSwitch() {
        closeProgram('B');
        bRunning_ = false;
        sim("form four");
        sim("plug 1 046d c077 Logitech Mouse");
        sim("plug 0 0a5c 21e8 Broadcom Bluetooth");
        auto four = [](const Snapshot& now) { return now.state.fourPort(); };
        if (!agree("four-port switch: A shows it", kStartMs, four)) return false;
        bRunning_ = startProgram('B');
        if (!bRunning_ || !agree("four-port switch: both computers show it", kStartMs, four)) return false;
        screenshot("13-four-port");
        return true;
    }

    LocalComputer local_;
    // Each computer's tray icon on the screen.
    POINT trayIcon_[2] = {};
    bool bRunning_ = false;
    bool mixed_ = false;
    // A Linux B's names from its hardware database, by "<vid> <pid>".
    std::map<std::string, std::string> hwdbNames_;
    bool latency_ = false;
    bool responsiveness_ = false;
    std::optional<DWORD> lastChangedAfter_;
    // In the latency mode, how long before its time's end each move came
    // about at the most.
    std::vector<DWORD> spansMs_;
};

// The agent on B: each line read is a command, each answered with one line.
int serve() {
    LocalComputer computer;
    for (std::string line = script_requests::readLine(); !line.empty() && line != "quit";
         line = script_requests::readLine()) {
        std::printf("=%s\n", computer.answer(line).c_str());
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool mixed = argc > 1 && std::string(argv[1]) == "--mixed";
    const int first = mixed ? 2 : 1;
    const std::string mode = argc > first ? argv[first] : "";
    if (mode == "--agent") return serve();
    const bool timed = mode == "--latency" || mode == "--responsiveness";
    const int repetitions = timed && argc > first + 1 ? std::atoi(argv[first + 1]) : 0;
    if (timed && repetitions < 1) {
        std::printf("usage: %s [--mixed] [--tour | --latency N | --responsiveness N]\n", argv[0]);
        return 2;
    }
    wine_check::start();
    const DWORD started = GetTickCount();
    TwoComputers computers;
    if (mixed) computers.playMixed();
    const char* played = "scenario";
    if (mode == "--tour") {
        played = "tour";
        computers.tour();
    } else if (mode == "--latency") {
        played = "latency run";
        computers.latency(repetitions);
    } else if (mode == "--responsiveness") {
        played = "responsiveness run";
        computers.responsiveness(repetitions);
    } else {
        computers.run();
    }
    computers.closeBoth();
    std::printf("the %s took %lu s\n", played, (GetTickCount() - started + 500) / 1000);
    return wine_check::finish();
}
