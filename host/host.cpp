#include "host/host.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>

namespace qz::host {

// The host engine object and its engine factory interface, in one object.
class hostEngineC final : public defQZCOMWrapperT<qzIEngineFactory, &qziid::kEngineFactory> {
 public:
  ~hostEngineC() override { revokeAll(); }

  int32_t registerClassObject(const qzIIDS* iid, qzIUnknown* factory, int32_t,
                              uint32_t* cookie) override {
    if (!iid || !factory || !cookie || !qzIIDEqual(*iid, qziid::kClassFactory)) return kQzFailed;
    try {
      std::lock_guard<std::mutex> guard(lock_);
      factories_.push_back({lastCookie_ + 1, factory});
      factory->AddRef();
      *cookie = ++lastCookie_;
      return kQzOk;
    } catch (...) {
      return kQzFailed;
    }
  }

  int32_t revokeClassObject(uint32_t cookie) override {
    qzIUnknown* factory = nullptr;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = std::find_if(factories_.begin(), factories_.end(),
                             [cookie](const Registration& r) { return r.cookie == cookie; });
      if (it == factories_.end()) return kQzFailed;
      factory = it->factory;
      factories_.erase(it);
    }
    factory->Release();  // outside the lock: the factory's destructor may call back
    return kQzOk;
  }

  int32_t classObjectCount(int32_t* out) override {
    if (!out) return kQzFailed;
    std::lock_guard<std::mutex> guard(lock_);
    *out = static_cast<int32_t>(factories_.size());
    return kQzOk;
  }

  int32_t createObject(const qzIIDS* classId, qzIUnknown** out) override {
    if (!classId || !out) return kQzFailed;
    *out = nullptr;
    try {
      if (qzIUnknown* companion = createCompanion(*classId)) {
        *out = companion;
        return kQzOk;
      }
      // Newest registration first; a factory that refuses leaves the name to the others.
      std::vector<qzRef<qzIUnknown>> factories;
      {
        std::lock_guard<std::mutex> guard(lock_);
        for (auto it = factories_.rbegin(); it != factories_.rend(); ++it) {
          factories.push_back(qzRef<qzIUnknown>::share(it->factory));
        }
      }
      int32_t status = kQzFailed;
      for (auto& factory : factories) {
        qzRef<qzIClassFactory> cf = qzQuery<qzIClassFactory>(factory.get(), qziid::kClassFactory);
        if (!cf) continue;
        qzIUnknown* created = nullptr;
        status = cf->createInstance(classId, &created);
        if (status == kQzOk && created) {
          *out = created;
          return kQzOk;
        }
        if (status == kQzOk) status = kQzFailed;  // success without an object is no success
      }
      return status;
    } catch (...) {
      return kQzFailed;
    }
  }

  void revokeAll() {
    std::vector<Registration> left;
    {
      std::lock_guard<std::mutex> guard(lock_);
      left.swap(factories_);
    }
    for (auto& r : left) r.factory->Release();
  }

 private:
  struct Registration {
    uint32_t cookie;
    qzIUnknown* factory;
  };
  std::mutex lock_;
  std::vector<Registration> factories_;  // guarded by lock_
  uint32_t lastCookie_ = 0;              // guarded by lock_
};

Host::Host() : engine_(new hostEngineC()) {
  engine_->AddRef();
}

Host::~Host() {
  unloadEngine();
  engine_->revokeAll();
  engine_->Release();
}

bool Host::loadEngine(const std::string& path, std::string* error) {
  if (library_) {
    if (error) *error = "an engine is already loaded";
    return false;
  }
  // RTLD_NODELETE: code of the engine stays mapped after unload, so an object a script
  // still holds never calls into unmapped memory.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!library) {
    if (error) *error = std::string("cannot load engine: ") + dlerror();
    return false;
  }
  auto init = reinterpret_cast<int32_t (*)(qzIUnknown*)>(dlsym(library, "qzComInitRemoteEngine"));
  auto terminate = reinterpret_cast<int32_t (*)()>(dlsym(library, "qzComTerminateRemoteEngine"));
  if (!init || !terminate) {
    if (error) *error = "not an engine library (entry points missing): " + path;
    dlclose(library);
    return false;
  }
  library_ = library;
  init_ = init;
  terminate_ = terminate;
  int32_t rc = initEngine();
  if (rc != kQzOk) {
    if (error) *error = "engine initialisation failed with status " + std::to_string(rc);
    unloadEngine();
    return false;
  }
  return true;
}

int32_t Host::initEngine() {
  if (!init_) return kQzFailed;
  int32_t rc = init_(static_cast<qzIEngineFactory*>(engine_));
  if (rc == kQzOk) ++pendingInits_;
  return rc;
}

int32_t Host::terminateEngine() {
  if (!terminate_) return kQzFailed;
  if (pendingInits_ > 0) --pendingInits_;
  return terminate_();
}

void Host::unloadEngine() {
  if (!library_) return;
  while (pendingInits_ > 0) terminateEngine();
  dlclose(library_);
  library_ = nullptr;
  init_ = nullptr;
  terminate_ = nullptr;
}

qzRef<qzIUnknown> Host::create(const qzIIDS& classId, int32_t* status) {
  qzRef<qzIUnknown> object;
  int32_t rc = engine_->createObject(&classId, object.out());
  if (status) *status = rc;
  if (rc != kQzOk) object.reset();
  return object;
}

qzRef<qzIUnknown> Host::create(const char* className, int32_t* status) {
  return create(qzMakeIID(className ? className : "", 0), status);
}

qzIUnknown* Host::hostEngine() const {
  return static_cast<qzIEngineFactory*>(engine_);
}
qzIEngineFactory* Host::engineFactory() const {
  return engine_;
}
int32_t Host::hostEngineRefCount() const {
  return engine_->refCount();
}

int32_t Host::registeredFactories() const {
  int32_t n = 0;
  engine_->classObjectCount(&n);
  return n;
}

void exitWithoutTeardown(int code) {
  std::cout.flush();
  std::fflush(nullptr);
  std::_Exit(code);
}

std::string defaultEnginePath() {
  if (const char* p = std::getenv("QZ_ENGINE_PATH"); p && *p) return p;
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.rfind('/'));
    for (const char* rel : {"/libqzjdbc.so", "/../engine/libqzjdbc.so", "/../lib/libqzjdbc.so",
                            "/../../engine/libqzjdbc.so"}) {
      std::string candidate = dir + rel;
      if (access(candidate.c_str(), R_OK) == 0) return candidate;
    }
  }
  return "libqzjdbc.so";  // left to the dynamic loader's search path
}

}  // namespace qz::host
