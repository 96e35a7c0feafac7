#include "platform/posix/make_folders.h"

#include <sys/stat.h>

#include <cerrno>

namespace pivora {

bool makeFolders(const std::string& folder) {
    if (folder.empty()) return false;
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string step = folder.substr(0, slash);
        if (::mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace pivora
