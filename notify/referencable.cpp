#include "notify/referencable.h"

namespace qz {

ReferencableObject::~ReferencableObject() = default;

bool ReferencableObject::release() {
  if (refCount() != 0) return false;
  delete this;
  return true;
}

ReferencableObject* ReferencableObject::addRef() {
  refs_.fetch_add(1, std::memory_order_relaxed);
  return this;
}

ReferencableObject* ReferencableObject::removeRef() {
  refs_.fetch_sub(1, std::memory_order_acq_rel);
  return this;
}

}  // namespace qz
