// The simulated build of the Linux program: the same program, on a Linux
// computer of switchsim's (run it under umockdev-wrapper with switchsim's
// `environment`), whose controller node is a socket, and whose desktop the
// two-computer run reads through a probe on the session bus.

#include <memory>
#include <string>
#include <vector>

#include "app/linux/linux_main.h"
#include "app/linux/program_start.h"
#include "sim/linux/desktop_probe.h"
#include "sim/linux/switchsim_node.h"

int main(int argc, char** argv) {
    pivora::LinuxRoots roots = pivora::linuxRoots();
    roots.openNode = pivora::sim::openSwitchsimNode;
    return pivora::linuxMain(std::vector<std::string>(argv + 1, argv + argc), roots,
                             [](pivora::DesktopShell& shell, GDBusConnection* session) {
                                 return std::make_unique<pivora::sim::DesktopProbe>(shell, session);
                             });
}
