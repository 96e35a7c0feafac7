#pragma once

#include <cstdint>
#include <cstring>

#include "adversary.h"
#include "platform/usb_hub_api.h"

namespace pivora::fuzz {

// Host controllers and hubs whose every answer comes from the fuzz input:
// whether a device opens, whether an I/O control succeeds and every byte of
// the record it returns (lengths, port counts, names, terminators or none).
// Input: openDevice [ok]; ioControl [ok][fill]; the rest take nothing.
class AnsweringHubs : public UsbHubApi {
public:
    explicit AnsweringHubs(FuzzInput& input) : input_(input) {}

    bool allClosed() const { return handles_.allClosed(); }

    OsHandle openDevice(const char* path) override {
        require(path != nullptr && std::strlen(path) < 4096, "a device path is a terminated text");
        return input_.flag() ? handles_.open() : nullptr;
    }

    int ioControl(OsHandle device, std::uint32_t, std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                  std::uint32_t outSize) override {
        require(handles_.isOpen(device), "I/O control on an open device");
        require(out != nullptr && outSize > 0, "an I/O control has an output record");
        // Hub records go in and come back in the same buffer.
        require(in == nullptr ? inSize == 0 : in == out && inSize == outSize, "input record is the output record");
        if (in != nullptr) readAll(in, inSize);
        const int succeeded = input_.flag() ? 1 : 0;
        fillFrom(input_, out, outSize);
        return succeeded;
    }

    int closeHandle(OsHandle device) override {
        handles_.close(device, "a device closed once, after it was opened");
        return 1;
    }

    // As WideCharToMultiByte into a double-byte code page: ASCII stays one
    // byte, anything else takes two, so a name near the limit may not fit.
    int wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) override {
        require(utf16le != nullptr && out != nullptr && outSize > 0, "a conversion has somewhere to go");
        int written = 0;
        for (const std::uint8_t* at = utf16le;; at += 2) {
            const unsigned unit = static_cast<unsigned>(at[0] | (at[1] << 8));
            if (unit == 0) break;
            const int width = unit < 0x80 ? 1 : 2;
            if (written + width >= outSize) return 0;  // no room for it and the terminator
            for (int byte = 0; byte < width; ++byte)
                out[written++] = unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        out[written] = '\0';
        return written + 1;
    }

private:
    FuzzInput& input_;
    HandleLedger handles_{0x10000};
};

}  // namespace pivora::fuzz
