#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "link/frame.h"
#include "link/frame_reader.h"
#include "link/protocol.h"

namespace pivora::fuzz {

// The frames the switch simulator sends a client, field by field, as the
// link's protocol lays them out: each response (the request's type with the
// response bit), the events and the Error frame.
enum class ServerField { U8, U32, U64, Text, Buffer, Report };

inline std::map<std::uint8_t, std::vector<ServerField>> serverFrameLayouts() {
    using F = ServerField;
    using T = link::MessageType;
    const auto response = [](T request) { return static_cast<std::uint8_t>(link::responseTo(request)); };
    const std::vector<F> io{F::U64, F::U64, F::U64, F::Report, F::U8, F::U32, F::U32};
    const std::vector<F> list{F::U32, F::U32, F::U32, F::U64, F::Buffer};
    const std::vector<F> removal{F::U32, F::U32, F::Buffer};
    const std::vector<F> resultAndBuffer{F::U32, F::Buffer};
    const std::vector<F> handleAndError{F::U64, F::U32};
    return {
        {response(T::Hello), {F::U8}},
        {static_cast<std::uint8_t>(T::Error), {F::U8, F::Text}},
        {response(T::GetClassDevs), {F::U64}},
        {response(T::EnumInterface), resultAndBuffer},
        {response(T::GetInterfaceDetail), {F::U32, F::U32, F::Buffer, F::Buffer}},
        {response(T::GetDeviceRegistryProperty), resultAndBuffer},
        {response(T::DestroyDeviceInfoList), {F::U32}},
        {response(T::OpenHidDevice), handleAndError},
        {response(T::GetAttributes), {F::U32, F::Buffer, F::U32}},
        {response(T::ReadReport), io},
        {response(T::WriteReport), io},
        {response(T::CancelIo), handleAndError},
        {response(T::CreateEvent), handleAndError},
        {response(T::CloseHidHandle), handleAndError},
        {response(T::OpenHubDevice), {F::U64}},
        {response(T::IoControl), resultAndBuffer},
        {response(T::CloseHubHandle), {F::U32}},
        {response(T::WideToAnsi), resultAndBuffer},
        {response(T::RequestEject), removal},
        {response(T::QueryAndRemove), removal},
        {response(T::GetVersionEx), resultAndBuffer},
        {response(T::EnumPrinters), list},
        {response(T::OpenPrinter), {F::U32, F::U64}},
        {response(T::EnumJobs), list},
        {response(T::ClosePrinter), {F::U32}},
        {response(T::OpenKey), {F::U32, F::U64}},
        {response(T::EnumKey), {F::U32, F::Buffer, F::U32, F::Buffer, F::U32}},
        {response(T::QueryValue), {F::U32, F::U32, F::Buffer, F::U32}},
        {response(T::CloseKey), {F::U32}},
        {static_cast<std::uint8_t>(T::IoEnded), {F::U64, F::U64, F::U64, F::Report}},
        {static_cast<std::uint8_t>(T::TreeChanged), {}},
    };
}

// The fields of a frame of that type, or null for a type the server never sends.
inline const std::vector<ServerField>* serverFieldsOf(std::uint8_t type) {
    static const std::map<std::uint8_t, std::vector<ServerField>> layouts = serverFrameLayouts();
    const auto found = layouts.find(type);
    return found != layouts.end() ? &found->second : nullptr;
}

// A frame of a type the server sends, every field there, within its bounds,
// and nothing left over.
inline bool wellFormedServerFrame(const link::Frame& frame) {
    const std::vector<ServerField>* fields = serverFieldsOf(frame.type);
    if (fields == nullptr) return false;
    link::FrameReader reader(frame);
    for (const ServerField field : *fields) {
        switch (field) {
            case ServerField::U8:
                reader.u8();
                break;
            case ServerField::U32:
                reader.u32();
                break;
            case ServerField::U64:
                reader.u64();
                break;
            case ServerField::Text:
                reader.text();
                break;
            case ServerField::Buffer:
                reader.buffer();
                break;
            case ServerField::Report:
                reader.buffer(link::kMaxReportBytes);
                break;
        }
    }
    return reader.complete();
}

}  // namespace pivora::fuzz
