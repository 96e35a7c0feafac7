#include "platform/linux/cups_queues.h"

#include "platform/linux/cups_connection.h"

namespace pivora {

namespace {

struct JobsFree {
    int count;
    cups_job_t* jobs;
    ~JobsFree() { cupsFreeJobs(count, jobs); }
};

bool lastRequestFailed() { return cupsLastError() > IPP_STATUS_OK_CONFLICTING; }

// Active jobs of every user: a job of someone else on this computer keeps the
// printer busy just as well. Negative when the server did not answer.
int activeJobs(http_t* http, const char* queue) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(http, &jobs, queue, 0, CUPS_WHICHJOBS_ACTIVE);
    const JobsFree release{count, jobs};
    return count;
}

}  // namespace

std::optional<std::string> askDeviceUri(http_t* http, const std::string& queue) {
    char printerUri[HTTP_MAX_URI];
    if (httpAssembleURIf(HTTP_URI_CODING_ALL, printerUri, sizeof printerUri, "ipp", nullptr, "localhost", ippPort(),
                         "/printers/%s", queue.c_str()) != HTTP_URI_STATUS_OK)
        return std::nullopt;
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "device-uri");
    // cupsDoRequest frees the request, answered or not.
    const IppMessage response(cupsDoRequest(http, request, "/"));
    if (!response || lastRequestFailed()) return std::nullopt;
    ipp_attribute_t* uri = ippFindAttribute(response.get(), "device-uri", IPP_TAG_URI);
    const char* text = uri != nullptr ? ippGetString(uri, 0, nullptr) : nullptr;
    if (text == nullptr) return std::nullopt;
    return std::string(text);
}

CupsQueueReading readCupsQueues() {
    CupsQueueReading reading;
    reading.server = cupsServerName();
    const CupsConnection http = connectToCupsServer(reading.failure);
    if (!http) return reading;

    const CupsDestinations dests(http.get());
    // A server without queues answers "not found".
    if (dests.count() == 0 && lastRequestFailed() && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) {
        reading.failure = cupsLastErrorString();
        return reading;
    }
    for (int index = 0; index < dests.count(); ++index) {
        const cups_dest_t& dest = dests.at(index);
        // An instance is a set of options over a queue listed on its own.
        if (dest.instance != nullptr) continue;
        CupsQueue queue;
        queue.name = dest.name;
        const char* uri = cupsGetOption("device-uri", dest.num_options, dest.options);
        queue.deviceUri = uri != nullptr ? std::optional<std::string>(uri) : askDeviceUri(http.get(), queue.name);
        const int jobs = activeJobs(http.get(), dest.name);
        if (jobs < 0) {
            reading.failure = cupsLastErrorString();
            reading.queues.clear();
            return reading;
        }
        queue.activeJobs = static_cast<std::uint32_t>(jobs);
        reading.queues.push_back(std::move(queue));
    }
    reading.answered = true;
    return reading;
}

}  // namespace pivora
