#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "call_tape.h"
#include "platform/platform.h"
#include "platform/window_api.h"

namespace pivora::bench {

// The seams a control tick can reach: each Platform seam and the window.
enum class Seam : std::size_t { Clock, Trace, Interfaces, Hid, Hubs, Removal, Spooler, Registry, Window };
constexpr std::size_t kSeamCount = 9;
constexpr std::array<const char*, kSeamCount> kSeamNames = {"clock",   "trace",   "interfaces", "hid",   "hubs",
                                                            "removal", "spooler", "registry",   "window"};

// One call as the log keeps it: the seam and the call's name.
struct SeamCall {
    Seam seam;
    const char* name;  // a literal
    bool operator==(const SeamCall& other) const { return seam == other.seam && std::strcmp(name, other.name) == 0; }
};

using SeamCounts = std::array<std::uint64_t, kSeamCount>;

// Every call made through the counting seams, per seam. While a log is
// attached each call is logged in order too, and while a tape is attached
// taped with its arguments. The counts stay cheap enough to be left on while
// a tick is timed; the log and the tape serve the checks made before.
//
// Only the calls the measured ticks make are taped. Should a tick make
// another, the floor's replay lacks it, and the comparison of the floor's
// calls with the tick's names it.
class CallRecorder {
public:
    // Counts the call; the tape to add its replay to, or nullptr.
    CallTape* record(Seam seam, const char* name) {
        ++counts_[static_cast<std::size_t>(seam)];
        if (log_ != nullptr) log_->push_back({seam, name});
        return tape_;
    }
    const SeamCounts& counts() const { return counts_; }
    void attach(std::vector<SeamCall>* log, CallTape* tape) {
        log_ = log;
        tape_ = tape;
    }

private:
    SeamCounts counts_{};
    std::vector<SeamCall>* log_ = nullptr;
    CallTape* tape_ = nullptr;
};

// Each Platform seam passed through to the one it wraps, every call recorded.
class CountingClock : public Clock {
public:
    CountingClock(Clock& inner, CallRecorder& recorder) : inner_(inner), recorder_(recorder) {}
    void sleep(std::uint32_t ms) override {
        recorder_.record(Seam::Clock, "sleep");
        inner_.sleep(ms);
    }
    std::uint32_t tickCount() override {
        recorder_.record(Seam::Clock, "tickCount");
        return inner_.tickCount();
    }

private:
    Clock& inner_;
    CallRecorder& recorder_;
};

class CountingTrace : public DiagnosticTrace {
public:
    CountingTrace(DiagnosticTrace& inner, CallRecorder& recorder) : inner_(inner), recorder_(recorder) {}
    void report(TraceChannel channel, const std::uint8_t* bytes, std::size_t length) override {
        if (CallTape* tape = recorder_.record(Seam::Trace, "report"))
            tape->add([channel, taped = std::vector<std::uint8_t>(bytes, bytes + length)](ReplaySeams& seams) {
                seams.platform.trace.report(channel, taped.data(), taped.size());
            });
        inner_.report(channel, bytes, length);
    }
    void line(TraceChannel channel, const char* text) override {
        if (CallTape* tape = recorder_.record(Seam::Trace, "line"))
            tape->add([channel, taped = std::string(text)](ReplaySeams& seams) {
                seams.platform.trace.line(channel, taped.c_str());
            });
        inner_.line(channel, text);
    }

private:
    DiagnosticTrace& inner_;
    CallRecorder& recorder_;
};

class CountingInterfaces : public DeviceInterfaceApi {
public:
    CountingInterfaces(DeviceInterfaceApi& inner, CallRecorder& recorder) : inner_(inner), recorder_(recorder) {}
    OsHandle getClassDevs(DeviceInterfaceClass interfaceClass, std::uint32_t flags) override {
        CallTape* tape = recorder_.record(Seam::Interfaces, "getClassDevs");
        OsHandle set = inner_.getClassDevs(interfaceClass, flags);
        if (tape != nullptr)
            tape->add([set, interfaceClass, flags](ReplaySeams& seams) {
                seams.handles.made(set, seams.platform.interfaces.getClassDevs(interfaceClass, flags));
            });
        return set;
    }
    int enumInterface(OsHandle set, DeviceInterfaceClass interfaceClass, std::uint32_t index,
                      DeviceInterfaceRecord* record) override {
        if (CallTape* tape = recorder_.record(Seam::Interfaces, "enumInterface"))
            tape->add([set, interfaceClass, index, iface = TapedRecord(record)](ReplaySeams& seams) mutable {
                seams.platform.interfaces.enumInterface(seams.handles(set), interfaceClass, index, iface.fresh());
            });
        return inner_.enumInterface(set, interfaceClass, index, record);
    }
    int getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                           std::uint32_t detailSize, std::uint32_t* requiredSize, DeviceInfoRecord* device) override {
        if (CallTape* tape = recorder_.record(Seam::Interfaces, "getInterfaceDetail"))
            tape->add([set, iface = TapedRecord(record), taped = TapedBuffer(detail, detailSize), detailSize,
                       required = TapedRecord(requiredSize), element = TapedRecord(device)](ReplaySeams& seams) mutable {
                seams.platform.interfaces.getInterfaceDetail(seams.handles(set), iface.fresh(), taped.fresh(),
                                                             detailSize, required.fresh(), element.fresh());
            });
        return inner_.getInterfaceDetail(set, record, detail, detailSize, requiredSize, device);
    }
    int getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record, std::uint32_t property,
                                  std::uint8_t* buffer, std::uint32_t size) override {
        if (CallTape* tape = recorder_.record(Seam::Interfaces, "getDeviceRegistryProperty"))
            tape->add([set, element = TapedRecord(record), property, taped = TapedBuffer(buffer, size), size](
                          ReplaySeams& seams) mutable {
                seams.platform.interfaces.getDeviceRegistryProperty(seams.handles(set), element.fresh(), property,
                                                                    taped.fresh(), size);
            });
        return inner_.getDeviceRegistryProperty(set, record, property, buffer, size);
    }
    int destroyDeviceInfoList(OsHandle set) override {
        if (CallTape* tape = recorder_.record(Seam::Interfaces, "destroyDeviceInfoList"))
            tape->add([set](ReplaySeams& seams) { seams.platform.interfaces.destroyDeviceInfoList(seams.handles(set)); });
        return inner_.destroyDeviceInfoList(set);
    }

private:
    DeviceInterfaceApi& inner_;
    CallRecorder& recorder_;
};

class CountingHid : public HidDeviceApi {
public:
    CountingHid(HidDeviceApi& inner, CallRecorder& recorder) : inner_(inner), recorder_(recorder) {}
    OsHandle openDevice(const char* path, int overlapped) override {
        CallTape* tape = recorder_.record(Seam::Hid, "openDevice");
        OsHandle device = inner_.openDevice(path, overlapped);
        if (tape != nullptr)
            tape->add([device, taped = std::string(path), overlapped](ReplaySeams& seams) {
                seams.handles.made(device, seams.platform.hid.openDevice(taped.c_str(), overlapped));
            });
        return device;
    }
    int getAttributes(OsHandle device, HidAttributesRecord* attributes) override {
        if (CallTape* tape = recorder_.record(Seam::Hid, "getAttributes"))
            tape->add([device, taped = TapedRecord(attributes)](ReplaySeams& seams) mutable {
                seams.platform.hid.getAttributes(seams.handles(device), taped.fresh());
            });
        return inner_.getAttributes(device, attributes);
    }
    int readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) override {
        if (CallTape* tape = recorder_.record(Seam::Hid, "readReport"))
            tape->add([device, taped = TapedBuffer(buffer, length), length, io = TapedRecord(record)](
                          ReplaySeams& seams) mutable {
                seams.platform.hid.readReport(seams.handles(device), taped.fresh(), length, io.fresh());
            });
        return inner_.readReport(device, buffer, length, record);
    }
    int writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length, IoRecord* record) override {
        recorder_.record(Seam::Hid, "writeReport");
        return inner_.writeReport(device, buffer, length, record);
    }
    std::uint32_t lastError() override {
        if (CallTape* tape = recorder_.record(Seam::Hid, "lastError"))
            tape->add([](ReplaySeams& seams) { seams.platform.hid.lastError(); });
        return inner_.lastError();
    }
    int cancelIo(OsHandle device) override {
        recorder_.record(Seam::Hid, "cancelIo");
        return inner_.cancelIo(device);
    }
    OsHandle createEvent() override {
        recorder_.record(Seam::Hid, "createEvent");
        return inner_.createEvent();
    }
    int closeHandle(OsHandle handle) override {
        if (CallTape* tape = recorder_.record(Seam::Hid, "closeHandle"))
            tape->add([handle](ReplaySeams& seams) { seams.platform.hid.closeHandle(seams.handles(handle)); });
        return inner_.closeHandle(handle);
    }

private:
    HidDeviceApi& inner_;
    CallRecorder& recorder_;
};

class CountingHubs : public UsbHubApi {
public:
    CountingHubs(UsbHubApi& inner, CallRecorder& recorder) : inner_(inner), recorder_(recorder) {}
    OsHandle openDevice(const char* path) override {
        CallTape* tape = recorder_.record(Seam::Hubs, "openDevice");
        OsHandle device = inner_.openDevice(path);
        if (tape != nullptr)
            tape->add([device, taped = std::string(path)](ReplaySeams& seams) {
                seams.handles.made(device, seams.platform.hubs.openDevice(taped.c_str()));
            });
        return device;
    }
    int ioControl(OsHandle device, std::uint32_t code, std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                  std::uint32_t outSize) override {
        if (CallTape* tape = recorder_.record(Seam::Hubs, "ioControl"))
            // The hub records are read and written in one buffer; a replay does so too.
            tape->add([device, code, input = TapedBuffer(in, inSize), inSize, output = TapedBuffer(out, outSize),
                       outSize, sameBuffer = in == out](ReplaySeams& seams) mutable {
                std::uint8_t* replayedIn = input.fresh();
                seams.platform.hubs.ioControl(seams.handles(device), code, replayedIn, inSize,
                                              sameBuffer ? replayedIn : output.fresh(), outSize);
            });
        return inner_.ioControl(device, code, in, inSize, out, outSize);
    }
    int closeHandle(OsHandle device) override {
        if (CallTape* tape = recorder_.record(Seam::Hubs, "closeHandle"))
            tape->add([device](ReplaySeams& seams) { seams.platform.hubs.closeHandle(seams.handles(device)); });
        return inner_.closeHandle(device);
    }
    int wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) override {
        recorder_.record(Seam::Hubs, "wideToAnsi");
        return inner_.wideToAnsi(utf16le, out, outSize);
    }

private:
    UsbHubApi& inner_;
    CallRecorder& recorder_;
};

class CountingRemoval : public DeviceRemovalApi {
public:
    CountingRemoval(DeviceRemovalApi& inner, CallRecorder& recorder) : inner_(inner), recorder_(recorder) {}
    std::uint32_t requestDeviceEject(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                     std::uint32_t nameLength, std::uint32_t flags) override {
        recorder_.record(Seam::Removal, "requestDeviceEject");
        return inner_.requestDeviceEject(devInst, vetoType, vetoName, nameLength, flags);
    }
    std::uint32_t queryAndRemoveSubTree(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                        std::uint32_t nameLength, std::uint32_t flags) override {
        recorder_.record(Seam::Removal, "queryAndRemoveSubTree");
        return inner_.queryAndRemoveSubTree(devInst, vetoType, vetoName, nameLength, flags);
    }
    int getVersionEx(std::uint8_t* record) override {
        recorder_.record(Seam::Removal, "getVersionEx");
        return inner_.getVersionEx(record);
    }

private:
    DeviceRemovalApi& inner_;
    CallRecorder& recorder_;
};

class CountingSpooler : public SpoolerApi {
public:
    CountingSpooler(SpoolerApi& inner, CallRecorder& recorder) : inner_(inner), recorder_(recorder) {}
    int enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                          std::uint32_t* returned) override {
        recorder_.record(Seam::Spooler, "enumLocalPrinters");
        return inner_.enumLocalPrinters(buffer, size, needed, returned);
    }
    int openPrinter(const char* name, std::uint32_t desiredAccess, OsHandle* printer) override {
        recorder_.record(Seam::Spooler, "openPrinter");
        return inner_.openPrinter(name, desiredAccess, printer);
    }
    int enumJobs(OsHandle printer, std::uint32_t firstJob, std::uint32_t count, std::uint8_t* buffer,
                 std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) override {
        recorder_.record(Seam::Spooler, "enumJobs");
        return inner_.enumJobs(printer, firstJob, count, buffer, size, needed, returned);
    }
    int closePrinter(OsHandle printer) override {
        recorder_.record(Seam::Spooler, "closePrinter");
        return inner_.closePrinter(printer);
    }

private:
    SpoolerApi& inner_;
    CallRecorder& recorder_;
};

class CountingRegistry : public RegistryApi {
public:
    CountingRegistry(RegistryApi& inner, CallRecorder& recorder) : inner_(inner), recorder_(recorder) {}
    long openLocalMachineKey(const char* path, OsHandle* key) override {
        recorder_.record(Seam::Registry, "openLocalMachineKey");
        return inner_.openLocalMachineKey(path, key);
    }
    long enumKey(OsHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength, char* className,
                 std::uint32_t* classLength) override {
        recorder_.record(Seam::Registry, "enumKey");
        return inner_.enumKey(key, index, name, nameLength, className, classLength);
    }
    long queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override {
        recorder_.record(Seam::Registry, "queryValue");
        return inner_.queryValue(key, valueName, type, data, size);
    }
    long closeKey(OsHandle key) override {
        recorder_.record(Seam::Registry, "closeKey");
        return inner_.closeKey(key);
    }

private:
    RegistryApi& inner_;
    CallRecorder& recorder_;
};

// Every Platform seam of one computer, recorded into one recorder.
class CountingPlatform {
public:
    CountingPlatform(Platform inner, CallRecorder& recorder)
        : clock_(inner.clock, recorder),
          trace_(inner.trace, recorder),
          interfaces_(inner.interfaces, recorder),
          hid_(inner.hid, recorder),
          hubs_(inner.hubs, recorder),
          removal_(inner.removal, recorder),
          spooler_(inner.spooler, recorder),
          registry_(inner.registry, recorder) {}
    CountingPlatform(const CountingPlatform&) = delete;
    CountingPlatform& operator=(const CountingPlatform&) = delete;

    Platform platform() { return Platform{clock_, trace_, interfaces_, hid_, hubs_, removal_, spooler_, registry_}; }

private:
    CountingClock clock_;
    CountingTrace trace_;
    CountingInterfaces interfaces_;
    CountingHid hid_;
    CountingHubs hubs_;
    CountingRemoval removal_;
    CountingSpooler spooler_;
    CountingRegistry registry_;
};

// The window seam, recorded. The simulated switch has no windows: each call
// is only recorded and answered as Windows answers for a window that exists,
// so a window call costs a tick no more than its recording.
class CountingWindow : public WindowApi {
public:
    explicit CountingWindow(CallRecorder& recorder) : recorder_(recorder) {}

    OsHandle findTopLevelWindow(const char*) override {
        recorder_.record(Seam::Window, "findTopLevelWindow");
        return nullptr;  // no other copy runs
    }
    int setWindowText(OsHandle, const char*) override { return done("setWindowText"); }
    int setControlText(OsHandle dialog, int controlId, const char* text) override {
        if (CallTape* tape = recorder_.record(Seam::Window, "setControlText"))
            tape->add([dialog, controlId, taped = std::string(text)](ReplaySeams& seams) {
                seams.windows.setControlText(seams.handles(dialog), controlId, taped.c_str());
            });
        return 1;
    }
    int showWindow(OsHandle, int) override { return done("showWindow"); }
    int showControl(OsHandle dialog, int controlId, int command) override {
        if (CallTape* tape = recorder_.record(Seam::Window, "showControl"))
            tape->add([dialog, controlId, command](ReplaySeams& seams) {
                seams.windows.showControl(seams.handles(dialog), controlId, command);
            });
        return 1;
    }
    int resizeControl(OsHandle, int, int, int) override { return done("resizeControl"); }
    int moveWindow(OsHandle, int, int, int, int) override { return done("moveWindow"); }
    int setForegroundWindow(OsHandle) override { return done("setForegroundWindow"); }
    int postMessage(OsHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override { return done("postMessage"); }
    int isWindow(OsHandle) override { return done("isWindow"); }
    int sendCopyData(OsHandle, OsHandle, std::uintptr_t, const void*, std::uint32_t, std::uint32_t) override {
        return done("sendCopyData");
    }
    int ansiToUtf16(const char*, int, char16_t*, int) override {
        recorder_.record(Seam::Window, "ansiToUtf16");
        return 0;  // not converted
    }
    OsHandle getSystemMenu(OsHandle) override { return made("getSystemMenu"); }
    int modifyMenu(OsHandle, std::uint32_t, std::uint32_t, std::uintptr_t, const char16_t*) override {
        return done("modifyMenu");
    }
    OsHandle createPopupMenu() override { return made("createPopupMenu"); }
    int appendMenu(OsHandle, std::uint32_t, std::uintptr_t, const char16_t*) override { return done("appendMenu"); }
    int destroyMenu(OsHandle) override { return done("destroyMenu"); }
    int getCursorPos(int* x, int* y) override {
        *x = 0;
        *y = 0;
        return done("getCursorPos");
    }
    int trackPopupMenu(OsHandle, std::uint32_t, int, int, OsHandle) override {
        recorder_.record(Seam::Window, "trackPopupMenu");
        return 0;  // dismissed
    }
    int loadString(std::uint32_t, char16_t* text, int size) override {
        recorder_.record(Seam::Window, "loadString");
        if (size > 0) text[0] = u'\0';
        return 0;  // no such string
    }
    OsHandle loadIcon(std::uint32_t) override { return made("loadIcon"); }
    void setWindowIcon(OsHandle, int, OsHandle) override { done("setWindowIcon"); }
    OsHandle loadBitmap(std::uint32_t) override { return made("loadBitmap"); }
    int deleteBitmap(OsHandle) override { return done("deleteBitmap"); }
    void setButtonImage(OsHandle dialog, int controlId, OsHandle bitmap) override {
        if (CallTape* tape = recorder_.record(Seam::Window, "setButtonImage"))
            tape->add([dialog, controlId, bitmap](ReplaySeams& seams) {
                seams.windows.setButtonImage(seams.handles(dialog), controlId, seams.handles(bitmap));
            });
    }
    OsHandle setPictureImage(OsHandle, int, OsHandle) override {
        recorder_.record(Seam::Window, "setPictureImage");
        return nullptr;  // as if the control had shown nothing before
    }
    int addTrayIcon(const TrayIconRecord&) override { return done("addTrayIcon"); }
    int modifyTrayIcon(const TrayIconRecord&) override { return done("modifyTrayIcon"); }
    int deleteTrayIcon(const TrayIconRecord&) override { return done("deleteTrayIcon"); }
    OsHandle installKeyboardHook(OsHandle, std::uint32_t) override { return made("installKeyboardHook"); }
    void removeKeyboardHook(OsHandle) override { done("removeKeyboardHook"); }
    OsHandle createBusyNotice(OsHandle) override { return made("createBusyNotice"); }
    void runAboutBox(OsHandle) override { done("runAboutBox"); }
    int destroyWindow(OsHandle) override { return done("destroyWindow"); }

private:
    int done(const char* name) {
        recorder_.record(Seam::Window, name);
        return 1;
    }
    // A new handle for everything made, as Windows gives one.
    OsHandle made(const char* name) {
        recorder_.record(Seam::Window, name);
        nextHandle_ += 4;
        return reinterpret_cast<OsHandle>(nextHandle_);
    }

    CallRecorder& recorder_;
    std::uintptr_t nextHandle_ = 0x10000;
};

}  // namespace pivora::bench
