#include "sim/sim_registry.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace pivora::sim {

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
unsigned char upperAscii(char c) {
    return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

// The order Windows keeps a key's subkeys in: by name, compared in upper case.
bool sortsBefore(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return upperAscii(x) < upperAscii(y); });
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The path's key names; nothing when a name is empty ("a\\b", "\a", "a\").
std::optional<std::vector<std::string>> splitPath(const std::string& path) {
    std::vector<std::string> names;
    if (path.empty()) return names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (name.empty()) return std::nullopt;
        names.push_back(std::move(name));
        if (end == std::string::npos) return names;
        start = end + 1;
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Up to `maxDigits` hexadecimal digits, the whole of `text`.
std::optional<std::uint32_t> parseHex(const std::string& text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

// UTF-16LE units as 8-bit characters. The simulated computer's ANSI code page
// is Latin-1, so a unit above 0xFF cannot be represented and fails.
std::optional<std::string> narrow(const std::uint8_t* bytes, std::size_t size) {
    if (size % 2 != 0) return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < size; i += 2) {
        const unsigned unit = bytes[i] | (static_cast<unsigned>(bytes[i + 1]) << 8);
        if (unit > 0xFF) return std::nullopt;
        text.push_back(static_cast<char>(unit));
    }
    return text;
}

std::string trimRight(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
    return text.substr(0, end);
}

std::size_t skipBlanks(const std::string& text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    return at;
}

// A quoted text starting at `at` (on the opening quote); `at` ends past the
// closing quote. Only \\ and \" are escapes.
std::optional<std::string> quoted(const std::string& line, std::size_t& at) {
    if (at >= line.size() || line[at] != '"') return std::nullopt;
    std::string text;
    for (++at; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '"') {
            ++at;
            return text;
        }
        if (c == '\\') {
            if (at + 1 >= line.size() || (line[at + 1] != '\\' && line[at + 1] != '"')) return std::nullopt;
            text.push_back(line[++at]);
        } else {
            text.push_back(c);
        }
    }
    return std::nullopt;
}

// "hh,hh,..." as bytes; an empty list is no bytes.
std::optional<std::vector<std::uint8_t>> hexBytes(const std::string& list) {
    std::vector<std::uint8_t> bytes;
    if (list.empty()) return bytes;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::optional<std::uint32_t> byte = parseHex(item, 2);
        if (!byte || item.size() != 2) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        if (comma == std::string::npos) return bytes;
        start = comma + 1;
    }
}

constexpr const char* kRoots[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "HKEY_USERS",
                                  "HKEY_CURRENT_CONFIG"};

}  // namespace

SimRegistry::SimRegistry() : root_(std::make_unique<Key>()) {}

SimRegistry::~SimRegistry() = default;

SimRegistry::Key* SimRegistry::find(const std::string& path) const {
    const std::optional<std::vector<std::string>> names = splitPath(path);
    if (!names) return nullptr;
    Key* key = root_.get();
    for (const std::string& name : *names) {
        Key* next = nullptr;
        for (const auto& subkey : key->subkeys)
            if (sameName(subkey->name, name)) next = subkey.get();
        if (next == nullptr) return nullptr;
        key = next;
    }
    return key;
}

SimRegistry::Key& SimRegistry::make(const std::string& path) {
    const std::optional<std::vector<std::string>> names = splitPath(path);
    if (!names) throw std::invalid_argument("a registry path has no empty key names: " + path);
    Key* key = root_.get();
    for (const std::string& name : *names) {
        Key* next = nullptr;
        for (const auto& subkey : key->subkeys)
            if (sameName(subkey->name, name)) next = subkey.get();
        if (next == nullptr) {
            const auto at = std::find_if(key->subkeys.begin(), key->subkeys.end(),
                                         [&name](const auto& subkey) { return sortsBefore(name, subkey->name); });
            next = key->subkeys.insert(at, std::make_unique<Key>())->get();
            next->name = name;
        }
        key = next;
    }
    return *key;
}

void SimRegistry::addKey(const std::string& path) { make(path); }

void SimRegistry::setString(const std::string& path, const std::string& valueName, const std::string& text,
                            bool terminated) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    if (terminated) data.push_back(0);
    setValue(path, valueName, kRegString, std::move(data));
}

void SimRegistry::setDword(const std::string& path, const std::string& valueName, std::uint32_t value) {
    std::vector<std::uint8_t> data(4);
    for (std::size_t i = 0; i < 4; ++i) data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    setValue(path, valueName, kRegDword, std::move(data));
}

void SimRegistry::setValue(const std::string& path, const std::string& valueName, std::uint32_t type,
                           std::vector<std::uint8_t> data) {
    Key& key = make(path);
    for (Value& value : key.values) {
        if (sameName(value.name, valueName)) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    key.values.push_back({valueName, type, std::move(data)});
}

void SimRegistry::failOpen(const std::string& path, bool fails) { make(path).openFails = fails; }

bool SimRegistry::hasKey(const std::string& path) const { return find(path) != nullptr; }

SimRegistry::Key* SimRegistry::keyOf(OsHandle key) const {
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(key));
    return found == handles_.end() ? nullptr : found->second;
}

long SimRegistry::openLocalMachineKey(const char* path, OsHandle* key) {
    if (path == nullptr || key == nullptr) return kErrorInvalidParameter;
    Key* found = find(path);
    if (found == nullptr) return kErrorFileNotFound;
    if (found->openFails) return kErrorAccessDenied;
    const std::uintptr_t handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = found;
    ++opens_;
    openedPaths_.emplace_back(path);
    *key = reinterpret_cast<OsHandle>(handle);
    return kRegistrySuccess;
}

long SimRegistry::enumKey(OsHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength, char* className,
                          std::uint32_t* classLength) {
    const Key* parent = keyOf(key);
    if (parent == nullptr) return kErrorInvalidHandle;
    if (name == nullptr || nameLength == nullptr || (className != nullptr && classLength == nullptr))
        return kErrorInvalidParameter;
    if (index >= parent->subkeys.size()) return kErrorNoMoreItems;
    const std::string& found = parent->subkeys[index]->name;
    // Lengths count characters; the buffer must hold the terminator too.
    if (found.size() + 1 > *nameLength) return kErrorMoreData;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameLength = static_cast<std::uint32_t>(found.size());
    // No simulated key has a class: an empty text.
    if (className != nullptr) {
        if (*classLength < 1) return kErrorMoreData;
        className[0] = '\0';
        *classLength = 0;
    }
    return kRegistrySuccess;
}

long SimRegistry::queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) {
    const Key* found = keyOf(key);
    if (found == nullptr) return kErrorInvalidHandle;
    if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
    const std::string wanted = valueName != nullptr ? valueName : "";
    for (const Value& value : found->values) {
        if (!sameName(value.name, wanted)) continue;
        if (type != nullptr) *type = value.type;
        const auto stored = static_cast<std::uint32_t>(value.data.size());
        if (data == nullptr) {
            if (size != nullptr) *size = stored;
            return kRegistrySuccess;
        }
        if (*size < stored) {
            *size = stored;
            return kErrorMoreData;
        }
        // Exactly the bytes stored: a text stored without its zero arrives without one.
        if (stored > 0) std::memcpy(data, value.data.data(), stored);
        *size = stored;
        return kRegistrySuccess;
    }
    return kErrorFileNotFound;
}

long SimRegistry::closeKey(OsHandle key) {
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == handles_.end()) {
        ++badReleases_;
        return kErrorInvalidHandle;
    }
    handles_.erase(found);
    ++closes_;
    return kRegistrySuccess;
}

bool SimRegistry::loadRegFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return loadRegText(bytes);
}

bool SimRegistry::loadRegText(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        const std::optional<std::string> text =
            narrow(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2, bytes.size() - 2);
        return text && parse(*text);
    }
    return parse(bytes);
}

bool SimRegistry::parse(const std::string& text) {
    std::istringstream lines(text);
    std::string line;

    // The header decides how text inside hex(n) values is encoded.
    bool unicodeData = false;
    while (std::getline(lines, line) && trimRight(line).empty()) {
    }
    line = trimRight(line);
    if (line == "Windows Registry Editor Version 5.00")
        unicodeData = true;
    else if (line != "REGEDIT4")
        return false;

    // Nothing is applied until the whole file has been read.
    struct Loaded {
        std::string path;
        std::optional<Value> value;  // none: the key alone
    };
    std::vector<Loaded> loaded;
    std::optional<std::string> section;  // the HKEY_LOCAL_MACHINE path, when the section is one of its keys
    bool inSection = false;
    while (std::getline(lines, line)) {
        line = trimRight(line);
        const std::size_t start = skipBlanks(line, 0);
        if (start == line.size() || line[start] == ';') continue;

        if (line[start] == '[') {
            if (line.back() != ']') return false;
            const std::string path = line.substr(start + 1, line.size() - start - 2);
            const std::size_t slash = path.find('\\');
            const std::string root = path.substr(0, slash);
            bool known = false;
            for (const char* candidate : kRoots) known = known || sameName(root, candidate);
            if (!known) return false;  // also "[-HKEY_...]", a deletion
            inSection = true;
            section.reset();
            if (sameName(root, "HKEY_LOCAL_MACHINE")) {
                const std::string below = slash == std::string::npos ? "" : path.substr(slash + 1);
                if (!splitPath(below)) return false;
                section = below;
                loaded.push_back({below, std::nullopt});
            }
            continue;
        }

        if (!inSection) return false;
        // A value: "name"=data or @=data.
        std::size_t at = start;
        std::string name;
        if (line[at] == '@') {
            ++at;
        } else {
            const std::optional<std::string> quotedName = quoted(line, at);
            if (!quotedName) return false;
            name = *quotedName;
        }
        if (at >= line.size() || line[at] != '=') return false;
        std::string data = line.substr(at + 1);

        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
        if (!data.empty() && data[0] == '"') {
            std::size_t end = 0;
            const std::optional<std::string> value = quoted(data, end);
            if (!value || end != data.size()) return false;
            type = kRegString;
            bytes.assign(value->begin(), value->end());
            bytes.push_back(0);
        } else if (data.rfind("dword:", 0) == 0) {
            const std::optional<std::uint32_t> value = parseHex(data.substr(6), 8);
            if (!value) return false;
            type = kRegDword;
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(*value >> (8 * i)));
        } else if (data.rfind("hex", 0) == 0) {
            std::size_t colon = data.find(':');
            if (colon == std::string::npos) return false;
            const std::string kind = data.substr(3, colon - 3);
            if (kind.empty()) {
                type = kRegBinary;
            } else {
                if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')') return false;
                const std::optional<std::uint32_t> value = parseHex(kind.substr(1, kind.size() - 2), 8);
                if (!value) return false;
                type = *value;
            }
            // A long list goes on over lines that end in a backslash.
            std::string list = data.substr(colon + 1);
            while (!list.empty() && list.back() == '\\') {
                list.pop_back();
                if (!std::getline(lines, line)) return false;
                line = trimRight(line);
                list += line.substr(skipBlanks(line, 0));
            }
            const std::optional<std::vector<std::uint8_t>> parsed = hexBytes(list);
            if (!parsed) return false;
            bytes = *parsed;
            // Text types of a version 5 file are UTF-16; the A calls see them as 8-bit text.
            const bool textType = type == kRegString || type == kRegExpandString || type == 7;  // REG_MULTI_SZ
            if (textType && unicodeData) {
                const std::optional<std::string> narrowed = narrow(bytes.data(), bytes.size());
                if (!narrowed) return false;
                bytes.assign(narrowed->begin(), narrowed->end());
            }
        } else {
            return false;  // "name"=- (a deletion) and anything unknown
        }
        if (section) loaded.push_back({*section, Value{name, type, std::move(bytes)}});
    }
    for (Loaded& entry : loaded) {
        if (entry.value)
            setValue(entry.path, entry.value->name, entry.value->type, std::move(entry.value->data));
        else
            make(entry.path);
    }
    return true;
}

}  // namespace pivora::sim
