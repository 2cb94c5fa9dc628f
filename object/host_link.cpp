#include "object/host_link.h"

#include <mutex>

#include "object/com_ref.h"

namespace {

// The lock only keeps a caller on another thread from seeing a half-changed pointer.
std::mutex g_lock;
qzIUnknown* g_hostEngine = nullptr;

qzRef<qzIEngineFactory> engineFactory() {
  qzRef<qzIUnknown> engine;
  if (qzComGetRemoteEngine(engine.out()) != kQzOk) return {};
  return qzQuery<qzIEngineFactory>(engine.get(), qziid::kEngineFactory);
}

}  // namespace

void qzHostLinkAttach(qzIUnknown* hostEngine) {
  hostEngine->AddRef();
  std::lock_guard<std::mutex> guard(g_lock);
  g_hostEngine = hostEngine;
}

qzIUnknown* qzHostLinkDetach() {
  std::lock_guard<std::mutex> guard(g_lock);
  qzIUnknown* engine = g_hostEngine;
  g_hostEngine = nullptr;
  return engine;
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
