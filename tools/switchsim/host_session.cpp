#include "host_session.h"

namespace pivora::switchsim {

HostSession::~HostSession() {
    for (const auto& [kind, handle] : handles_.takeAll()) {
        switch (kind) {
            case HandleKind::Hid:
                computer_.hid.closeHandle(handle);
                break;
            case HandleKind::InterfaceSet:
                computer_.interfaces.destroyDeviceInfoList(handle);
                break;
            case HandleKind::Hub:
                computer_.usb.closeHandle(handle);
                break;
            case HandleKind::Printer:
                computer_.spooler.closePrinter(handle);
                break;
            case HandleKind::RegistryKey:
                computer_.registry.closeKey(handle);
                break;
        }
    }
}

HostSession::Outcome HostSession::serve(const link::Frame& frame) {
    const auto type = static_cast<Type>(frame.type);
    Reader request(frame);
    Writer response(link::responseTo(type));
    Outcome outcome = Outcome::UnknownType;
    switch (frame.type & 0xF0) {
        case 0x10:
            outcome = serveInterfaces(type, request, response);
            break;
        case 0x20:
            outcome = type == Type::ReadReport || type == Type::WriteReport ? serveHidIo(type, request, response)
                                                                           : serveHid(type, request, response);
            break;
        case 0x30:
            outcome = type <= Type::WideToAnsi ? serveHubs(type, request, response)
                                               : serveRemoval(type, request, response);
            break;
        case 0x40:
            outcome = serveSpooler(type, request, response);
            break;
        case 0x50:
            outcome = serveRegistry(type, request, response);
            break;
        default:
            break;
    }
    if (outcome == Outcome::Held) hold(frame, holdMs_);
    if (outcome == Outcome::Served) send_(response);
    return outcome;
}

void HostSession::hold(const link::Frame& request, std::uint32_t ms) {
    held_ = std::make_shared<link::Frame>(request);
    clock_.schedule(ms, [this, waiting = std::weak_ptr<link::Frame>(held_)] {
        if (waiting.expired()) return;  // the session went, and its request with it
        const link::Frame due = std::move(*held_);
        held_.reset();
        servingHeld_ = true;
        serve(due);
        servingHeld_ = false;
    });
}

void HostSession::sendEvents() {
    operations_.sendEnded(send_);
    if (!treeChanged_) return;
    treeChanged_ = false;
    Writer event(Type::TreeChanged);
    send_(event);
}

}  // namespace pivora::switchsim
