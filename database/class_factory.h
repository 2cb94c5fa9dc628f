// The database component's class factory, registered with the host by the engine entry.
//
// Thread rule: the host calls createInstance from one thread at a time.
#pragma once

#include <cstdint>

#include "object/com_ref.h"
#include "object/qzcom.h"

// Serves no class yet: every createInstance answers 1 until the database objects exist.
class dbJDBCClassFactoryC final : public qzIClassFactory, public qzComRefObjectC {
 public:
  int32_t QueryInterface(const qzIIDS* iid, void** out) override;
  int32_t AddRef() override { return addRefCount(); }
  int32_t Release() override { return releaseCount(); }
  int32_t createInstance(const qzIIDS* className, qzIUnknown** out) override;
};
