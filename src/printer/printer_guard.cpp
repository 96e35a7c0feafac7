#include "printer/printer_guard.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/ascii_case.h"
#include "printer/printer_list.h"
#include "printer/registry_walk.h"
#include "usb/usb_topology.h"

namespace pivora {

namespace {

// The control set in use, whichever numbered set that is on this boot.
constexpr const char* kUsbPrintKey = "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT";
constexpr const char* kUsbKey = "SYSTEM\\CurrentControlSet\\Enum\\USB";

// A child's instance name is its parent's ParentIdPrefix, "&", then its own
// part: "7&2f8e5c1a&0&USB001" belongs to the prefix "7&2f8e5c1a&0", not to
// "7&2f8e5c1" (whose children are "7&2f8e5c1&..."). An empty prefix names no
// parent at all.
bool isChildOf(const std::string& instance, const std::string& parentIdPrefix) {
    return !parentIdPrefix.empty() && instance.size() > parentIdPrefix.size() &&
           instance.compare(0, parentIdPrefix.size(), parentIdPrefix) == 0 && instance[parentIdPrefix.size()] == '&';
}

int copyWhole(const char* text, char* out, std::size_t size) {
    if (text == nullptr || size == 0) return 0;
    const std::size_t length = strnlen(text, size);
    if (length == size) return 0;
    std::memcpy(out, text, length + 1);
    return 1;
}

}  // namespace

int PrinterGuard::countPrinters() {
    PrinterList list;
    return list.read(spooler_) ? static_cast<int>(list.count()) : 0;
}

int PrinterGuard::getPrinterName(std::uint32_t index, char* nameOut, std::size_t size) {
    PrinterList list;
    if (!list.read(spooler_)) return 0;
    return copyWhole(list.text(index, printerinfo::kPrinterNameOffset), nameOut, size);
}

int PrinterGuard::getUsbPrinterPort(std::uint32_t index, char* portOut, std::size_t size) {
    PrinterList list;
    if (!list.read(spooler_)) return 0;
    const char* port = list.text(index, printerinfo::kPortNameOffset);
    if (port == nullptr || strnlen(port, 3) < 3) return 0;
    if (lowerAscii(port[0]) != 'u' || lowerAscii(port[1]) != 's' || lowerAscii(port[2]) != 'b') return 0;
    return copyWhole(port, portOut, size);
}

int PrinterGuard::mapPortToUsbId(const char* portName, std::uint16_t* vendorIdOut, std::uint16_t* productIdOut) {
    // The printer instance that owns the port...
    std::string model;
    std::string printerInstance;
    if (!findFirstInstance(
            registry_, kUsbPrintKey, "\\Device Parameters", "PortName",
            [portName](const std::string& port) { return equalsIgnoringCase(port.c_str(), portName); }, model,
            printerInstance))
        return 0;

    // ...belongs to the USB device whose instance prefix begins its name.
    std::string deviceKey;
    std::string deviceInstance;
    if (!findFirstInstance(
            registry_, kUsbKey, "", "ParentIdPrefix",
            [&printerInstance](const std::string& prefix) { return isChildOf(printerInstance, prefix); }, deviceKey,
            deviceInstance))
        return 0;

    // The device key is named after its ID: Vid_xxxx&Pid_yyyy in any case. A
    // name too short to hold both IDs whole holds no ID.
    constexpr std::size_t kIdLength = 17;
    if (deviceKey.size() < kIdLength) return 0;
    std::string id = deviceKey.substr(0, kIdLength);
    for (std::size_t i = 0; i < 16; ++i) id[i] = lowerAscii(id[i]);
    if (id.compare(0, 4, "vid_") != 0 || id.compare(9, 4, "pid_") != 0) return 0;
    *vendorIdOut = parseHex4(id.c_str() + 4);
    *productIdOut = parseHex4(id.c_str() + 13);
    return 1;
}

int PrinterGuard::getPrinterUsbId(std::uint32_t index, char* nameOut, std::uint16_t* vendorIdOut,
                                  std::uint16_t* productIdOut) {
    nameOut[0] = '\0';
    *vendorIdOut = 0;
    *productIdOut = 0;
    if (!getUsbPrinterPort(index, nameOut, kNameSize)) return 0;
    if (!mapPortToUsbId(nameOut, vendorIdOut, productIdOut)) return 0;
    return getPrinterName(index, nameOut, kNameSize);
}

int PrinterGuard::getPrinterJobs(std::uint32_t index, std::uint32_t* jobCountOut) {
    *jobCountOut = 0;
    std::vector<std::uint8_t> buffer(kJobBufferSize, 0);
    char* name = reinterpret_cast<char*>(buffer.data());
    if (!getPrinterName(index, name, buffer.size())) return 0;
    OsHandle printer = nullptr;
    if (spooler_.openPrinter(name, kPrinterAccessUse, &printer) != 1 || printer == nullptr) return 0;
    std::uint32_t needed = 0;
    std::uint32_t returned = 0;
    const int result = spooler_.enumJobs(printer, 0, 1, buffer.data(), kJobBufferSize, &needed, &returned);
    // At most one job was asked for: one means "at least one is queued".
    *jobCountOut = returned > 0 ? 1 : 0;
    spooler_.closePrinter(printer);
    return result;
}

}  // namespace pivora
