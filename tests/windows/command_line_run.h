#pragma once

// The program's command line, run as a script runs it: its standard output
// and error each on a pipe of its own, read to their end, and its exit code.

#include <string>
#include <thread>

#include "platform/win32/windows_api.h"

namespace command_line_run {

struct Result {
    bool ended = false;  // within the time given
    DWORD exitCode = 0;
    std::string out;
    std::string err;
};

namespace detail {

// Both ends of a pipe whose write end the child inherits.
struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;

    Pipe() {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        if (CreatePipe(&read, &write, &inherited, 0)) SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    ~Pipe() {
        closeWrite();
        if (read != nullptr) CloseHandle(read);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    void closeWrite() {
        if (write != nullptr) CloseHandle(write);
        write = nullptr;
    }
    // Everything written until every write end is closed.
    std::string readAll() const {
        std::string text;
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(read, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
        return text;
    }
};

}  // namespace detail

// Runs `exe` with `arguments` until it ends, at most `limitMs`; one that
// does not end by then is ended.
inline Result run(const std::string& exe, const std::string& arguments, DWORD limitMs = 15000) {
    Result result;
    detail::Pipe out;
    detail::Pipe err;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    std::string commandLine = "\"" + exe + "\" " + arguments;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return result;
    }
    out.closeWrite();
    err.closeWrite();
    // Read as they come, so that a full pipe never holds the program up.
    std::thread output([&] { result.out = out.readAll(); });
    std::thread errors([&] { result.err = err.readAll(); });
    result.ended = WaitForSingleObject(process.hProcess, limitMs) == WAIT_OBJECT_0;
    if (!result.ended) TerminateProcess(process.hProcess, 1);
    output.join();
    errors.join();
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

}  // namespace command_line_run
