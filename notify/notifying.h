// Objects that deliver events synchronously to registered receivers, and tell every receiver
// that they are dying before they are deleted.
//
// A receiver registers with a cookie of its own choosing and gets it back with every event.
// Events are owned by the sender and usually live on its stack for the length of one
// delivery: receivers must not keep their address. After the dying event a receiver must
// drop every pointer to the sender.
//
// Delivery tolerates receivers that add or remove entries while it runs: a removed entry is
// not called any more, and an entry added during a delivery first hears the next event.
//
// Thread rule: none. An object, its receivers and the process-wide switch belong to one
// thread.
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <vector>

#include "notify/referencable.h"

namespace qz {

class NotifyingObject;

// Receivers tell events apart by their dynamic type.
class NotificationEvent {
 public:
  explicit NotificationEvent(NotifyingObject* sender) : sender_(sender) {}
  virtual ~NotificationEvent();

  NotifyingObject* sender() const { return sender_; }

 private:
  NotifyingObject* sender_;
};

// The sender is being deleted; it is still whole while the event is delivered.
class NotificationEventDying : public NotificationEvent {
 public:
  using NotificationEvent::NotificationEvent;
  ~NotificationEventDying() override;
};

// The receiving side. The default notify ignores every event.
class ReferingObject {
 public:
  virtual ~ReferingObject();
  virtual void notify(NotificationEvent* event, void* cookie);
};

struct ReceiverEntry {
  ReferingObject* receiver;
  void* cookie;

  bool operator==(const ReceiverEntry&) const = default;
};

class NotifyingObject : public ReferencableObject {
 public:
  NotifyingObject();
  // Deletion without release frees the entries and tells nobody.
  ~NotifyingObject() override;

  // As ReferencableObject::release, but every receiver first hears NotificationEventDying,
  // whatever the process-wide switch says. Each entry leaves the list before its receiver
  // is called, so the receiver may remove itself. Returns false without a change while a
  // delivery of this object runs or while it is already dying: it is in use then.
  bool release() override;

  // Appends an entry unless the same (receiver, cookie) is registered; does nothing while
  // the object is dying.
  void addReceiver(ReferingObject* receiver, void* cookie = nullptr);
  // Removes the first entry equal in receiver and cookie.
  void removeReceiver(ReferingObject* receiver, void* cookie = nullptr);
  // Removes every entry of the receiver, whatever its cookie.
  void removeAllReceivers(ReferingObject* receiver);

  // Calls every entry in registration order while the process-wide switch is above 0.
  // REQUIRES: no receiver deletes this object during the delivery.
  void notify(NotificationEvent* event);

  // Counts the entries for which the predicate holds; all of them without a predicate.
  std::size_t countReceivers(const std::function<bool(const ReceiverEntry&)>& predicate = {}) const;
  // The entries in registration order.
  std::vector<ReceiverEntry> receiverSnapshot() const;

 private:
  struct Entry {
    ReceiverEntry target;
    bool removed;  // left in place while a delivery walks the list
  };
  using EntryList = std::list<Entry>;

  void erase(EntryList::iterator it);
  void sweep();

  EntryList entries_;
  std::size_t live_ = 0;  // entries not marked removed
  int delivering_ = 0;    // depth of nested deliveries
  bool dying_ = false;
};

// The process-wide notification switch: starts at 1; plain deliveries happen only while it
// is above 0. Raising and lowering nest.
void raiseNotifications();
void lowerNotifications();
int notificationLevel();

}  // namespace qz
