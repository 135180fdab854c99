// Events between objects: order, exact disconnection, identity of event names, receivers
// reached through a member pointer's this-adjustment, and handlers that change the
// connections while an event is being sent.
#include "dialog/adm/callback_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brivo::ADM {
namespace {

using Log = std::vector<std::string>;

class Receiver : public CallbackObject {
  public:
    explicit Receiver(Log& log) : log_(log) {}
    void first(CallbackObject*, intptr_t userData, intptr_t argument) {
        log_.push_back("first " + std::to_string(userData) + " " + std::to_string(argument));
    }
    void second(CallbackObject*, intptr_t userData, intptr_t) {
        log_.push_back("second " + std::to_string(userData));
    }

  private:
    Log& log_;
};

// A receiver whose CallbackObject part does not start the object: its handler must still
// be called on the receiver itself.
struct Padding {
    virtual ~Padding() = default;
    int64_t filler[3] = {1, 2, 3};
};
class OffsetReceiver : public Padding, public CallbackObject {
  public:
    void handler(CallbackObject* sender, intptr_t, intptr_t) {
        self = this;
        from = sender;
    }
    OffsetReceiver* self = nullptr;
    CallbackObject* from = nullptr;
};

Log freeLog;
void freeHandler(CallbackObject*, intptr_t userData, intptr_t argument) {
    freeLog.push_back("free " + std::to_string(userData) + " " + std::to_string(argument));
}

TEST(CallbackObject, CallsEveryMatchingConnectionInOrderAndDisconnectsTheFirstExactMatch) {
    Log log;
    freeLog.clear();
    Receiver receiver(log);
    CallbackObject sender;
    sender.connect(events::changed, &receiver, &Receiver::first, 1);
    sender.connect(events::changed, &receiver, &Receiver::second, 2);
    sender.connect(events::changed, &receiver, &Receiver::first, 1);
    sender.connect(events::select, &receiver, &Receiver::first, 9);
    sender.connect(events::changed, &freeHandler, 5);

    sender.emit(events::changed, 7);
    EXPECT_EQ(log, (Log{"first 1 7", "second 2", "first 1 7"}));
    EXPECT_EQ(freeLog, (Log{"free 5 7"}));

    // Another user data, another method or a free function do not match the member
    // connection; the exact match removes only the first of the two.
    sender.disconnect(events::changed, &receiver, &Receiver::first, 3);
    sender.disconnect(events::changed, &receiver, &Receiver::first, 1);
    sender.disconnect(events::changed, &freeHandler, 6);
    log.clear();
    freeLog.clear();
    sender.emit(events::changed, 8);
    EXPECT_EQ(log, (Log{"second 2", "first 1 8"}));
    EXPECT_EQ(freeLog, (Log{"free 5 8"}));
}

TEST(CallbackObject, EventsMatchByIdentityNotByText) {
    Log log;
    Receiver receiver(log);
    CallbackObject sender;
    sender.connect(events::select, &receiver, &Receiver::first, 1);
    static const char sameText[] = "select";
    ASSERT_STREQ(sameText, events::select);
    sender.emit(sameText, 1);
    EXPECT_TRUE(log.empty());
    sender.emit(events::select, 1);
    EXPECT_EQ(log.size(), 1u);
}

TEST(CallbackObject, MemberHandlersReachAReceiverWhoseCallbackPartIsNotItsStart) {
    OffsetReceiver receiver;
    CallbackObject sender;
    sender.connect(events::track, &receiver, &OffsetReceiver::handler);
    ASSERT_NE(static_cast<void*>(&receiver),
              static_cast<void*>(static_cast<CallbackObject*>(&receiver)));
    sender.emit(events::track, 0);
    EXPECT_EQ(receiver.self, &receiver);
    EXPECT_EQ(receiver.from, &sender);
    EXPECT_EQ(receiver.filler[2], 3);
}

// Handlers that connect and disconnect while the event is sent.
class Rewirer : public CallbackObject {
  public:
    Rewirer(CallbackObject& sender, Log& log) : sender_(sender), log_(log) {}
    void disconnectLater(CallbackObject*, intptr_t, intptr_t) {
        log_.push_back("disconnectLater");
        sender_.disconnect(events::changed, this, &Rewirer::later);
        for (int i = 0; i < 64; ++i) sender_.connect(events::changed, this, &Rewirer::added);
    }
    void later(CallbackObject*, intptr_t, intptr_t) { log_.push_back("later"); }
    void added(CallbackObject*, intptr_t, intptr_t) { log_.push_back("added"); }
    void disconnectSelf(CallbackObject*, intptr_t, intptr_t) {
        log_.push_back("disconnectSelf");
        sender_.disconnect(events::select, this, &Rewirer::disconnectSelf);
    }

  private:
    CallbackObject& sender_;
    Log& log_;
};

TEST(CallbackObject, HandlersMayConnectAndDisconnectWhileAnEventIsSent) {
    Log log;
    CallbackObject sender;
    Rewirer rewirer(sender, log);
    sender.connect(events::changed, &rewirer, &Rewirer::disconnectLater);
    sender.connect(events::changed, &rewirer, &Rewirer::later);
    sender.emit(events::changed, 0);
    // The removed connection is not called; those made during the event wait for the
    // next one (and the growth of the list moved nothing under the sender's feet).
    EXPECT_EQ(log, (Log{"disconnectLater"}));

    sender.connect(events::select, &rewirer, &Rewirer::disconnectSelf);
    log.clear();
    sender.emit(events::select, 0);
    sender.emit(events::select, 0);
    EXPECT_EQ(log, (Log{"disconnectSelf"}));
}

}  // namespace
}  // namespace brivo::ADM
