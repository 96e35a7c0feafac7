#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "platform/window_api.h"

namespace pivora::bench {

// Seams on which every call returns at once and does nothing. A replay on
// them costs the replay's own bookkeeping only, which the floor leaves out.
class IdleClock : public Clock {
public:
    void sleep(std::uint32_t) override {}
    std::uint32_t tickCount() override { return 0; }
};

class IdleInterfaces : public DeviceInterfaceApi {
public:
    OsHandle getClassDevs(DeviceInterfaceClass, std::uint32_t) override { return nullptr; }
    int enumInterface(OsHandle, DeviceInterfaceClass, std::uint32_t, DeviceInterfaceRecord*) override { return 0; }
    int getInterfaceDetail(OsHandle, const DeviceInterfaceRecord*, std::uint8_t*, std::uint32_t, std::uint32_t*,
                           DeviceInfoRecord*) override {
        return 0;
    }
    int getDeviceRegistryProperty(OsHandle, const DeviceInfoRecord*, std::uint32_t, std::uint8_t*,
                                  std::uint32_t) override {
        return 0;
    }
    int destroyDeviceInfoList(OsHandle) override { return 0; }
};

class IdleHid : public HidDeviceApi {
public:
    OsHandle openDevice(const char*, int) override { return nullptr; }
    int getAttributes(OsHandle, HidAttributesRecord*) override { return 0; }
    int readReport(OsHandle, std::uint8_t*, std::uint32_t, IoRecord*) override { return 0; }
    int writeReport(OsHandle, const std::uint8_t*, std::uint32_t, IoRecord*) override { return 0; }
    std::uint32_t lastError() override { return 0; }
    int cancelIo(OsHandle) override { return 0; }
    OsHandle createEvent() override { return nullptr; }
    int closeHandle(OsHandle) override { return 0; }
};

class IdleHubs : public UsbHubApi {
public:
    OsHandle openDevice(const char*) override { return nullptr; }
    int ioControl(OsHandle, std::uint32_t, std::uint8_t*, std::uint32_t, std::uint8_t*, std::uint32_t) override {
        return 0;
    }
    int closeHandle(OsHandle) override { return 0; }
    int wideToAnsi(const std::uint8_t*, char*, int) override { return 0; }
};

class IdleRemoval : public DeviceRemovalApi {
public:
    std::uint32_t requestDeviceEject(std::uint32_t, std::uint32_t*, char*, std::uint32_t, std::uint32_t) override {
        return 0;
    }
    std::uint32_t queryAndRemoveSubTree(std::uint32_t, std::uint32_t*, char*, std::uint32_t, std::uint32_t) override {
        return 0;
    }
    int getVersionEx(std::uint8_t*) override { return 0; }
};

class IdleSpooler : public SpoolerApi {
public:
    int enumLocalPrinters(std::uint8_t*, std::uint32_t, std::uint32_t*, std::uint32_t*) override { return 0; }
    int openPrinter(const char*, std::uint32_t, OsHandle*) override { return 0; }
    int enumJobs(OsHandle, std::uint32_t, std::uint32_t, std::uint8_t*, std::uint32_t, std::uint32_t*,
                 std::uint32_t*) override {
        return 0;
    }
    int closePrinter(OsHandle) override { return 0; }
};

class IdleRegistry : public RegistryApi {
public:
    long openLocalMachineKey(const char*, OsHandle*) override { return 0; }
    long enumKey(OsHandle, std::uint32_t, char*, std::uint32_t*, char*, std::uint32_t*) override { return 0; }
    long queryValue(OsHandle, const char*, std::uint32_t*, std::uint8_t*, std::uint32_t*) override { return 0; }
    long closeKey(OsHandle) override { return 0; }
};

class IdlePlatform {
public:
    IdlePlatform() = default;
    IdlePlatform(const IdlePlatform&) = delete;
    IdlePlatform& operator=(const IdlePlatform&) = delete;

    Platform platform() { return Platform{clock_, trace_, interfaces_, hid_, hubs_, removal_, spooler_, registry_}; }

private:
    IdleClock clock_;
    DiagnosticTrace trace_;  // the base sink discards everything
    IdleInterfaces interfaces_;
    IdleHid hid_;
    IdleHubs hubs_;
    IdleRemoval removal_;
    IdleSpooler spooler_;
    IdleRegistry registry_;
};

class IdleWindow : public WindowApi {
public:
    OsHandle findTopLevelWindow(const char*) override { return nullptr; }
    int setWindowText(OsHandle, const char*) override { return 0; }
    int setControlText(OsHandle, int, const char*) override { return 0; }
    int showWindow(OsHandle, int) override { return 0; }
    int showControl(OsHandle, int, int) override { return 0; }
    int resizeControl(OsHandle, int, int, int) override { return 0; }
    int moveWindow(OsHandle, int, int, int, int) override { return 0; }
    int setForegroundWindow(OsHandle) override { return 0; }
    int postMessage(OsHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
    int isWindow(OsHandle) override { return 0; }
    int sendCopyData(OsHandle, OsHandle, std::uintptr_t, const void*, std::uint32_t, std::uint32_t) override {
        return 0;
    }
    int ansiToUtf16(const char*, int, char16_t*, int) override { return 0; }
    OsHandle getSystemMenu(OsHandle) override { return nullptr; }
    int modifyMenu(OsHandle, std::uint32_t, std::uint32_t, std::uintptr_t, const char16_t*) override { return 0; }
    OsHandle createPopupMenu() override { return nullptr; }
    int appendMenu(OsHandle, std::uint32_t, std::uintptr_t, const char16_t*) override { return 0; }
    int destroyMenu(OsHandle) override { return 0; }
    int getCursorPos(int*, int*) override { return 0; }
    int trackPopupMenu(OsHandle, std::uint32_t, int, int, OsHandle) override { return 0; }
    int loadString(std::uint32_t, char16_t*, int) override { return 0; }
    OsHandle loadIcon(std::uint32_t) override { return nullptr; }
    void setWindowIcon(OsHandle, int, OsHandle) override {}
    OsHandle loadBitmap(std::uint32_t) override { return nullptr; }
    int deleteBitmap(OsHandle) override { return 0; }
    void setButtonImage(OsHandle, int, OsHandle) override {}
    OsHandle setPictureImage(OsHandle, int, OsHandle) override { return nullptr; }
    int addTrayIcon(const TrayIconRecord&) override { return 0; }
    int modifyTrayIcon(const TrayIconRecord&) override { return 0; }
    int deleteTrayIcon(const TrayIconRecord&) override { return 0; }
    OsHandle installKeyboardHook(OsHandle, std::uint32_t) override { return nullptr; }
    void removeKeyboardHook(OsHandle) override {}
    OsHandle createBusyNotice(OsHandle) override { return nullptr; }
    void runAboutBox(OsHandle) override {}
    int destroyWindow(OsHandle) override { return 0; }
};

}  // namespace pivora::bench
