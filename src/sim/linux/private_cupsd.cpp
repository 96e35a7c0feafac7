#include "private_cupsd.h"

#include <arpa/inet.h>
#include <cups/cups.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "link/posix_fd.h"

extern char** environ;

namespace pivora::sim {

namespace {

using link::PosixFd;

// cupsd and lpadmin live in sbin, which a user's PATH may lack.
std::string findTool(const std::string& name) {
    const char* userPath = std::getenv("PATH");
    std::string path = userPath != nullptr ? userPath : "";
    path += ":/usr/sbin:/usr/bin:/sbin";
    std::istringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

bool writeFile(const std::string& path, const std::string& text, mode_t mode = 0644) {
    {
        std::ofstream file(path, std::ios::trunc);
        if (!(file << text)) return false;
    }
    return ::chmod(path.c_str(), mode) == 0;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Starts `argv` with its output into `outputPath`; -1 when it cannot.
pid_t spawn(const std::vector<std::string>& argv, const std::string& outputPath) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

// Whether the child ended within `limit`, reaped then; `exitStatus` is -1
// when a signal ended it.
bool waitFor(pid_t pid, std::chrono::milliseconds limit, int& exitStatus) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
        if (ended < 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool accepts(int port) {
    const PosixFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return fd && ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

constexpr char kStandInBackend[] = "#!/bin/sh\n# Stands in for a real backend: its queues never print.\nexit 1\n";

}  // namespace

int freeLoopbackPort() {
    const PosixFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!fd || ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    return ntohs(address.sin_port);
}

void pointCupsAt(const std::string& server) {
    if (server.empty()) ::unsetenv("CUPS_SERVER");
    else ::setenv("CUPS_SERVER", server.c_str(), 1);
    cupsSetServer(nullptr);
}

PrivateCupsd::PrivateCupsd() {
    if (const char* server = getenv("CUPS_SERVER")) {
        hadServer_ = true;
        previousServer_ = server;
    }
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/pivora-cupsd-XXXXXX";
    if (::mkdtemp(&pattern[0]) == nullptr) {
        whyNot_ = "no temporary folder for cupsd";
        return;
    }
    folder_ = pattern;
    // A port taken between our look and cupsd's bind is tried again.
    for (int attempt = 0; attempt < 3 && !start(); ++attempt) {
    }
}

PrivateCupsd::~PrivateCupsd() {
    stop();
    pointCupsAt(hadServer_ ? previousServer_ : std::string());
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

bool PrivateCupsd::start() {
    whyNot_.clear();
    const std::string cupsd = findTool("cupsd");
    if (cupsd.empty()) {
        whyNot_ = "cupsd is not installed (Debian: cups-daemon)";
        return true;  // nothing to try again
    }
    const int port = freeLoopbackPort();
    if (port < 0) {
        whyNot_ = "no free port on 127.0.0.1";
        return false;
    }
    for (const char* sub : {"/root", "/spool", "/spool/tmp", "/cache", "/state", "/log", "/bin", "/bin/backend"})
        ::mkdir((folder_ + sub).c_str(), 0755);
    std::ostringstream files;
    files << "ServerRoot " << folder_ << "/root\n"
          << "RequestRoot " << folder_ << "/spool\n"
          << "TempDir " << folder_ << "/spool/tmp\n"
          << "CacheDir " << folder_ << "/cache\n"
          << "StateDir " << folder_ << "/state\n"
          << "ServerBin " << folder_ << "/bin\n"
          << "DataDir /usr/share/cups\n"
          << "AccessLog " << folder_ << "/log/access_log\n"
          << "ErrorLog " << folder_ << "/log/error_log\n"
          << "PageLog " << folder_ << "/log/page_log\n"
          << "Printcap " << folder_ << "/printcap\n";
    // Anyone may do anything, over loopback only: nothing here is real.
    std::ostringstream daemon;
    daemon << "Listen 127.0.0.1:" << port << "\n"
           << "Browsing Off\nWebInterface No\nDefaultAuthType None\nLogLevel info\n"
           << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
           << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    if (!writeFile(folder_ + "/cups-files.conf", files.str()) || !writeFile(folder_ + "/cupsd.conf", daemon.str()) ||
        !writeFile(folder_ + "/bin/backend/usb", kStandInBackend, 0755) ||
        !writeFile(folder_ + "/bin/backend/socket", kStandInBackend, 0755)) {
        whyNot_ = "cannot write cupsd's configuration in " + folder_;
        return true;
    }

    pid_ = spawn({cupsd, "-f", "-c", folder_ + "/cupsd.conf", "-s", folder_ + "/cups-files.conf"},
                 folder_ + "/log/cupsd.out");
    if (pid_ < 0) {
        whyNot_ = "cannot start " + cupsd;
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (accepts(port)) {
            server_ = "127.0.0.1:" + std::to_string(port);
            pointCupsAt(server_);
            return true;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            whyNot_ = "cupsd ended at its start: " + readFile(folder_ + "/log/cupsd.out") +
                      readFile(folder_ + "/log/error_log");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop();
    whyNot_ = "cupsd did not listen within 10 s";
    return false;
}

void PrivateCupsd::stop() {
    server_.clear();
    if (pid_ < 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    if (!waitFor(pid_, std::chrono::seconds(5), status)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

PrivateCupsd::ToolRun PrivateCupsd::run(const std::vector<std::string>& command) const {
    ToolRun result;
    std::vector<std::string> argv = command;
    argv.at(0) = findTool(command.at(0));
    if (argv[0].empty()) {
        result.output = command[0] + " is not installed";
        return result;
    }
    const std::string output = folder_ + "/log/tool.out";
    const pid_t pid = spawn(argv, output);
    if (pid < 0) return result;
    if (!waitFor(pid, std::chrono::seconds(30), result.status)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        result.status = -1;
    }
    result.output = readFile(output);
    return result;
}

}  // namespace pivora::sim
