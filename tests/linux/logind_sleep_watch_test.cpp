#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dbus_mock.h"
#include "platform/linux/logind_sleep_watch.h"

namespace pivora::test {
namespace {

constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

// logind on a private bus. The watch is made on a main context of the
// test's own, this thread's default only while it is made: whatever it does
// later must still come to that context.
class LogindSleep : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
        systemBus = bus.connect();
        ASSERT_TRUE(systemBus);
    }
    void TearDown() override {
        watch.reset();
        // What GDBus still had queued for the watch is let go of.
        while (g_main_context_iteration(context.get(), FALSE)) {
        }
    }

    void startLogind() {
        logind = std::make_unique<DbusMock>(bus, "org.freedesktop.login1", std::vector<std::string>{"-t", "logind"});
        ASSERT_TRUE(logind->running()) << "the logind mock did not start";
    }

    void makeWatch() {
        g_main_context_push_thread_default(context.get());
        watch = std::make_unique<LogindSleepWatch>(
            systemBus.get(),
            LogindSleepWatch::Callbacks{
                [this](PowerDown why) { heard.emplace_back(why == PowerDown::Sleep ? "sleep" : "shutdown"); },
                [this] { heard.emplace_back("resumed"); }});
        g_main_context_pop_thread_default(context.get());
    }

    // logind's inhibitors, each as "what|who|why|mode".
    std::vector<std::string> inhibitors() {
        std::vector<std::string> listed;
        const GVariantHandle reply = logind->call(kLogindPath, kManager, "ListInhibitors", nullptr, "(a(ssssuu))");
        if (!reply) return listed;
        const GVariantHandle list(g_variant_get_child_value(reply.get(), 0));
        for (gsize i = 0; i < g_variant_n_children(list.get()); ++i) {
            const char* what = nullptr;
            const char* who = nullptr;
            const char* why = nullptr;
            const char* mode = nullptr;
            g_variant_get_child(list.get(), i, "(&s&s&s&suu)", &what, &who, &why, &mode, nullptr, nullptr);
            listed.push_back(std::string(what) + "|" + who + "|" + why + "|" + mode);
        }
        return listed;
    }

    void announce(const char* signal, bool value) {
        GVariant* argument = g_variant_new_variant(g_variant_new_boolean(value ? TRUE : FALSE));
        logind->control(kLogindPath, "EmitSignal",
                        g_variant_new("(sss@av)", kManager, signal, "b", g_variant_new_array(nullptr, &argument, 1)));
    }

    bool spinUntil(const std::function<bool()>& done) { return test::spinUntil(context.get(), done); }

    const std::vector<std::string> kOurs{
        "sleep:shutdown|Pivora|Hands the switch's ports back before the computer sleeps|delay"};

    std::unique_ptr<GMainContext, void (*)(GMainContext*)> context{g_main_context_new(), g_main_context_unref};
    PrivateBus bus;
    GObjectHandle<GDBusConnection> systemBus;
    std::unique_ptr<DbusMock> logind;
    std::unique_ptr<LogindSleepWatch> watch;
    std::vector<std::string> heard;
};

// A whole night: held from the start, still held while the program signs
// off, let go when told, and taken again on waking.
TEST_F(LogindSleep, InhibitorIsHeldReleasedWhenToldAndTakenAgainOnWaking) {
    startLogind();
    makeWatch();
    ASSERT_TRUE(spinUntil([&] { return watch->holdsInhibitor(); }));
    EXPECT_EQ(inhibitors(), kOurs);

    announce("PrepareForSleep", true);
    ASSERT_TRUE(spinUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard, std::vector<std::string>{"sleep"});
    EXPECT_TRUE(watch->holdsInhibitor());
    EXPECT_EQ(inhibitors(), kOurs);

    watch->releaseInhibitor();
    EXPECT_FALSE(watch->holdsInhibitor());
    EXPECT_TRUE(spinUntil([&] { return inhibitors().empty(); }));

    announce("PrepareForSleep", false);
    ASSERT_TRUE(spinUntil([&] { return heard.size() == 2 && watch->holdsInhibitor(); }));
    EXPECT_EQ(heard.back(), "resumed");
    EXPECT_EQ(inhibitors(), kOurs);
}

struct Announcement {
    const char* signal;
    bool value;
    const char* heard;
    bool inhibitorTakenAgain;
};

void PrintTo(const Announcement& a, std::ostream* os) { *os << a.signal << "(" << (a.value ? "true" : "false") << ")"; }

class Announcements : public LogindSleep, public ::testing::WithParamInterface<Announcement> {};

TEST_P(Announcements, ReachTheirCallbackAndOnlyResumingTakesTheInhibitorAgain) {
    const Announcement& a = GetParam();
    startLogind();
    makeWatch();
    ASSERT_TRUE(spinUntil([&] { return watch->holdsInhibitor(); }));
    watch->releaseInhibitor();
    // logind lists an inhibitor until it has seen its end of the pipe close.
    ASSERT_TRUE(spinUntil([&] { return inhibitors().empty(); }));

    announce(a.signal, a.value);
    ASSERT_TRUE(spinUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard, std::vector<std::string>{a.heard});
    if (a.inhibitorTakenAgain) {
        EXPECT_TRUE(spinUntil([&] { return watch->holdsInhibitor(); }));
    }
    // A second announcement goes through the same queue as any reply to a
    // take, so by the time it is heard nothing else is on its way.
    announce("PrepareForSleep", true);
    ASSERT_TRUE(spinUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(watch->holdsInhibitor(), a.inhibitorTakenAgain);
    EXPECT_EQ(inhibitors().size(), a.inhibitorTakenAgain ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(LogindSleep, Announcements,
                         ::testing::Values(Announcement{"PrepareForSleep", true, "sleep", false},
                                           Announcement{"PrepareForShutdown", true, "shutdown", false},
                                           Announcement{"PrepareForSleep", false, "resumed", true},
                                           Announcement{"PrepareForShutdown", false, "resumed", true}),
                         [](const ::testing::TestParamInfo<Announcement>& c) {
                             return std::string(c.param.signal) + (c.param.value ? "True" : "False");
                         });

// A watch gone before logind answered leaves no inhibitor behind, and its
// late answer reaches nothing.
TEST_F(LogindSleep, WatchGoneBeforeTheAnswerLeavesNoInhibitor) {
    startLogind();
    makeWatch();
    watch.reset();
    ASSERT_TRUE(spinUntil([&] { return logind->callCount(kLogindPath, "Inhibit") == 1; }));
    EXPECT_TRUE(spinUntil([&] { return inhibitors().empty(); }));
}

// A logind that answers Inhibit with an error or the wrong type: no
// inhibitor, and its announcements still heard.
struct InhibitAnswer {
    const char* name;
    const char* code;  // the mock's Inhibit, in Python
};

void PrintTo(const InhibitAnswer& answer, std::ostream* os) { *os << answer.name; }

class BrokenInhibit : public LogindSleep, public ::testing::WithParamInterface<InhibitAnswer> {};

TEST_P(BrokenInhibit, HoldsNothingAndStillHearsTheAnnouncements) {
    logind = std::make_unique<DbusMock>(bus, "org.freedesktop.login1",
                                        std::vector<std::string>{"org.freedesktop.login1", kLogindPath, kManager});
    ASSERT_TRUE(logind->running());
    logind->control(kLogindPath, "AddMethod", g_variant_new("(sssss)", "", "Inhibit", "ssss", "s", GetParam().code));
    makeWatch();
    ASSERT_TRUE(spinUntil([&] { return logind->callCount(kLogindPath, "Inhibit") == 1; }));

    announce("PrepareForSleep", true);
    ASSERT_TRUE(spinUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard, std::vector<std::string>{"sleep"});
    EXPECT_FALSE(watch->holdsInhibitor());
}

INSTANTIATE_TEST_SUITE_P(LogindSleep, BrokenInhibit,
                         ::testing::Values(InhibitAnswer{"WrongType", "ret = 'no descriptor'"},
                                           InhibitAnswer{"Refused", "raise dbus.exceptions.DBusException('no', "
                                                                    "name='org.freedesktop.DBus.Error.AccessDenied')"}),
                         [](const ::testing::TestParamInfo<InhibitAnswer>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace pivora::test
