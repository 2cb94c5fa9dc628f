// Type information: what members a scriptable object offers, by name and kind.
//
// Ownership: every object here holds a reference to the described object, so it stays
// alive while its type information does.
//
// Statuses: 0 success, 1 failure (the component convention).
#pragma once

#include <cstdint>
#include <vector>

#include "interfaces/qzcom.h"
#include "object/com_ref.h"

class proxyObjectC;

// A collection of objects, each held with one reference.
class qzClassObjectCollectionT
    : public defQZCOMWrapperT<qzIComObjectCollection, &qziid::kObjectCollection> {
 public:
  ~qzClassObjectCollectionT() override;
  // Adopts one reference of item.
  void add(qzIUnknown* item) { items_.push_back(item); }
  int32_t getCount(int32_t* out) override;
  int32_t getItem(int32_t index, qzIUnknown** out) override;

 private:
  std::vector<qzIUnknown*> items_;
};

// A new type information object for object, with one reference for the caller.
qzIComTypeInfo* qzCreateTypeInfo(proxyObjectC* object);
