// The simulated build: the program exactly as the product runs it, with its
// device seams (HID, USB, removal, spooler, registry) served by the switch
// simulator, switchsim, over loopback, and the same command line. Only the
// tray program reads a setting: PIVORA_SWITCHSIM="<port>:<host letter>", for
// example "47001:A". It ends with 2 when the setting is missing or
// malformed, and with 3 when the simulator cannot be reached or refuses
// this computer.

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "app/command_line_main.h"
#include "app/switch_app.h"
#include "link/link_platform.h"
#include "link/winsock_transport.h"
#include "log/diagnostic_log_file.h"
#include "platform/win32/win32_log_file_api.h"
#include "platform/win32/win32_clock.h"
#include "platform/window_api.h"

namespace {

constexpr int kBadSetting = 2;
constexpr int kNoSimulator = 3;

struct Setting {
    unsigned port = 0;
    char host = 0;
};

bool readSetting(Setting& setting) {
    char text[32] = {};
    const DWORD length = GetEnvironmentVariableA("PIVORA_SWITCHSIM", text, sizeof text);
    if (length == 0 || length >= sizeof text) return false;
    // strtoul reports a number too large for its type; the leading digit
    // keeps out the sign and the spaces it would accept.
    if (std::isdigit(static_cast<unsigned char>(text[0])) == 0) return false;
    char* rest = nullptr;
    errno = 0;
    const unsigned long port = std::strtoul(text, &rest, 10);
    if (errno != 0 || port == 0 || port > 0xFFFF) return false;
    if (rest[0] != ':' || (rest[1] != 'A' && rest[1] != 'B') || rest[2] != '\0') return false;
    setting.port = static_cast<unsigned>(port);
    setting.host = rest[1];
    return true;
}

int runSimulated(HINSTANCE module, const pivora::StartOptions& options) {
    Setting setting;
    if (!readSetting(setting)) return kBadSetting;
    auto transport = pivora::link::WinsockTransport::connectLoopback(static_cast<std::uint16_t>(setting.port));
    if (!transport) return kNoSimulator;

    // The simulator tells this computer when its device tree changes; Windows
    // would then send the main window WM_DEVICECHANGE.
    std::atomic<HWND> mainWindow{nullptr};
    pivora::Win32Clock clock;
    // The diagnostic log in this computer's %LOCALAPPDATA%\Pivora, as the product has it.
    pivora::Win32LogFileApi logFiles(pivora::Win32LogFileApi::pivoraFolder());
    pivora::DiagnosticLogFile trace(logFiles);
    pivora::link::LinkPlatform simulated(std::move(transport), setting.host, clock, trace, [&mainWindow] {
        if (const HWND window = mainWindow.load()) PostMessageA(window, pivora::win::kWmDeviceChange, pivora::win::kDbtDevNodesChanged, 0);
    });
    if (!simulated.connection.connected()) return kNoSimulator;

    pivora::SwitchApp app;
    const int result =
        app.run(module, simulated.platform, options, &trace, [&mainWindow](HWND window) { mainWindow = window; });
    mainWindow = nullptr;
    return result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    return pivora::runFromCommandLine(
        [module](const pivora::StartOptions& options) { return runSimulated(module, options); });
}
