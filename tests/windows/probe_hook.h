#pragma once

// The driver's side of the probe library (program_probe.cpp): the shared
// memory a report is written into, and the library hooked onto the
// program's window thread.

#include <cstring>
#include <string>

#include "platform/win32/windows_api.h"
#include "program_probe.h"

namespace program_probe {

// A file of the build, which holds the drivers, the program and the probe.
inline std::string besideDriver(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    const std::size_t room = MAX_PATH - static_cast<std::size_t>(slash + 1 - path);
    if (std::strlen(name) >= room) return {};
    std::strcpy(slash + 1, name);
    return path;
}

// A report the probe writes into, made by the driver under its name; zeroed
// when made, released when it goes.
template <typename Report>
class SharedMemory {
public:
    explicit SharedMemory(const char* name)
        : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Report), name)) {
        if (mapping_ != nullptr) report_ = static_cast<Report*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
    }
    ~SharedMemory() {
        if (report_ != nullptr) UnmapViewOfFile(report_);
        if (mapping_ != nullptr) CloseHandle(mapping_);
    }
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    Report* report() const { return report_; }

private:
    HANDLE mapping_;
    Report* report_ = nullptr;
};

// The probe library hooked onto one thread of the program; unhooked when it goes.
class ProbeHook {
public:
    ProbeHook() : library_(LoadLibraryA(besideDriver("pivora_program_probe.dll").c_str())) {}
    ~ProbeHook() {
        unhook();
        if (library_ != nullptr) FreeLibrary(library_);
    }
    ProbeHook(const ProbeHook&) = delete;
    ProbeHook& operator=(const ProbeHook&) = delete;

    bool hook(DWORD threadId) {
        const auto procedure =
            reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(GetProcAddress(library_, kHookName)));
        if (procedure != nullptr && hook_ == nullptr) hook_ = SetWindowsHookExA(WH_GETMESSAGE, procedure, library_, threadId);
        return hook_ != nullptr;
    }
    void unhook() {
        if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }

private:
    HMODULE library_;
    HHOOK hook_ = nullptr;
};

// One report and the hook that fills it: the report is made ready before
// hook() and read after unhook().
template <typename Report>
class Probe {
public:
    explicit Probe(const char* reportName) : memory_(reportName) {}

    Report* report() const { return memory_.report(); }
    bool hook(DWORD threadId) { return memory_.report() != nullptr && hook_.hook(threadId); }
    void unhook() { hook_.unhook(); }

private:
    SharedMemory<Report> memory_;
    ProbeHook hook_;  // declared last: unhooked before the report goes
};

}  // namespace program_probe
