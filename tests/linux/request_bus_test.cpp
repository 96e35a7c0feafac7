#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "app/linux/request_bus.h"
#include "app/linux/request_client.h"
#include "app/linux/request_service.h"
#include "sim/linux/private_bus.h"

namespace pivora::test {
namespace {

// The running Pivora's side on one connection, served by this thread's
// main context; the command line's side on another, from a thread of its
// own, as a second process would call.
class RequestBus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
        running = bus.connect();
        ASSERT_TRUE(running);
    }

    // Runs `call` on a thread of its own while this one serves the bus.
    template <typename Call>
    void fromAnotherProgram(Call call) {
        std::atomic<bool> done{false};
        std::thread caller([&] {
            const GObjectHandle<GDBusConnection> connection = bus.connect();
            call(connection.get());
            done = true;
        });
        while (!done) g_main_context_iteration(nullptr, FALSE);
        caller.join();
    }

    RemoteAnswer ask(const RemoteRequest& request) {
        RemoteAnswer answer;
        fromAnotherProgram([&](GDBusConnection* connection) { answer = askRunningPivora(connection, request); });
        return answer;
    }

    sim::PrivateBus bus;
    GObjectHandle<GDBusConnection> running;
    std::vector<RemoteRequest> asked;
};

TEST_F(RequestBus, NobodyRunningIsExitStatusThree) {
    const RemoteAnswer answer = ask(RemoteRequest{RemoteRequest::Status, 0, false});
    EXPECT_EQ(answer.exitStatus, exit_status::kNotRunning);
    EXPECT_EQ(answer.text, "Pivora is not running.\n");
}

TEST_F(RequestBus, EachRequestReachesTheRunningPivoraAndItsAnswerComesBack) {
    RequestService service(running.get(), [&](const RemoteRequest& request) {
        asked.push_back(request);
        return RemoteAnswer{request.verb == RemoteRequest::Claim ? exit_status::kRefused : exit_status::kDone,
                            "answer " + std::to_string(asked.size()) + "\n"};
    });
    ASSERT_TRUE(service.start());

    const RemoteRequest requests[] = {{RemoteRequest::Status, 0, true},
                                      {RemoteRequest::Claim, 4, false},
                                      {RemoteRequest::Release, 1, false},
                                      {RemoteRequest::Toggle, 0, false}};
    for (const RemoteRequest& request : requests) {
        const RemoteAnswer answer = ask(request);
        EXPECT_EQ(answer.exitStatus, request.verb == RemoteRequest::Claim ? exit_status::kRefused : exit_status::kDone);
        EXPECT_EQ(answer.text, "answer " + std::to_string(asked.size()) + "\n");
    }
    EXPECT_EQ(asked, std::vector<RemoteRequest>(std::begin(requests), std::end(requests)));
}

TEST_F(RequestBus, ASecondPivoraCannotTakeTheNameAndTheFirstKeepsAnswering) {
    RequestService first(running.get(), [](const RemoteRequest&) { return RemoteAnswer{0, "first\n"}; });
    ASSERT_TRUE(first.start());
    const GObjectHandle<GDBusConnection> other = bus.connect();
    RequestService second(other.get(), [](const RemoteRequest&) { return RemoteAnswer{0, "second\n"}; });
    EXPECT_FALSE(second.start());
    EXPECT_EQ(ask(RemoteRequest{}).text, "first\n");
}

// A second start asks the running Pivora to show its window: shown by one
// that has a window, not by `pivora run`, and nobody answers when none runs.
TEST_F(RequestBus, ShowBringsUpTheWindowOfTheOneRunning) {
    const auto show = [&] {
        std::optional<bool> shown;
        fromAnotherProgram([&](GDBusConnection* connection) { shown = showRunningPivora(connection); });
        return shown;
    };
    EXPECT_EQ(show(), std::nullopt);
    int shows = 0;
    {
        RequestService withWindow(running.get(), [](const RemoteRequest&) { return RemoteAnswer{}; }, [&] {
            ++shows;
            return true;
        });
        ASSERT_TRUE(withWindow.start());
        EXPECT_EQ(show(), std::optional<bool>(true));
        EXPECT_EQ(shows, 1);
    }
    RequestService headless(running.get(), [](const RemoteRequest&) { return RemoteAnswer{}; });
    ASSERT_TRUE(headless.start());
    EXPECT_EQ(show(), std::optional<bool>(false));
}

// Any program of the session may call: what no command line sends is
// refused before it reaches the control, and an answer's text that is not
// UTF-8 still travels.
TEST_F(RequestBus, WhatNoCommandLineSendsIsRefusedAndTextIsMadeValid) {
    RequestService service(running.get(), [&](const RemoteRequest& request) {
        asked.push_back(request);
        return RemoteAnswer{0, "Port 2 \xFF\xFE\n"};
    });
    ASSERT_TRUE(service.start());
    struct Raw {
        guchar verb;
        gint32 port;
    };
    for (const Raw raw : {Raw{0, 0}, Raw{9, 0}, Raw{RemoteRequest::Claim, 0}, Raw{RemoteRequest::Claim, 5},
                          Raw{RemoteRequest::Release, -1}, Raw{RemoteRequest::Status, 2}}) {
        bool refused = false;
        fromAnotherProgram([&](GDBusConnection* connection) {
            GError* failure = nullptr;
            GVariantHandle reply(g_dbus_connection_call_sync(
                connection, request_bus::kName, request_bus::kPath, request_bus::kInterface,
                request_bus::kRequestMethod, g_variant_new("(yib)", raw.verb, raw.port, FALSE), nullptr,
                G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &failure));
            const GErrorHandle error(failure);
            refused = !reply && g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS);
        });
        EXPECT_TRUE(refused) << "verb " << int{raw.verb} << " port " << raw.port;
    }
    EXPECT_TRUE(asked.empty());

    const RemoteAnswer answer = ask(RemoteRequest{});
    EXPECT_EQ(answer.text, "Port 2 \xEF\xBF\xBD\xEF\xBF\xBD\n");
}

}  // namespace
}  // namespace pivora::test
