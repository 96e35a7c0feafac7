#pragma once

#include <cstddef>
#include <cstdint>

namespace pivora::link {

// The link between one computer's seams and the switch simulator.
//
// Every frame is a 32-bit little-endian length, then that many bytes: a type
// byte and the type's payload. The first frame a client sends is Hello; the
// server answers with Hello's response (Welcome) or an Error frame. After
// that each seam call is one request frame and one response frame, whose
// type is the request's with kResponseBit set; the server also sends events
// at any moment between frames. A frame the server cannot take whole gets an
// Error frame, and the connection is closed without anything of it done.

constexpr std::uint8_t kProtocolVersion = 2;

// Bounds of every length on the wire; a frame that breaks one is malformed.
constexpr std::size_t kLengthPrefixBytes = 4;
constexpr std::uint32_t kMaxFrameBytes = 128 * 1024;  // type byte and payload
constexpr std::uint32_t kMaxBufferBytes = 32 * 1024;  // one buffer argument
constexpr std::uint32_t kMaxTextBytes = 1024;         // a path, a name
constexpr std::uint32_t kMaxReportBytes = 64;         // one HID report

constexpr std::uint8_t kResponseBit = 0x80;

// Field encodings (all integers little-endian):
//   u8, u32, u64; i32 as u32 two's complement;
//   text:   u8 present, u16 length, the bytes without terminator;
//   buffer: u8 present, u32 size, then `size` bytes when present (an absent
//           buffer still carries the size the caller passed with it).
enum class MessageType : std::uint8_t {
    // u8 version, u8 host letter 'A' or 'B', u8 pointer width of the records
    // -> u8 version
    Hello = 0x01,
    // u8 error code, text reason; the server closes the connection after it
    Error = 0x02,

    // DeviceInterfaceApi
    GetClassDevs = 0x10,           // u8 class, u32 flags -> u64 set
    EnumInterface = 0x11,          // u64 set, u8 class, u32 index, buffer record -> i32, buffer record
    GetInterfaceDetail = 0x12,     // u64 set, buffer record, buffer detail, u8 wants size, buffer device
                                   // -> i32, u32 size, buffer detail, buffer device
    GetDeviceRegistryProperty = 0x13,  // u64 set, buffer device, u32 property, buffer text -> i32, buffer text
    DestroyDeviceInfoList = 0x14,  // u64 set -> i32

    // HidDeviceApi; every response ends with the call's u32 last error, and
    // a handle or a BOOL is answered as a u64
    OpenHidDevice = 0x20,    // text path, i32 overlapped -> u64 handle
    GetAttributes = 0x21,    // u64 device, buffer record -> i32, buffer record
    // u64 device, u64 operation, buffer report of the call's length (a
    // read's as the caller's buffer holds it), u8 has record, u64 internal, u64 internalHigh,
    // u32 offset, u32 offsetHigh, u64 event
    // -> the IoEnded fields (the record as the call left it), u8 in flight, i32, u32 last error
    ReadReport = 0x22,
    WriteReport = 0x23,
    CancelIo = 0x24,         // u64 device -> u64
    CreateEvent = 0x25,      // -> u64 event
    CloseHidHandle = 0x26,   // u64 handle -> u64

    // UsbHubApi and DeviceRemovalApi
    OpenHubDevice = 0x30,    // text path -> u64 handle
    IoControl = 0x31,        // u64 device, u32 code, buffer in, buffer out -> i32, buffer out
    CloseHubHandle = 0x32,   // u64 handle -> i32
    WideToAnsi = 0x33,       // buffer text (terminated), buffer out, i32 size -> i32, buffer out
    RequestEject = 0x34,     // u32 devInst, u8 has veto type, u32 veto type, buffer veto name, u32 name
                             // length, u32 flags -> u32 result, u32 veto type, buffer veto name
    QueryAndRemove = 0x35,   // as RequestEject
    GetVersionEx = 0x36,     // buffer record -> i32, buffer record

    // SpoolerApi; the list responses carry the server's buffer address (see record_rebase.h)
    EnumPrinters = 0x40,     // buffer list, u32 needed, u32 returned
                             // -> i32, u32 needed, u32 returned, u64 base, buffer list
    OpenPrinter = 0x41,      // text name, u32 access -> i32, u64 printer
    EnumJobs = 0x42,         // u64 printer, u32 first, u32 count, buffer list, u32 needed, u32 returned
                             // -> as EnumPrinters
    ClosePrinter = 0x43,     // u64 printer -> i32

    // RegistryApi
    OpenKey = 0x50,          // text path -> i32, u64 key
    EnumKey = 0x51,          // u64 key, u32 index, buffer name, u8 has length, u32 length, buffer class,
                             // u8 has length, u32 length -> i32, buffer name, u32, buffer class, u32
    QueryValue = 0x52,       // u64 key, text name, u8 has type, u32 type, buffer data, u8 has size, u32 size
                             // -> i32, u32 type, buffer data, u32 size
    CloseKey = 0x53,         // u64 key -> i32

    // Events, server to client, unsolicited
    IoEnded = 0x70,          // u64 operation, u64 internal, u64 internalHigh, buffer bytes read
    TreeChanged = 0x71,      // nothing
};

// Why the server refused a frame.
enum class LinkError : std::uint8_t {
    BadLength = 1,     // a length prefix of 0 or over kMaxFrameBytes
    UnknownType = 2,   // not a request the server serves
    BadFields = 3,     // a field truncated, out of its bounds, or bytes left over
    WrongVersion = 4,  // another protocol version or record layout
    NoHello = 5,       // a request before Hello
    SecondHello = 6,
    BadHost = 7,       // a host letter other than 'A' or 'B'
    HostTaken = 8,     // that host is connected already
};

inline MessageType responseTo(MessageType request) {
    return static_cast<MessageType>(static_cast<std::uint8_t>(request) | kResponseBit);
}

}  // namespace pivora::link
