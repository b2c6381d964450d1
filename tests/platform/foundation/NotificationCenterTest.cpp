#include "platform/foundation/NotificationCenter.h"

#include <gtest/gtest.h>

namespace {
int senderA, senderB; // identities
int observer1, observer2, observer3;
}

TEST(NotificationCenter, DeliversByNameAndSenderInTheOrderObserversWereAdded)
{
    NotificationCenter center;
    QStringList heard;
    center.addObserver(&observer1, "FrameChanged", &senderA, [&](const Notification& n) {
        heard << "1:" + n.name + ":" + n.userInfo.value("kind").toString();
    });
    center.addObserver(&observer2, "FrameChanged", nullptr, [&](const Notification&) { heard << "2:any sender"; });
    center.addObserver(&observer3, QString(), &senderA, [&](const Notification& n) { heard << "3:" + n.name; });

    center.post("FrameChanged", &senderA, {{"kind", "shade"}});
    EXPECT_EQ(heard, (QStringList{"1:FrameChanged:shade", "2:any sender", "3:FrameChanged"}));

    heard.clear();
    center.post("FrameChanged", &senderB);
    center.post("FrameUndo", &senderA);
    center.post("FrameUndo", &senderB);
    EXPECT_EQ(heard, (QStringList{"2:any sender", "3:FrameUndo"}));
}

TEST(NotificationCenter, RemovesOneRegistrationOrAllOfAnObserver)
{
    NotificationCenter center;
    int calls = 0;
    auto count = [&](const Notification&) { ++calls; };
    center.addObserver(&observer1, "a", nullptr, count);
    center.addObserver(&observer1, "b", nullptr, count);
    center.addObserver(&observer1, "b", &senderB, count);
    center.addObserver(&observer2, "a", nullptr, count);

    center.removeObserver(&observer1, "b", &senderB);
    center.post("b", &senderB);
    EXPECT_EQ(calls, 1); // the any-sender "b" registration is still there

    center.removeObserver(&observer1);
    EXPECT_EQ(center.observerCount(), 1u);
    calls = 0;
    center.post("a");
    center.post("b");
    EXPECT_EQ(calls, 1); // only observer2
}

TEST(NotificationCenter, AnObserverRemovedDuringDeliveryIsNotCalledAfterwards)
{
    NotificationCenter center;
    QStringList heard;
    center.addObserver(&observer1, "tick", nullptr, [&](const Notification&) {
        heard << "1";
        center.removeObserver(&observer2);
        center.removeObserver(&observer1); // removing itself while running
    });
    center.addObserver(&observer2, "tick", nullptr, [&](const Notification&) { heard << "2"; });
    center.addObserver(&observer3, "tick", nullptr, [&](const Notification&) {
        heard << "3";
        // Added during delivery: first hears the next post.
        center.addObserver(&observer2, "tick", nullptr, [&](const Notification&) { heard << "2b"; });
    });

    center.post("tick");
    EXPECT_EQ(heard, (QStringList{"1", "3"}));
    heard.clear();
    center.post("tick");
    EXPECT_EQ(heard, (QStringList{"3", "2b"}));
}

TEST(NotificationCenter, PostingFromAHandlerDeliversNestedNotificationsAtOnce)
{
    NotificationCenter center;
    QStringList heard;
    center.addObserver(&observer1, "outer", nullptr, [&](const Notification&) {
        heard << "outer";
        center.post("inner");
        heard << "outer done";
    });
    center.addObserver(&observer2, "inner", nullptr, [&](const Notification&) { heard << "inner"; });
    center.post("outer");
    EXPECT_EQ(heard, (QStringList{"outer", "inner", "outer done"}));
}
