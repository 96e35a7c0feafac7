#include "platform/linux/device_holders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace pivora {

namespace {

namespace fs = std::filesystem;

bool isProcessDir(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool holdsAny(const fs::path& processDir, const std::vector<dev_t>& nodes) {
    std::error_code error;
    fs::directory_iterator entry(processDir / "fd", error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        // stat follows the link to the open file itself; a socket or a
        // pipe is no character device and passes.
        struct stat target {};
        if (::stat(entry->path().c_str(), &target) != 0 || !S_ISCHR(target.st_mode)) continue;
        if (std::find(nodes.begin(), nodes.end(), target.st_rdev) != nodes.end()) return true;
    }
    return false;
}

}  // namespace

bool heldOpenByThisUser(const std::string& procRoot, const std::vector<dev_t>& nodes) {
    if (nodes.empty()) return false;
    const uid_t us = ::geteuid();
    std::error_code error;
    fs::directory_iterator entry(procRoot, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        if (!isProcessDir(entry->path().filename().string())) continue;
        // A process's directory belongs to the user it runs as.
        struct stat owner {};
        if (::stat(entry->path().c_str(), &owner) != 0 || owner.st_uid != us) continue;
        if (holdsAny(entry->path(), nodes)) return true;
    }
    return false;
}

}  // namespace pivora
