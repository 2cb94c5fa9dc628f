#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "notify/notifying.h"
#include "notify/referencable.h"
#include "notify/traversal.h"

namespace qz {
namespace {

// Counts its own destruction so tests can tell whether release deleted it.
class Tracked : public NotifyingObject {
 public:
  explicit Tracked(int* deaths) : deaths_(deaths) {}
  ~Tracked() override { ++*deaths_; }

 private:
  int* deaths_;
};

class PlainEvent : public NotificationEvent {
 public:
  using NotificationEvent::NotificationEvent;
};

// Records every call as "<name>:<kind>:<cookie>" and runs an optional action inside it.
class Recorder : public ReferingObject {
 public:
  Recorder(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}

  void notify(NotificationEvent* event, void* cookie) override {
    const char* kind = dynamic_cast<NotificationEventDying*>(event) ? "dying" : "plain";
    log_->push_back(name_ + ":" + kind + ":" +
                    std::to_string(reinterpret_cast<std::uintptr_t>(cookie)));
    if (action) action(event);
  }

  std::function<void(NotificationEvent*)> action;

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

void* cookie(std::uintptr_t n) {
  return reinterpret_cast<void*>(n);
}

TEST(ReferencableObjectTest, ReleaseDeletesOnlyWhenNobodyHoldsIt) {
  int deaths = 0;
  auto* object = new Tracked(&deaths);
  object->addRef();
  EXPECT_FALSE(object->release());
  EXPECT_EQ(deaths, 0);
  EXPECT_EQ(object->refCount(), 1);
  // removeRef to 0 must not delete: only release does.
  object->removeRef();
  EXPECT_EQ(deaths, 0);
  EXPECT_TRUE(object->release());
  EXPECT_EQ(deaths, 1);
}

TEST(NotifyingObjectTest, DuplicateEntriesAndCookiesInOrder) {
  std::vector<std::string> log;
  Recorder a("a", &log), b("b", &log);
  NotifyingObject sender;
  sender.addReceiver(&a, cookie(1));
  sender.addReceiver(&a, cookie(1));
  sender.addReceiver(&b, cookie(7));
  sender.addReceiver(&a, cookie(2));
  EXPECT_EQ(sender.countReceivers(), 3u);
  EXPECT_EQ(sender.countReceivers([&](const ReceiverEntry& e) { return e.receiver == &a; }), 2u);
  std::vector<ReceiverEntry> expected{{&a, cookie(1)}, {&b, cookie(7)}, {&a, cookie(2)}};
  EXPECT_EQ(sender.receiverSnapshot(), expected);

  PlainEvent event(&sender);
  sender.notify(&event);
  EXPECT_EQ(log, (std::vector<std::string>{"a:plain:1", "b:plain:7", "a:plain:2"}));

  sender.removeReceiver(&a, cookie(2));
  sender.removeReceiver(&b, cookie(99));  // wrong cookie: nothing happens
  EXPECT_EQ(sender.countReceivers(), 2u);
  sender.removeAllReceivers(&a);
  EXPECT_EQ(sender.receiverSnapshot(), (std::vector<ReceiverEntry>{{&b, cookie(7)}}));
}

// Receivers may change the list while a plain delivery walks it: removed entries are not
// called any more, added ones wait for the next event.
TEST(NotifyingObjectTest, ReceiversChangingTheListDuringDelivery) {
  std::vector<std::string> log;
  Recorder a("a", &log), b("b", &log), c("c", &log), late("late", &log);
  NotifyingObject sender;
  sender.addReceiver(&a);
  sender.addReceiver(&b);
  sender.addReceiver(&c);
  a.action = [&](NotificationEvent*) {
    sender.removeReceiver(&a);
    sender.removeReceiver(&b);
    sender.addReceiver(&late);
  };
  PlainEvent event(&sender);
  sender.notify(&event);
  EXPECT_EQ(log, (std::vector<std::string>{"a:plain:0", "c:plain:0"}));
  EXPECT_EQ(sender.receiverSnapshot(),
            (std::vector<ReceiverEntry>{{&c, nullptr}, {&late, nullptr}}));
  log.clear();
  sender.notify(&event);
  EXPECT_EQ(log, (std::vector<std::string>{"c:plain:0", "late:plain:0"}));
}

TEST(NotifyingObjectTest, SwitchSilencesPlainDeliveryButNotDying) {
  std::vector<std::string> log;
  Recorder a("a", &log);
  int deaths = 0;
  auto* sender = new Tracked(&deaths);
  sender->addReceiver(&a, cookie(3));
  PlainEvent event(sender);

  lowerNotifications();
  EXPECT_EQ(notificationLevel(), 0);
  sender->notify(&event);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(sender->release());
  raiseNotifications();
  EXPECT_EQ(notificationLevel(), 1);
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"a:dying:3"}));
}

// Each entry leaves the list before its receiver hears of the death, so receivers that
// unregister themselves (or others) inside the call do not disturb the rest.
TEST(NotifyingObjectTest, DyingDeliveryWithReceiversRemovingThemselves) {
  std::vector<std::string> log;
  Recorder a("a", &log), b("b", &log), c("c", &log);
  int deaths = 0;
  auto* sender = new Tracked(&deaths);
  sender->addReceiver(&a, cookie(1));
  sender->addReceiver(&b, cookie(1));
  sender->addReceiver(&a, cookie(2));
  sender->addReceiver(&c, cookie(1));
  std::vector<std::size_t> remaining;
  auto selfRemoving = [&](Recorder* r) {
    return [&, r](NotificationEvent* event) {
      EXPECT_EQ(event->sender(), sender);
      remaining.push_back(sender->countReceivers());
      sender->removeAllReceivers(r);
      // A dying object is in use: a second release must not delete it again.
      EXPECT_FALSE(sender->release());
    };
  };
  a.action = selfRemoving(&a);
  b.action = [&](NotificationEvent*) { sender->removeReceiver(&c, cookie(1)); };
  EXPECT_TRUE(sender->release());
  EXPECT_EQ(deaths, 1);
  // a's first call removes its second entry; b removes c.
  EXPECT_EQ(log, (std::vector<std::string>{"a:dying:1", "b:dying:1"}));
  EXPECT_EQ(remaining, (std::vector<std::size_t>{3}));
}

TEST(NotifyingObjectTest, ReleaseDuringDeliveryIsRefused) {
  std::vector<std::string> log;
  Recorder a("a", &log);
  int deaths = 0;
  auto* sender = new Tracked(&deaths);
  sender->addReceiver(&a);
  bool released = true;
  a.action = [&](NotificationEvent* event) {
    if (!dynamic_cast<NotificationEventDying*>(event)) released = sender->release();
  };
  PlainEvent event(sender);
  sender->notify(&event);
  EXPECT_FALSE(released);
  EXPECT_EQ(deaths, 0);
  EXPECT_TRUE(sender->release());
  EXPECT_EQ(deaths, 1);
}

// A node of a directed graph that counts how often the walk descends into it.
class Node : public TraversableI {
 public:
  void traverse(TraversalReceiverI* receiver) override {
    if (!receiver->visit(this)) return;
    ++descents;
    for (Node* child : children) child->traverse(receiver);
    receiver->leave(this);
  }

  std::vector<Node*> children;
  int descents = 0;
};

TEST(ReferenceCheckerTest, CyclicGraphEndsAndStopsAtTarget) {
  // 0 -> 1 -> 2 -> 0 and 1 -> 3 -> 1; 4 stands apart; 2 -> 5 is the last edge walked.
  Node n[6];
  n[0].children = {&n[1]};
  n[1].children = {&n[2], &n[3]};
  n[2].children = {&n[0], &n[5]};
  n[3].children = {&n[1]};
  referenceCheckerC checker;

  EXPECT_FALSE(checker.check(&n[0], &n[4]));
  EXPECT_EQ(checker.visitedCount(), 5u);
  for (int i : {0, 1, 2, 3, 5}) EXPECT_EQ(n[i].descents, 1) << i;

  for (Node& node : n) node.descents = 0;
  EXPECT_TRUE(checker.check(&n[0], &n[2]));
  // Nothing below or after the target is entered.
  EXPECT_EQ(n[0].descents + n[1].descents, 2);
  EXPECT_EQ(n[2].descents + n[3].descents + n[5].descents, 0);

  EXPECT_TRUE(checker.check(&n[3], &n[3]));
  EXPECT_EQ(checker.visitedCount(), 0u);
  EXPECT_FALSE(checker.check(nullptr, &n[0]));
}

}  // namespace
}  // namespace qz
