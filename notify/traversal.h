// Walks over object graphs that may hold cycles, and the reference checker built on them.
//
// A traversable object hands itself to the receiver's visit and, when visit returns true,
// traverses what it refers to and then calls leave:
//
//   void Node::traverse(TraversalReceiverI* r) {
//     if (!r->visit(this)) return;
//     for (Node* child : children_) child->traverse(r);
//     r->leave(this);
//   }
//
// Objects are identified by address, so every object must always be passed as the same
// pointer (its most derived one).
//
// Thread rule: a receiver serves one traversal on one thread at a time.
#pragma once

#include <cstddef>
#include <unordered_set>

namespace qz {

class TraversalReceiverI {
 public:
  // True: descend into the object.
  virtual bool visit(const void* object) = 0;
  virtual void leave(const void* object) = 0;

 protected:
  ~TraversalReceiverI() = default;
};

class TraversableI {
 public:
  virtual void traverse(TraversalReceiverI* receiver) = 0;

 protected:
  ~TraversableI() = default;
};

// Remembers what it has seen, so that a walk over a cyclic graph visits each object once.
class SingleTraversalReceiverAC : public TraversalReceiverI {
 public:
  static constexpr std::size_t kBuckets = 64;

  std::size_t visitedCount() const { return visited_.size(); }
  bool wasVisited(const void* object) const { return visited_.count(object) != 0; }

 protected:
  SingleTraversalReceiverAC() : visited_(kBuckets) {}
  ~SingleTraversalReceiverAC() = default;

  // True the first time an object is seen.
  bool markVisited(const void* object) { return visited_.insert(object).second; }
  void clearVisited() { visited_.clear(); }

 private:
  std::unordered_set<const void*> visited_;
};

// Finds out whether an object can be reached from a root.
class referenceCheckerC final : public SingleTraversalReceiverAC {
 public:
  referenceCheckerC() = default;

  // True if target is root or can be reached from it. The walk stops descending as soon as
  // the target is seen.
  bool check(TraversableI* root, const void* target);

  bool visit(const void* object) override;
  void leave(const void*) override {}

  bool found() const { return found_; }

 private:
  const void* target_ = nullptr;
  bool found_ = false;
};

}  // namespace qz
