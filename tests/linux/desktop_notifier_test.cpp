#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbus_mock.h"
#include "platform/linux/desktop_notifier.h"

namespace pivora::test {
namespace {

constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";

// One Notify call as the daemon received it.
struct Notified {
    std::string app;
    guint32 replaces = 0;
    std::string icon;
    std::string title;
    std::string text;
    std::size_t actions = 0;
    int urgency = -1;  // -1: no urgency hint
    std::string desktopEntry;
    gint32 timeout = 0;
};

// A notification daemon (python-dbusmock's) on a private session bus, the
// notifier's answers coming to a main context of the test's own.
class DesktopNotifierTest : public testing::Test {
protected:
    void SetUp() override {
        g_main_context_push_thread_default(context.get());
        ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
        ASSERT_TRUE(session);
        ASSERT_TRUE(daemon.running()) << "the notification daemon mock did not start";
    }
    void TearDown() override {
        notifier.reset();
        settle();
        g_main_context_pop_thread_default(context.get());
    }

    void makeNotifier(GDBusConnection* connection) { notifier = std::make_unique<DesktopNotifier>(connection); }

    // Every answer the daemon gave so far has reached the notifier: a call on
    // the same connection is answered after them, and their callbacks wait
    // on the test's context.
    void settle() {
        const GVariantHandle barrier(g_dbus_connection_call_sync(session.get(), "org.freedesktop.Notifications",
                                                                 kPath, kInterface, "GetServerInformation", nullptr,
                                                                 nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                                                                 nullptr));
        while (g_main_context_iteration(context.get(), FALSE)) {
        }
    }

    std::vector<Notified> notified() {
        std::vector<Notified> calls;
        const GVariantHandle reply =
            daemon.control(kPath, "GetMethodCalls", g_variant_new("(s)", "Notify"), "(a(tav))");
        if (!reply) return calls;
        const GVariantHandle list(g_variant_get_child_value(reply.get(), 0));
        for (gsize i = 0; i < g_variant_n_children(list.get()); ++i) {
            const GVariantHandle call(g_variant_get_child_value(list.get(), i));
            const GVariantHandle args(g_variant_get_child_value(call.get(), 1));
            const auto arg = [&args](gsize n) {
                const GVariantHandle boxed(g_variant_get_child_value(args.get(), n));
                return GVariantHandle(g_variant_get_variant(boxed.get()));
            };
            Notified n;
            n.app = g_variant_get_string(arg(0).get(), nullptr);
            n.replaces = g_variant_get_uint32(arg(1).get());
            n.icon = g_variant_get_string(arg(2).get(), nullptr);
            n.title = g_variant_get_string(arg(3).get(), nullptr);
            n.text = g_variant_get_string(arg(4).get(), nullptr);
            n.actions = g_variant_n_children(arg(5).get());
            const GVariantHandle hints = arg(6);
            guchar urgency = 0;
            if (g_variant_lookup(hints.get(), "urgency", "y", &urgency)) n.urgency = urgency;
            const char* entry = nullptr;
            if (g_variant_lookup(hints.get(), "desktop-entry", "&s", &entry)) n.desktopEntry = entry;
            n.timeout = g_variant_get_int32(arg(7).get());
            calls.push_back(n);
        }
        return calls;
    }

    bool notifiedTimes(std::size_t count) {
        return spinUntil(context.get(), [&] { return daemon.callCount(kPath, "Notify") >= count; });
    }

    // Notifications of other programs, so that the daemon's ids are not 1.
    void othersNotify(int times) {
        for (int i = 0; i < times; ++i)
            daemon.call(kPath, kInterface, "Notify",
                        g_variant_new("(susss@asa{sv}i)", "other", 0u, "", "title", "text",
                                      g_variant_new_strv(nullptr, 0), nullptr, -1),
                        "(u)");
        daemon.control(kPath, "ClearCalls", nullptr);
    }

    std::unique_ptr<GMainContext, void (*)(GMainContext*)> context{g_main_context_new(), g_main_context_unref};
    PrivateBus bus;
    GObjectHandle<GDBusConnection> session = bus.connect();
    DbusMock daemon{bus, "org.freedesktop.Notifications", {"-t", "notification_daemon"}};
    std::unique_ptr<DesktopNotifier> notifier;
};

TEST_F(DesktopNotifierTest, SaysTheBalloonsTextsAndReplacesTheNotificationShownLast) {
    othersNotify(2);  // the daemon's ids 1 and 2 are taken
    makeNotifier(session.get());

    notifier->show({Balloon::Info, "Port 2 came to this computer", "Kingston DataTraveler"});
    ASSERT_TRUE(notifiedTimes(1));
    settle();
    notifier->show({Balloon::Warning, "Port 1 stayed on this computer",
                    "Port 1 (SanDisk): the device is in use. Close what uses it, then move the port again."});
    ASSERT_TRUE(notifiedTimes(2));
    settle();
    notifier->show({Balloon::Info, "Port 1 went to the other computer", "Nothing is plugged into it."});
    ASSERT_TRUE(notifiedTimes(3));

    const std::vector<Notified> calls = notified();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].app, "Pivora");
    EXPECT_EQ(calls[0].replaces, 0u) << "nothing shown yet";
    EXPECT_EQ(calls[0].icon, "pivora");
    EXPECT_EQ(calls[0].title, "Port 2 came to this computer");
    EXPECT_EQ(calls[0].text, "Kingston DataTraveler");
    EXPECT_EQ(calls[0].actions, 0u);
    EXPECT_EQ(calls[0].urgency, 1);
    EXPECT_EQ(calls[0].desktopEntry, "pivora");
    EXPECT_EQ(calls[0].timeout, -1) << "the daemon's own time";

    EXPECT_EQ(calls[1].replaces, 3u) << "the id the daemon gave the first";
    EXPECT_EQ(calls[1].icon, "dialog-warning");
    EXPECT_EQ(calls[1].urgency, 1);
    EXPECT_EQ(calls[1].title, "Port 1 stayed on this computer");
    EXPECT_EQ(calls[1].text,
              "Port 1 (SanDisk): the device is in use. Close what uses it, then move the port again.");
    EXPECT_EQ(calls[2].replaces, 3u) << "replaced in place, the id stays";
    EXPECT_EQ(calls[2].icon, "pivora");
}

TEST_F(DesktopNotifierTest, ANotifierGoneBeforeTheAnswerAndOneWithoutABusAreHarmless) {
    makeNotifier(session.get());
    notifier->show({Balloon::Info, "Port 2 came to this computer", "Kingston DataTraveler"});
    notifier.reset();
    ASSERT_TRUE(notifiedTimes(1));
    settle();

    makeNotifier(nullptr);
    notifier->show({Balloon::Info, "Port 2 came to this computer", ""});
    settle();
    EXPECT_EQ(daemon.callCount(kPath, "Notify"), 1u);
}

}  // namespace
}  // namespace pivora::test
