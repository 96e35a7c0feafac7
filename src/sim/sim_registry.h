#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry_api.h"

namespace pivora::sim {

// HKEY_LOCAL_MACHINE of one simulated computer behind the same seam as the
// real one. Key and value names compare without regard to ASCII letter case,
// as Windows compares them; subkeys enumerate sorted by name, whatever order
// they were made in, compared in upper case as Windows compares them. (Wine
// compares in lower case: the two orders differ only where one name has one
// of [ \ ] ^ _ ` and the other a letter.)
// Paths are relative to HKEY_LOCAL_MACHINE and joined with "\". Every key
// handle is counted so tests can prove each one is closed.
class SimRegistry : public RegistryApi {
public:
    // The LSTATUS codes the calls report.
    static constexpr long kErrorFileNotFound = 2;
    static constexpr long kErrorAccessDenied = 5;
    static constexpr long kErrorInvalidHandle = 6;
    static constexpr long kErrorInvalidParameter = 87;
    static constexpr long kErrorMoreData = 234;
    static constexpr long kErrorNoMoreItems = 259;

    static constexpr std::uint32_t kRegBinary = 3;
    static constexpr std::uint32_t kRegDword = 4;

    SimRegistry();
    ~SimRegistry() override;
    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

    // Population. Keys missing on the way are made. A value of the same name
    // is replaced in place.
    void addKey(const std::string& path);
    // REG_SZ. Stored with its terminating zero unless `terminated` is false,
    // as a program that writes the value carelessly may leave it.
    void setString(const std::string& path, const std::string& valueName, const std::string& text,
                   bool terminated = true);
    void setDword(const std::string& path, const std::string& valueName, std::uint32_t value);
    void setValue(const std::string& path, const std::string& valueName, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    // RegOpenKeyExA of exactly this key reports ERROR_ACCESS_DENIED; its
    // subkeys still open by their full paths, as on Windows.
    void failOpen(const std::string& path, bool fails = true);

    bool hasKey(const std::string& path) const;

    // A .reg file as regedit writes it: "Windows Registry Editor Version 5.00"
    // in UTF-16LE with a byte order mark, or "REGEDIT4" in ANSI. Sections of
    // HKEY_LOCAL_MACHINE are loaded; those of the other roots are read and
    // left out. Values: "text" (with \\ and \" escaped), dword:, hex: and
    // hex(n):. Anything else is refused: the result is false and nothing of
    // the file is loaded.
    bool loadRegFile(const std::string& path);
    // The file's bytes, the byte order mark deciding the encoding.
    bool loadRegText(const std::string& bytes);

    // Observation.
    int keysOpen() const { return static_cast<int>(handles_.size()); }
    int opens() const { return opens_; }
    int closes() const { return closes_; }
    int badReleases() const { return badReleases_; }
    bool allReleased() const { return handles_.empty() && badReleases_ == 0; }
    // Every path opened successfully, in order.
    const std::vector<std::string>& openedPaths() const { return openedPaths_; }

    // RegistryApi
    long openLocalMachineKey(const char* path, OsHandle* key) override;
    long enumKey(OsHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength, char* className,
                 std::uint32_t* classLength) override;
    long queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long closeKey(OsHandle key) override;

private:
    struct Value {
        std::string name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    struct Key {
        std::string name;
        std::vector<std::unique_ptr<Key>> subkeys;
        std::vector<Value> values;
        bool openFails = false;
    };

    Key* find(const std::string& path) const;
    Key& make(const std::string& path);
    Key* keyOf(OsHandle key) const;
    bool parse(const std::string& text);

    std::unique_ptr<Key> root_;
    std::map<std::uintptr_t, Key*> handles_;
    std::uintptr_t nextHandle_ = 0x40000;
    std::vector<std::string> openedPaths_;
    int opens_ = 0;
    int closes_ = 0;
    int badReleases_ = 0;
};

}  // namespace pivora::sim
