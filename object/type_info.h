// Type information: what members a scriptable object offers, by name and kind.
//
// Ownership: every object here holds a reference to the described object, so it stays
// alive while its type information does.
//
// Statuses: 0 success, 1 failure (the component convention).
#pragma once

#include <cstdint>
#include <vector>

#include "object/com_ref.h"
#include "interfaces/qzcom.h"

class proxyObjectC;

// Binds an implementation to one interface and its identifier: answers "QZIIDUNK" and that
// identifier with itself, 2 otherwise, and deletes itself when its count reaches 0.
template <class Interface, const qzIIDS* Iid>
class defQZCOMWrapperT : public Interface, public qzComRefObjectC {
 public:
  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, *Iid)) {
      AddRef();
      *out = static_cast<Interface*>(this);
      return kQzOk;
    }
    return kQzNoInterface;
  }
  int32_t AddRef() override { return addRefCount(); }
  int32_t Release() override { return releaseCount(); }
};

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
