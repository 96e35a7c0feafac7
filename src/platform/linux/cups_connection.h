#pragma once

#include <cups/cups.h>

#include <memory>
#include <string>

namespace pivora {

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
using CupsConnection = std::unique_ptr<http_t, HttpClose>;

struct IppDelete {
    void operator()(ipp_t* message) const { ippDelete(message); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDelete>;

// The destinations cupsGetDests2 lists, freed with them.
class CupsDestinations {
public:
    explicit CupsDestinations(http_t* http) : count_(cupsGetDests2(http, &dests_)) {}
    ~CupsDestinations() { cupsFreeDests(count_, dests_); }
    CupsDestinations(const CupsDestinations&) = delete;
    CupsDestinations& operator=(const CupsDestinations&) = delete;

    int count() const { return count_; }
    const cups_dest_t& at(int index) const { return dests_[index]; }

private:
    cups_dest_t* dests_ = nullptr;
    int count_;
};

// The server the user's environment names (CUPS_SERVER, client.conf, the
// local socket): its name as cupsServer() gives it, with the port when it is
// not a socket.
std::string cupsServerName();

// A connection to that server, with bounded waits: a server that does not
// answer in time is one that is not there. Null when it cannot be reached,
// and `failure` then says why.
CupsConnection connectToCupsServer(std::string& failure);

}  // namespace pivora
