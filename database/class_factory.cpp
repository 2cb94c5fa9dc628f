#include "database/class_factory.h"

#include "engine/engine.h"

int32_t dbJDBCClassFactoryC::QueryInterface(const qzIIDS* iid, void** out) {
  if (!iid || !out) return kQzFailed;
  if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, qziid::kClassFactory)) {
    AddRef();
    *out = static_cast<qzIClassFactory*>(this);
    return kQzOk;
  }
  return kQzNoInterface;
}

int32_t dbJDBCClassFactoryC::createInstance(const qzIIDS*, qzIUnknown** out) {
  if (out) *out = nullptr;
  return kQzFailed;
}

qzIUnknown* qzCreateModuleClassFactory() {
  try {
    auto* factory = new dbJDBCClassFactoryC();
    factory->AddRef();
    return static_cast<qzIClassFactory*>(factory);
  } catch (...) {
    return nullptr;
  }
}
