#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pivora::sim {

// A cupsd of its own: its configuration, spool and logs in a
// temporary folder, listening on 127.0.0.1 at a free port, with stand-in
// usb and socket backends that never print (its queues are stopped or never
// given a job). While it runs, CUPS_SERVER names it, so libcups and the CUPS
// tools talk to it and to nothing else. Runs as the current user; as root
// its children would run as lp.
class PrivateCupsd {
public:
    PrivateCupsd();
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

    // Empty when it runs; otherwise why it could not be started.
    const std::string& whyNot() const { return whyNot_; }
    // "127.0.0.1:<port>", as CUPS_SERVER names it; empty unless it runs.
    const std::string& server() const { return server_; }

    struct ToolRun {
        int status = -1;  // the exit status; -1 when the tool did not run or end
        std::string output;
    };
    // A CUPS tool (lpadmin, lp, cancel, cupsdisable...) run against this server.
    ToolRun run(const std::vector<std::string>& command) const;

private:
    bool start();
    void stop();

    std::string folder_;
    std::string whyNot_;
    std::string server_;
    pid_t pid_ = -1;
    std::string previousServer_;
    bool hadServer_ = false;
};

// CUPS_SERVER pointed at `server` ("host:port") for libcups and the tools
// this process starts, as a user's environment would name it. libcups keeps
// the name it read per thread, so it is told to read it again.
void pointCupsAt(const std::string& server);

// A port on 127.0.0.1 that nothing listens on at the moment.
int freeLoopbackPort();

}  // namespace pivora::sim
