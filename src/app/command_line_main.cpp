#include "app/command_line_main.h"

#include <memory>
#include <string>
#include <vector>

#include "app/console_output.h"
#include "app/remote_client.h"
#include "platform/win32/windows_api.h"
// After <windows.h>, which it needs.
#include <shellapi.h>
#include "remote/command_line.h"
#include "remote/utf8_text.h"

namespace pivora {

namespace {

struct LocalFreeArguments {
    void operator()(LPWSTR* arguments) const { LocalFree(arguments); }
};

// The words after the program's name, in UTF-8.
std::vector<std::string> programArguments() {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreeArguments> words(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> arguments;
    if (!words) return arguments;
    for (int index = 1; index < count; ++index) {
        const std::wstring word = words.get()[index];
        arguments.push_back(utf8FromUtf16(reinterpret_cast<const char16_t*>(word.data()), word.size()));
    }
    return arguments;
}

}  // namespace

int runFromCommandLine(const std::function<int(const StartOptions&)>& startTray) {
    const CommandLine line = parseCommandLine(programArguments());
    ConsoleOutput output;
    switch (line.action) {
        case CommandLine::StartTray:
            return startTray(line.start);
        case CommandLine::SendRequest: {
            const RemoteAnswer answer = askRunningCopy(line.request);
            output.write(answer.exitStatus == exit_status::kDone ? ConsoleOutput::Out : ConsoleOutput::Error,
                         answer.text);
            return answer.exitStatus;
        }
        case CommandLine::ShowUsage:
        default:
            output.write(ConsoleOutput::Error, usageText(kWindowsStartUsage));
            return exit_status::kBadUsage;
    }
}

}  // namespace pivora
