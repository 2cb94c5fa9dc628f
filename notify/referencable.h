// Reference-counted objects that are deleted only when their owner asks and nobody holds them.
//
// Holders bracket their use with addRef and removeRef; removeRef never deletes. The owner
// calls release when it wants to be rid of the object, and release deletes it only while
// the count is 0. So a holder can never see its object vanish under it, and the owner
// decides the moment of deletion.
//
// Thread rule: the count changes by atomic addition, so references may be taken and dropped
// on any thread; release and everything else belong to the object's own thread.
#pragma once

#include <atomic>

namespace qz {

class ReferencableObject {
 public:
  ReferencableObject() = default;
  // The count belongs to the object, not to its value: copies are not offered.
  ReferencableObject(const ReferencableObject&) = delete;
  ReferencableObject& operator=(const ReferencableObject&) = delete;

  virtual ~ReferencableObject();
  // Deletes the object and returns true when no reference is held; otherwise returns false
  // and changes nothing.
  // REQUIRES: the object was created with new.
  virtual bool release();
  virtual ReferencableObject* addRef();
  virtual ReferencableObject* removeRef();

  int refCount() const { return refs_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int> refs_{0};
};

}  // namespace qz
