#include "control/windows_host.h"

#include "controller/hid_report_channel.h"

namespace pivora {

std::unique_ptr<ReportChannel> WindowsHost::makeChannel(Clock& clock) {
    return std::make_unique<HidReportChannel>(platform_.interfaces, platform_.hid, clock, platform_.trace);
}

}  // namespace pivora
