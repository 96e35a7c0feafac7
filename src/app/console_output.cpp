#include "app/console_output.h"

#include <algorithm>
#include <vector>

namespace pivora {

namespace {

// Larger writes are split: a console takes a limited buffer at a time.
constexpr std::size_t kChunk = 8192;

bool writeToConsole(HANDLE console, const std::string& text) {
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (units <= 0) return false;
    std::vector<WCHAR> wide(static_cast<std::size_t>(units));
    if (MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), units) != units) return false;
    for (std::size_t at = 0; at < wide.size();) {
        DWORD written = 0;
        const auto count = static_cast<DWORD>(std::min(kChunk, wide.size() - at));
        if (!WriteConsoleW(console, wide.data() + at, count, &written, nullptr) || written == 0) return false;
        at += written;
    }
    return true;
}

bool writeToFile(HANDLE file, const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        DWORD written = 0;
        const auto count = static_cast<DWORD>(std::min(kChunk, text.size() - at));
        if (!WriteFile(file, text.data() + at, count, &written, nullptr) || written == 0) return false;
        at += written;
    }
    return true;
}

bool writeTo(HANDLE handle, const std::string& text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) ? writeToConsole(handle, text) : writeToFile(handle, text);
}

}  // namespace

void ConsoleOutput::CloseHandle::operator()(HANDLE handle) const { ::CloseHandle(handle); }

void ConsoleOutput::write(Stream stream, const std::string& text) {
    if (text.empty()) return;
    if (writeTo(GetStdHandle(stream == Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), text)) return;
    if (!parentConsoleTried_) {
        parentConsoleTried_ = true;
        // Fails when this process has a console already; CONOUT$ is then its own.
        AttachConsole(ATTACH_PARENT_PROCESS);
        const HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) parentConsole_.reset(console);
    }
    writeTo(parentConsole_.get(), text);
}

}  // namespace pivora
