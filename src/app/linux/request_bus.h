#pragma once

// Where the Linux program takes the command line's requests on the user's
// session bus: one well-known name, owned by the running Pivora alone.
namespace pivora::request_bus {

constexpr const char* kName = "org.pivora.Pivora";
constexpr const char* kPath = "/org/pivora/Pivora";
constexpr const char* kInterface = "org.pivora.Pivora1";
// Request(y verb, i port, b json) -> (i exitStatus, s text): the verb and
// port as the command line's RemoteRequest has them, the answer as it prints.
constexpr const char* kRequestMethod = "Request";
// Show() -> (b shown): the running Pivora's window brought up, as a second
// start asks; false from one that runs without a window.
constexpr const char* kShowMethod = "Show";

}  // namespace pivora::request_bus
