#include "platform/win32/win32_log_file_api.h"

#include "platform/win32/windows_api.h"

#include <shlobj.h>

namespace pivora {

static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "DWORD");

namespace {

HANDLE handleOf(OsHandle file) { return static_cast<HANDLE>(file); }

std::uint32_t resultOf(BOOL done) { return done != FALSE ? 0 : GetLastError(); }

}  // namespace

std::wstring Win32LogFileApi::pivoraFolder() {
    wchar_t localAppData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localAppData))) return {};
    localAppData[MAX_PATH - 1] = L'\0';
    return std::wstring(localAppData) + L"\\Pivora";
}

std::wstring Win32LogFileApi::widePathOf(const char* name) const {
    std::wstring path = folder_ + L'\\';
    // The log's names are ASCII.
    for (const char* c = name; *c != '\0'; ++c) path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path;
}

std::uint32_t Win32LogFileApi::createFolder() {
    if (folder_.empty()) return ERROR_PATH_NOT_FOUND;
    if (CreateDirectoryW(folder_.c_str(), nullptr) != FALSE) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS ? 0 : error;
}

std::uint32_t Win32LogFileApi::openForAppend(const char* name, OsHandle* file) {
    // Append-only access: every write lands at the end. Shared, so that the
    // user can read, move or delete the file while the log writes it.
    const HANDLE opened = CreateFileW(widePathOf(name).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    *file = orNull(opened);
    // OPEN_ALWAYS leaves ERROR_ALREADY_EXISTS behind when it succeeds on an existing file.
    return opened != INVALID_HANDLE_VALUE ? 0 : GetLastError();
}

std::uint32_t Win32LogFileApi::write(OsHandle file, const char* bytes, std::uint32_t length, std::uint32_t* written) {
    DWORD done = 0;
    const BOOL ok = WriteFile(handleOf(file), bytes, length, &done, nullptr);
    *written = done;
    return resultOf(ok);
}

std::uint32_t Win32LogFileApi::size(OsHandle file, std::uint64_t* bytes) {
    LARGE_INTEGER length{};
    const BOOL ok = GetFileSizeEx(handleOf(file), &length);
    if (ok != FALSE) *bytes = static_cast<std::uint64_t>(length.QuadPart);
    return resultOf(ok);
}

std::uint32_t Win32LogFileApi::rename(const char* from, const char* to) {
    return resultOf(MoveFileW(widePathOf(from).c_str(), widePathOf(to).c_str()));
}

std::uint32_t Win32LogFileApi::remove(const char* name) { return resultOf(DeleteFileW(widePathOf(name).c_str())); }

void Win32LogFileApi::close(OsHandle file) { CloseHandle(handleOf(file)); }

LocalTime Win32LogFileApi::localTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LocalTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.millisecond = now.wMilliseconds;
    return time;
}

std::string Win32LogFileApi::pathOf(const char* name) {
    const std::wstring wide = widePathOf(name);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    if (length <= 0) return {};
    std::string path(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), path.data(), length, nullptr, nullptr);
    return path;
}

}  // namespace pivora
