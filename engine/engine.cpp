#include "engine/engine.h"

#include <mutex>
#include <vector>

#include "engine/module_hook.h"
#include "object/com_ref.h"
#include "runtime/code_track.h"

namespace {

// Module-wide engine state. The host calls the exports from one thread at a time; the lock
// only keeps qzComGetRemoteEngine on another thread from seeing a half-changed pointer.
std::mutex g_lock;
int32_t g_initCount = 0;
qzIUnknown* g_hostEngine = nullptr;
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
    hostEngine->AddRef();
    g_hostEngine = hostEngine;
  }
  for (qzModuleHookC* hook = qzModuleHookChain(); hook; hook = hook->next()) hook->onEngineInit();
  return 0;
}

int32_t engineTerminate() {
  qzCodeTrackFrameC frame("qzcomremote", 100, "qzComTerminate");
  qzIUnknown* engine = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    // A termination without an initialisation must not drive the count below 0: the engine
    // would then never keep a host engine again.
    if (g_initCount == 0) return 0;
    if (--g_initCount != 0) return 0;
    if (!g_hostEngine) return 1;
  }
  for (qzModuleHookC* hook = qzModuleHookChain(); hook; hook = hook->next()) {
    hook->onEngineTerminate();
  }
  {
    std::lock_guard<std::mutex> guard(g_lock);
    engine = g_hostEngine;
    g_hostEngine = nullptr;
  }
  engine->Release();
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

int32_t qzComGetRemoteEngine(qzIUnknown** out) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_hostEngine || !out) return kQzFailed;
  g_hostEngine->AddRef();
  *out = g_hostEngine;
  return kQzOk;
}

int32_t qzComCreateObject(const qzIIDS& classId, const qzIIDS& iid, void** out) {
  if (!out) return kQzFailed;
  qzRef<qzIEngineFactory> host = engineFactory();
  if (!host) return kQzFailed;
  qzRef<qzIUnknown> created;
  int32_t rc = host->createObject(&classId, created.out());
  if (rc != kQzOk) return rc;
  if (!created) return kQzFailed;
  return created->QueryInterface(&iid, out);
}

int32_t qzComCreateObject(const char* className, const qzIIDS& iid, void** out) {
  if (!className) return kQzFailed;
  return qzComCreateObject(qzMakeIID(className, 0), iid, out);
}
