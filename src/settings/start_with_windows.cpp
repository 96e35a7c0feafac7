#include "settings/start_with_windows.h"

#include <algorithm>

#include "settings/user_key.h"

namespace pivora {

namespace {
char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Windows paths compare without regard to case.
bool samePath(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return lowerAscii(x) == lowerAscii(y); });
}
}  // namespace

std::u16string StartWithWindows::command() const { return u"\"" + exePath_ + u"\""; }

bool StartWithWindows::enabled() const {
    if (exePath_.empty()) return false;
    const UserKey key(registry_, kRunKeyPath, false);
    const auto value = key.readString(kValueName);
    return value.has_value() && samePath(*value, command());
}

bool StartWithWindows::set(bool on) {
    if (on && exePath_.empty()) return false;
    UserKey key(registry_, kRunKeyPath, true);
    return on ? key.writeString(kValueName, command()) : key.remove(kValueName);
}

}  // namespace pivora
