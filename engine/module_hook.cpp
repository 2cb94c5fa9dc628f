#include "engine/module_hook.h"

#include <cstdio>
#include <cstdlib>

#include "object/call_exception.h"
#include "object/proxy_object.h"

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

// With QZ_LIVE_OBJECTS_REPORT naming a file, the last termination appends how many of this
// engine's scriptable objects are still alive: a host that released everything sees 0.
class liveObjectReportHookC final : public qzModuleHookC {
 public:
  int32_t onEngineTerminate() override {
    const char* path = std::getenv("QZ_LIVE_OBJECTS_REPORT");
    if (!path || !*path) return 1;
    if (FILE* f = std::fopen(path, "a")) {
      std::fprintf(f, "qzjdbc live objects: %d\n", static_cast<int>(qzLiveProxyObjects()));
      std::fclose(f);
    }
    return 1;
  }
};

liveObjectReportHookC g_liveObjectReportHook;

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
