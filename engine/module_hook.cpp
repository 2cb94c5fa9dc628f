#include "engine/module_hook.h"

#include "object/call_exception.h"

namespace {

qzModuleHookC*& chainHead() {
  static qzModuleHookC* head = nullptr;
  return head;
}

// Releases the last call exception object at termination, so no reference into a host
// that is going away outlives the engine.
class lastExceptionHookC final : public qzModuleHookC {
 public:
  int32_t onEngineTerminate() override {
    qzReleaseLastCallException();
    return 1;
  }
};

lastExceptionHookC g_lastExceptionHook;

}  // namespace

qzModuleHookC::qzModuleHookC() : next_(chainHead()) {
  chainHead() = this;
}

int32_t qzModuleHookC::onEngineInit() {
  return 1;
}
int32_t qzModuleHookC::onEngineTerminate() {
  return 1;
}

qzModuleHookC* qzModuleHookChain() {
  return chainHead();
}
