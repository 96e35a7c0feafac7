// The diagnostic log over the real Win32 file calls, run under Wine, in a
// folder of the prefix's temporary directory whose name no ANSI code page
// can spell: the log writes there, appends when switched on again, turns
// into pivora.log.1 at 1 MiB keeping one older file, and fails with a reason
// where no folder can be made. Also: the product's folder is
// %LOCALAPPDATA%\Pivora.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "check.h"
#include "log/diagnostic_log_file.h"
#include "log/rotating_log_file.h"
#include "platform/win32/win32_log_file_api.h"

using namespace pivora;

namespace {

// "日本 ☺" in UTF-16 and in UTF-8.
constexpr const wchar_t* kWideName = L"\x65E5\x672C \x263A";
constexpr const char* kUtf8Name = "\xE6\x97\xA5\xE6\x9C\xAC \xE2\x98\xBA";

std::wstring temporaryFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    temp[MAX_PATH - 1] = L'\0';
    return std::wstring(temp) + L"pivora log " + kWideName + L" " + std::to_wstring(GetCurrentProcessId());
}

std::vector<std::wstring> namesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found) != FALSE);
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// Read as a user's viewer would, while the log may hold the file open.
std::string contentsOf(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string contents;
    if (file == INVALID_HANDLE_VALUE) return contents;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE && got > 0) contents.append(buffer, got);
    CloseHandle(file);
    return contents;
}

void removeFolder(const std::wstring& folder) {
    for (const std::wstring& name : namesIn(folder)) DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

// The number on the last "line N" of `contents`, or -1.
long lastLineNumber(const std::string& contents) {
    const std::size_t at = contents.rfind("line ");
    return at == std::string::npos ? -1 : std::strtol(contents.c_str() + at + 5, nullptr, 10);
}

void checkProductFolder() {
    const std::wstring folder = Win32LogFileApi::pivoraFolder();
    std::printf("the product's log folder: %ls\n", folder.c_str());
    wchar_t localAppData[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", localAppData, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        CHECK(folder == std::wstring(localAppData) + L"\\Pivora");
    } else {
        CHECK(folder.size() > 7 && folder.compare(folder.size() - 7, 7, L"\\Pivora") == 0);
    }
}

void checkWritesAndAppends(DiagnosticLogFile& log, const std::wstring& file) {
    log.setEnabled(true);
    CHECK(log.status().state == LogState::On);
    CHECK(log.filePath().find(kUtf8Name) != std::string::npos);
    const std::uint8_t report[] = {0x0B, 0x01};
    log.report(TraceChannel::ReportsDelivered, report, sizeof report);
    log.line(TraceChannel::Text, "first\r\n");
    const std::string before = contentsOf(file);
    CHECK(before.find(" delivered 0B 01\r\n") != std::string::npos);
    CHECK(before.find(" text first\r\n") != std::string::npos);
    CHECK(before.find("\r\r\n") == std::string::npos);

    // Append-only access: after a new start the file grows at its end.
    log.setEnabled(false);
    log.setEnabled(true);
    log.line(TraceChannel::Text, "second\r\n");
    const std::string after = contentsOf(file);
    CHECK(after.compare(0, before.size(), before) == 0);
    // The new entry starts where the old end was: a 23-character stamp, then its text.
    CHECK(after.find(" text second\r\n") == before.size() + 23);
}

void checkCapAndOlderFile(DiagnosticLogFile& log, const std::wstring& folder) {
    const std::string padding(1000, '.');
    // About 2.3 MiB: the file turns into pivora.log.1 twice.
    const long lastLine = 2400;
    for (long n = 1; n <= lastLine; ++n) {
        log.line(TraceChannel::Text, (padding + " line " + std::to_string(n) + "\r\n").c_str());
    }
    CHECK(log.status().state == LogState::On);

    const std::vector<std::wstring> names = namesIn(folder);
    CHECK(names == (std::vector<std::wstring>{L"pivora.log", L"pivora.log.1"}));
    const std::string newest = contentsOf(folder + L"\\pivora.log");
    const std::string older = contentsOf(folder + L"\\pivora.log.1");
    std::printf("pivora.log %zu bytes, pivora.log.1 %zu bytes\n", newest.size(), older.size());
    CHECK(newest.size() <= RotatingLogFile::kCapBytes);
    CHECK(older.size() <= RotatingLogFile::kCapBytes && older.size() > RotatingLogFile::kCapBytes - 1100);
    CHECK(lastLineNumber(newest) == lastLine);
    CHECK(older.find(" text first\r\n") == std::string::npos);  // the first file was replaced
}

void checkFailures(const std::wstring& folder) {
    // A plain file where the log's folder's parent should be.
    const std::wstring plain = folder + L"\\plain";
    const HANDLE file =
        CreateFileW(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    CloseHandle(file);
    Win32LogFileApi blockedFiles(plain + L"\\Pivora");
    DiagnosticLogFile blocked(blockedFiles);
    blocked.setEnabled(true);
    std::printf("under a plain file: %s\n", blocked.status().reason.c_str());
    CHECK(blocked.status().state == LogState::Failed);
    CHECK(blocked.status().reason.find("folder could not be created") != std::string::npos);
    blocked.line(TraceChannel::Text, "dropped\r\n");

    // No profile folder: nothing is made anywhere.
    Win32LogFileApi nowhereFiles(L"");
    DiagnosticLogFile nowhere(nowhereFiles);
    nowhere.setEnabled(true);
    CHECK(nowhere.status().state == LogState::Failed);
    DeleteFileW(plain.c_str());
}

}  // namespace

int main() {
    wine_check::start();
    checkProductFolder();

    const std::wstring folder = temporaryFolder();
    removeFolder(folder);
    {
        Win32LogFileApi files(folder);
        DiagnosticLogFile log(files);
        checkWritesAndAppends(log, folder + L"\\pivora.log");
        checkCapAndOlderFile(log, folder);
        log.setEnabled(false);
        checkFailures(folder);
    }
    removeFolder(folder);
    CHECK(GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES);
    return wine_check::finish();
}
