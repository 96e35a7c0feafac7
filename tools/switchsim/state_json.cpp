#include <cstdio>

#include "console.h"
#include "console_words.h"
#include "linux_computer.h"

namespace pivora::switchsim {

namespace {
std::string hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return jsonString(text);
}

std::string boolean(bool value) { return value ? "true" : "false"; }

std::string usbId(std::uint16_t vendorId, std::uint16_t productId) {
    return "\"vid\":" + hex4(vendorId) + ",\"pid\":" + hex4(productId);
}
}  // namespace

std::string Console::state() {
    std::string json = "{\"hosts\":{";
    for (sim::Host host : {sim::Host::A, sim::Host::B}) {
        sim::SimComputer& computer = switch_.computer(host);
        if (host == sim::Host::B) json += ",";
        json += "\"" + std::string(1, sim::hostLetter(host)) + "\":{\"connected\":" + boolean(connected_(host)) +
                ",\"released\":" + boolean(computer.allReleased()) + ",\"printers\":[";
        if (const LinuxComputer* computerOnLinux = linuxHost(host)) json += computerOnLinux->printersJson();
        const std::vector<std::string>& installed = printers_[static_cast<std::size_t>(host)];
        for (std::size_t index = 0; index < installed.size(); ++index) {
            const sim::SimSpooler::Printer& printer = computer.spooler.printer(static_cast<int>(index));
            json += (index > 0 ? "," : "") + std::string("{\"name\":") + jsonString(printer.name) +
                    ",\"port\":" + jsonString(printer.port) + ",\"jobs\":" + std::to_string(printer.jobsQueued) + "}";
        }
        json += "],";
        if (LinuxComputer* computerOnLinux = linuxHost(host)) json += "\"sticks\":[" + computerOnLinux->sticksJson() + "],";
        json += "\"local\":[";
        const std::vector<LocalDevice>& plugged = local_[static_cast<std::size_t>(host)];
        for (std::size_t index = 0; index < plugged.size(); ++index) {
            const LocalDevice& device = plugged[index];
            json += (index > 0 ? ",{" : "{") + usbId(device.vendorId, device.productId) +
                    ",\"description\":" + jsonString(device.description) +
                    ",\"present\":" + boolean(computer.usb.present(device.node)) + "}";
        }
        json += "]}";
    }
    json += "},\"form\":";
    json += switch_.hub.form() == sim::SwitchHub::Form::TwoPort ? "\"two\"" : "\"four\"";
    json += ",\"ports\":[";
    const std::uint8_t onB = switch_.firmware.portsOf(sim::Host::B);
    for (int port = 0; port < sim::SwitchHub::kPorts; ++port) {
        json += (port > 0 ? "," : "") + std::string("{\"port\":") + std::to_string(port) +
                ",\"owner\":" + ((onB & (1u << port)) != 0 ? "\"B\"" : "\"A\"") +
                ",\"user\":" + boolean(switch_.hub.isUserPort(port)) + ",\"device\":";
        const int device = deviceOn(port);
        if (device < 0) {
            json += "null}";
            continue;
        }
        const sim::SwitchHub::Device& plugged = switch_.hub.device(device);
        json += "{" + usbId(plugged.vendorId, plugged.productId) + ",\"description\":" + jsonString(plugged.description) +
                ",\"busy\":" + boolean(plugged.refusal.has_value()) +
                ",\"removalMs\":" + std::to_string(plugged.removalMs) + "}}";
    }
    json += "],\"slots\":[";
    for (int slot = 0; slot < sim::SwitchFirmware::kSlots; ++slot) {
        const sim::SwitchFirmware::PortId id = switch_.firmware.portId(slot);
        json += (slot > 0 ? ",{" : "{") + usbId(id.vendorId, id.productId) + "}";
    }
    return json + "]}";
}

}  // namespace pivora::switchsim
