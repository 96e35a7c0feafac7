#pragma once

#include <string>

#include "platform/user_registry_api.h"

namespace pivora {

// Pivora's entry among the programs Windows starts at sign-in, in the
// current user's Run key: the value "Pivora", the running exe's full path
// in quotes. No rights beyond a standard user's, nothing machine-wide.
class StartWithWindows {
public:
    static constexpr const char16_t* kRunKeyPath = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char16_t* kValueName = u"Pivora";

    StartWithWindows(UserRegistryApi& registry, std::u16string exePath)
        : registry_(registry), exePath_(std::move(exePath)) {}

    // True only when the entry starts this very exe: after a move it is
    // false, and turning it on writes the new path.
    bool enabled() const;
    bool set(bool on);

private:
    std::u16string command() const;

    UserRegistryApi& registry_;
    std::u16string exePath_;
};

}  // namespace pivora
