#include "engine/engine.h"

#include <mutex>
#include <vector>

#include "database/class_factory.h"
#include "engine/module_hook.h"
#include "object/com_ref.h"
#include "runtime/code_track.h"

namespace {

// Module-wide engine state. The host calls the exports from one thread at a time; the lock
// guards the cookies, which a registration on another thread may still be adding.
std::mutex g_lock;
int32_t g_initCount = 0;
bool g_attached = false;
// One cookie per registration still held by the host, newest last.
std::vector<uint32_t> g_cookies;

qzRef<qzIEngineFactory> engineFactory() {
  qzRef<qzIUnknown> engine;
  if (qzComGetRemoteEngine(engine.out()) != kQzOk) return {};
  return qzQuery<qzIEngineFactory>(engine.get(), qziid::kEngineFactory);
}

int32_t registerClassObject(qzIUnknown* factory, uint32_t* cookie) {
  qzRef<qzIUnknown> unknown = qzQuery<qzIUnknown>(factory, qziid::kUnknown);
  if (!unknown) return kQzFailed;
  qzRef<qzIEngineFactory> host = engineFactory();
  if (!host) return kQzFailed;
  return host->registerClassObject(&qziid::kClassFactory, unknown.get(), 1, cookie);
}

void revokeNewestRegistration() {
  uint32_t cookie;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_cookies.empty()) return;
    cookie = g_cookies.back();
    g_cookies.pop_back();
  }
  qzRef<qzIEngineFactory> host = engineFactory();
  if (host) host->revokeClassObject(cookie);
}

int32_t engineInit(qzIUnknown* hostEngine) {
  qzCodeTrackFrameC frame("qzcomremote", 141, "qzComInitRemote");
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_initCount++ != 0) return 0;
    g_attached = true;
  }
  qzHostLinkAttach(hostEngine);
  for (qzModuleHookC* hook = qzModuleHookChain(); hook; hook = hook->next()) hook->onEngineInit();
  return 0;
}

int32_t engineTerminate() {
  qzCodeTrackFrameC frame("qzcomremote", 100, "qzComTerminate");
  {
    std::lock_guard<std::mutex> guard(g_lock);
    // A termination without an initialisation must not drive the count below 0: the engine
    // would then never keep a host engine again.
    if (g_initCount == 0) return 0;
    if (--g_initCount != 0) return 0;
    if (!g_attached) return 1;
  }
  for (qzModuleHookC* hook = qzModuleHookChain(); hook; hook = hook->next()) {
    hook->onEngineTerminate();
  }
  {
    std::lock_guard<std::mutex> guard(g_lock);
    g_attached = false;
  }
  if (qzIUnknown* engine = qzHostLinkDetach()) engine->Release();
  return 0;
}

}  // namespace

QZ_EXPORT int32_t qzComInitRemoteEngine(qzIUnknown* hostEngine) {
  try {
    if (!hostEngine) return kQzFailed;
    int32_t rc = engineInit(hostEngine);
    if (rc != 0) return rc;
    qzIUnknown* factory = qzCreateModuleClassFactory();
    if (factory) {
      uint32_t cookie = 0;
      if (registerClassObject(factory, &cookie) == kQzOk) {
        std::lock_guard<std::mutex> guard(g_lock);
        g_cookies.push_back(cookie);
      }
      factory->Release();
    }
    return 0;
  } catch (...) {
    return kQzFailed;
  }
}

QZ_EXPORT int32_t qzComTerminateRemoteEngine() {
  try {
    revokeNewestRegistration();
    engineTerminate();
  } catch (...) {
  }
  return 0;
}
