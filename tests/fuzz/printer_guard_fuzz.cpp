// The printer guard against a lying spooler and registry: printer lists with
// any counts and string pointers anywhere (inside the list, past it, before
// it, null), job lists with any counts, key names and values of any type and
// length, terminated or not, and ports of the switch's hub answering as they
// like. The printer list, the registry walk and the veto of busy printer
// ports must stay inside the buffers they own and give sane results.
//
// Input: a series of operations, each [operation][its arguments], then the
// answers of the seams in the order the operation asks them (see each fake).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "adversary.h"
#include "answering_hubs.h"
#include "control/switch_control.h"
#include "fuzz_input.h"
#include "platform/registry_api.h"
#include "platform/spooler_api.h"
#include "printer/printer_guard.h"
#include "sim/sim_computer.h"
#include "sim/sim_registry.h"

namespace pivora::fuzz {
namespace {

// Input: the list's size query [needed u32]; the full list [ok][fill]
// [per record that fits: for the printer name and the port name, a pointer
// (below)][needed u32][returned u32]; openPrinter [ok][null handle];
// enumJobs [fill][needed u32][returned u32][ok].
class AnsweringSpooler : public SpoolerApi {
public:
    explicit AnsweringSpooler(FuzzInput& input) : input_(input) {}

    bool allClosed() const { return printers_.allClosed(); }
    int calls() const { return calls_; }

    int enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                          std::uint32_t* returned) override {
        ++calls_;
        require(needed != nullptr && returned != nullptr, "room for the list's size and count");
        if (buffer == nullptr) {
            require(size == 0, "the size query has no buffer");
            *needed = listSize();
            return 0;
        }
        const int succeeded = input_.flag() ? 1 : 0;
        fillFrom(input_, buffer, size);
        pointTexts(buffer, size);
        *needed = listSize();
        *returned = input_.u32();
        return succeeded;
    }

    int openPrinter(const char* name, std::uint32_t, OsHandle* printer) override {
        ++calls_;
        require(name != nullptr && printer != nullptr, "a printer is opened by name");
        readAll(reinterpret_cast<const std::uint8_t*>(name), std::strlen(name));
        if (!input_.flag()) return 0;
        *printer = input_.flag() ? nullptr : printers_.open();
        return 1;
    }

    int enumJobs(OsHandle printer, std::uint32_t, std::uint32_t count, std::uint8_t* buffer, std::uint32_t size,
                 std::uint32_t* needed, std::uint32_t* returned) override {
        ++calls_;
        require(printers_.isOpen(printer), "jobs of an open printer");
        require(count == 1, "one job is enough to know");
        require(buffer != nullptr && needed != nullptr && returned != nullptr, "room for the jobs");
        fillFrom(input_, buffer, size);
        *needed = input_.u32();
        *returned = input_.u32();
        return input_.flag() ? 1 : 0;
    }

    int closePrinter(OsHandle printer) override {
        printers_.close(printer, "a printer closed once, after it was opened");
        return 1;
    }

private:
    // Any size, but those a test can afford are kept small: the large ones
    // are there to be refused.
    std::uint32_t listSize() {
        const std::uint32_t size = input_.u32();
        return size < 0x80000000u ? size & 0xFFFFu : size;
    }

    // The name and port pointers of each record that fits: [kind] then, for a
    // pointer inside the list [offset u16], for a text the spooler places
    // after the records [text][terminated], for one outside [distance u16].
    void pointTexts(std::uint8_t* buffer, std::uint32_t size) {
        const std::uint32_t records = size / printerinfo::kRecordSize;
        std::uint32_t textAt = records * printerinfo::kRecordSize;
        const auto begin = reinterpret_cast<std::uintptr_t>(buffer);
        for (std::uint32_t record = 0; record < records && !input_.empty(); ++record) {
            for (const std::uint32_t field : {printerinfo::kPrinterNameOffset, printerinfo::kPortNameOffset}) {
                std::uintptr_t pointer = 0;
                switch (input_.below(6)) {
                    case 0: continue;  // whatever the fill left there
                    case 1: pointer = 0; break;
                    case 2: pointer = begin + input_.u16() % size; break;
                    case 3: {
                        const std::vector<std::uint8_t> text = input_.bytes(size - textAt);
                        pointer = begin + textAt;
                        if (!text.empty()) std::memcpy(buffer + textAt, text.data(), text.size());
                        textAt += static_cast<std::uint32_t>(text.size());
                        if (input_.flag() && textAt < size) buffer[textAt++] = 0;
                        break;
                    }
                    case 4: pointer = begin + size + input_.u16(); break;
                    default: pointer = begin - 1 - input_.u16(); break;
                }
                std::memcpy(buffer + record * printerinfo::kRecordSize + field, &pointer, sizeof pointer);
            }
        }
    }

    FuzzInput& input_;
    HandleLedger printers_{0x30000};
    int calls_ = 0;
};

// Input: openLocalMachineKey [ok]; enumKey [ok][fill name][name length u16]
// [class length u16]; queryValue [outcome][type u8][fill][size u16].
class AnsweringRegistry : public RegistryApi {
public:
    explicit AnsweringRegistry(FuzzInput& input) : input_(input) {}

    bool allClosed() const { return keys_.allClosed(); }

    long openLocalMachineKey(const char* path, OsHandle* key) override {
        require(path != nullptr && key != nullptr, "a key is opened by path");
        readAll(reinterpret_cast<const std::uint8_t*>(path), std::strlen(path));
        if (!input_.flag()) return sim::SimRegistry::kErrorFileNotFound;
        *key = keys_.open();
        return kRegistrySuccess;
    }

    long enumKey(OsHandle key, std::uint32_t, char* name, std::uint32_t* nameLength, char* className,
                 std::uint32_t* classLength) override {
        require(keys_.isOpen(key), "subkeys of an open key");
        require(name != nullptr && nameLength != nullptr, "room for a subkey's name");
        if (!input_.flag()) return sim::SimRegistry::kErrorNoMoreItems;
        fillFrom(input_, reinterpret_cast<std::uint8_t*>(name), *nameLength);
        if (className != nullptr) {
            require(classLength != nullptr, "a class buffer comes with its size");
            std::memset(className, 'C', *classLength);
        }
        *nameLength = input_.u16();
        if (classLength != nullptr) *classLength = input_.u16();
        return kRegistrySuccess;
    }

    long queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override {
        require(keys_.isOpen(key), "values of an open key");
        require(valueName != nullptr && size != nullptr, "a value is read by name into a sized buffer");
        readAll(reinterpret_cast<const std::uint8_t*>(valueName), std::strlen(valueName));
        const std::uint32_t outcome = input_.below(3);
        if (outcome == 0) return sim::SimRegistry::kErrorFileNotFound;
        if (type != nullptr) *type = input_.u8();
        if (data != nullptr) fillFrom(input_, data, *size);
        *size = input_.u16();
        return outcome == 1 ? kRegistrySuccess : sim::SimRegistry::kErrorMoreData;
    }

    long closeKey(OsHandle key) override {
        keys_.close(key, "a key closed once, after it was opened");
        return kRegistrySuccess;
    }

private:
    FuzzInput& input_;
    HandleLedger keys_{0x40000};
};

constexpr std::size_t kNameSize = PrinterGuard::kNameSize;
constexpr std::uint16_t kUntouchedId = 0xEEEE;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The veto reads the control's fields and its hub; the HID side, the clock
// and removal come from a simulated computer without a switch, which the
// veto never touches.
struct ControlUnderTest {
    ControlUnderTest(AnsweringHubs& hubs, SpoolerApi& spooler, RegistryApi& registry)
        : computer(clock, nullptr, sim::Host::A),
          platform{clock, trace, computer.interfaces, computer.hid, hubs, computer.usb, spooler, registry},
          control(platform, [](const PanelState&) {}, [](const Command&) {}) {}

    sim::VirtualClock clock;
    sim::SimComputer computer;
    DiagnosticTrace trace;
    Platform platform;
    SwitchControl control;
};

class PrinterGuardRun {
public:
    PrinterGuardRun(const std::uint8_t* data, std::size_t size)
        : input_(data, size), spooler_(input_), registry_(input_), hubs_(input_), guard_(spooler_, registry_) {}

    void run() {
        for (int operation = 0; operation < kMaxOperations && !input_.empty(); ++operation) {
            switch (input_.below(7)) {
                case 0: require(guard_.countPrinters() >= 0, "a printer count is never negative"); break;
                case 1: printerName(); break;
                case 2: usbPort(); break;
                case 3: mapPort(); break;
                case 4: printerUsbId(); break;
                case 5: printerJobs(); break;
                default: veto(); break;
            }
            require(spooler_.allClosed(), "every printer closed");
            require(registry_.allClosed(), "every key closed");
            require(hubs_.allClosed(), "every hub closed");
        }
    }

private:
    static constexpr int kMaxOperations = 8;

    // A caller's buffer of any size up to a printer name's.
    std::vector<char> buffer() { return std::vector<char>(input_.u16() % (kNameSize + 1), '\x5A'); }

    void printerName() {
        const std::uint32_t index = input_.u8();
        std::vector<char> name = buffer();
        if (guard_.getPrinterName(index, name.data(), name.size()) == 1)
            require(terminatedWithin(name.data(), name.size()), "a name is copied whole");
    }

    void usbPort() {
        const std::uint32_t index = input_.u8();
        std::vector<char> port = buffer();
        if (guard_.getUsbPrinterPort(index, port.data(), port.size()) != 1) return;
        require(terminatedWithin(port.data(), port.size()), "a port is copied whole");
        require(lowerAscii(port[0]) == 'u' && lowerAscii(port[1]) == 's' && lowerAscii(port[2]) == 'b',
                "a USB printer port begins with USB");
    }

    void mapPort() {
        const std::string port = input_.text(kNameSize - 1);
        std::uint16_t vendorId = kUntouchedId;
        std::uint16_t productId = kUntouchedId;
        if (guard_.mapPortToUsbId(port.c_str(), &vendorId, &productId) != 1)
            require(vendorId == kUntouchedId && productId == kUntouchedId, "IDs are written only when found");
    }

    void printerUsbId() {
        const std::uint32_t index = input_.u8();
        char name[kNameSize];
        std::memset(name, 0x5A, sizeof name);
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        guard_.getPrinterUsbId(index, name, &vendorId, &productId);
        require(terminatedWithin(name, sizeof name), "the name is always a text");
    }

    void printerJobs() {
        std::uint32_t jobs = 0xDEAD;
        guard_.getPrinterJobs(input_.u8(), &jobs);
        require(jobs <= 1, "a job count is 0 or 1");
    }

    void veto() {
        if (!control_) control_.emplace(hubs_, spooler_, registry_);
        SwitchControl& control = control_->control;
        control.controllerOpen = static_cast<int>(input_.below(3));
        control.hubReady = static_cast<int>(input_.below(3));
        const HubKind kinds[] = {UnknownHub, TwoPort, FourPort, static_cast<HubKind>(input_.u8())};
        control.hubKind = kinds[input_.below(4)];
        control.hubName.fill('\0');
        const std::string hubName = input_.text(control.hubName.size() - 1);
        std::memcpy(control.hubName.data(), hubName.data(), hubName.size());
        const std::uint8_t requested = input_.u8();

        const int spoolerCallsBefore = spooler_.calls();
        const std::uint8_t granted = control.vetoPrinterPorts(requested);
        require((granted & ~requested) == 0, "a veto only takes ports away");
        const bool examines = control.controllerOpen == 1 && control.hubReady == 1 &&
                              (control.hubKind == TwoPort || control.hubKind == FourPort);
        if (!examines) {
            require(granted == requested, "nothing to tell apart: the mask as it came");
            require(spooler_.calls() == spoolerCallsBefore, "nothing to tell apart: the spooler is not asked");
        }
        if (control.hubKind == TwoPort) require((granted & 0xF3) == (requested & 0xF3), "only ports 2 and 3 vetoed");
        if (control.hubKind == FourPort) require((granted & 0xF0) == (requested & 0xF0), "only ports 0 to 3 vetoed");
    }

    FuzzInput input_;
    AnsweringSpooler spooler_;
    AnsweringRegistry registry_;
    AnsweringHubs hubs_;
    PrinterGuard guard_;
    std::optional<ControlUnderTest> control_;
};

}  // namespace
}  // namespace pivora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pivora::fuzz::PrinterGuardRun(data, size).run();
    return 0;
}
