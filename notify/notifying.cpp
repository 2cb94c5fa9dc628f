#include "notify/notifying.h"

#include <iterator>

namespace qz {
namespace {

int g_notificationLevel = 1;

}  // namespace

void raiseNotifications() {
  ++g_notificationLevel;
}
void lowerNotifications() {
  --g_notificationLevel;
}
int notificationLevel() {
  return g_notificationLevel;
}

NotificationEvent::~NotificationEvent() = default;
NotificationEventDying::~NotificationEventDying() = default;

ReferingObject::~ReferingObject() = default;
void ReferingObject::notify(NotificationEvent*, void*) {}

NotifyingObject::NotifyingObject() = default;
NotifyingObject::~NotifyingObject() = default;

bool NotifyingObject::release() {
  if (refCount() != 0 || delivering_ > 0 || dying_) return false;
  if (live_ != 0) {
    dying_ = true;
    NotificationEventDying dying(this);
    while (!entries_.empty()) {
      Entry entry = entries_.front();
      entries_.pop_front();
      if (entry.removed) continue;
      --live_;
      entry.target.receiver->notify(&dying, entry.target.cookie);
    }
  }
  delete this;
  return true;
}

void NotifyingObject::addReceiver(ReferingObject* receiver, void* cookie) {
  if (dying_) return;
  ReceiverEntry target{receiver, cookie};
  for (const Entry& entry : entries_) {
    if (!entry.removed && entry.target == target) return;
  }
  entries_.push_back(Entry{target, false});
  ++live_;
}

void NotifyingObject::removeReceiver(ReferingObject* receiver, void* cookie) {
  ReceiverEntry target{receiver, cookie};
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (!it->removed && it->target == target) {
      erase(it);
      return;
    }
  }
}

void NotifyingObject::removeAllReceivers(ReferingObject* receiver) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    auto next = std::next(it);
    if (!it->removed && it->target.receiver == receiver) erase(it);
    it = next;
  }
}

void NotifyingObject::notify(NotificationEvent* event) {
  if (notificationLevel() <= 0 || live_ == 0) return;
  // Entries appended by a receiver lie behind `last` and wait for the next event.
  const auto last = std::prev(entries_.end());
  struct DeliveryScope {
    NotifyingObject* self;
    explicit DeliveryScope(NotifyingObject* s) : self(s) { ++self->delivering_; }
    ~DeliveryScope() {
      if (--self->delivering_ == 0) self->sweep();
    }
  } scope(this);
  for (auto it = entries_.begin();; ++it) {
    if (!it->removed) it->target.receiver->notify(event, it->target.cookie);
    if (it == last) break;
  }
}

std::size_t NotifyingObject::countReceivers(
    const std::function<bool(const ReceiverEntry&)>& predicate) const {
  if (!predicate) return live_;
  std::size_t n = 0;
  for (const Entry& entry : entries_) {
    if (!entry.removed && predicate(entry.target)) ++n;
  }
  return n;
}

std::vector<ReceiverEntry> NotifyingObject::receiverSnapshot() const {
  std::vector<ReceiverEntry> out;
  out.reserve(live_);
  for (const Entry& entry : entries_) {
    if (!entry.removed) out.push_back(entry.target);
  }
  return out;
}

void NotifyingObject::erase(EntryList::iterator it) {
  --live_;
  // A running delivery holds iterators into the list: mark now, unlink when it ends.
  if (delivering_ > 0) {
    it->removed = true;
  } else {
    entries_.erase(it);
  }
}

void NotifyingObject::sweep() {
  entries_.remove_if([](const Entry& entry) { return entry.removed; });
}

}  // namespace qz
