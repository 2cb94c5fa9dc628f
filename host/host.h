// Our qzCom host: loads engine libraries, hands them a host engine object, keeps the class
// factories they register, and creates objects by class name through them. It also serves
// the companion components the engines ask for: zeltools.jvm, zeltools.charsetconvert and
// zeltools.zelenvcfg.
//
// The host and an engine meet only through the component interfaces: an engine is loaded
// with dlopen and never linked against.
//
// Thread rule: one thread drives a Host at a time; objects it creates follow their own rules.
// Ownership: create() hands out one reference, held by the returned qzRef.
//
// Statuses: 0 success, 1 failure (the component convention); initEngine and terminateEngine pass on
// the entry point's status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interfaces/qzcom.h"
#include "object/com_ref.h"

namespace qz::host {

class hostEngineC;

class Host {
 public:
  Host();
  ~Host();  // terminates and unloads every engine still loaded, then drops the host engine
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // dlopens the engine and calls its qzComInitRemoteEngine. False with *error on failure.
  bool loadEngine(const std::string& path, std::string* error);
  // Calls the loaded engine's entry points again (for init/terminate sequences).
  int32_t initEngine();
  int32_t terminateEngine();
  // Terminates once more if loaded through loadEngine, then dlcloses.
  void unloadEngine();
  bool engineLoaded() const { return library_ != nullptr; }

  // Creates an object by class name (identifier of length 0) and asks it for iid.
  // *status receives the host's status (0 on success).
  qzRef<qzIUnknown> create(const char* className, int32_t* status = nullptr);
  qzRef<qzIUnknown> create(const qzIIDS& classId, int32_t* status = nullptr);

  qzIUnknown* hostEngine() const;
  qzIEngineFactory* engineFactory() const;
  // References held on the host engine object, by us and by the engines.
  int32_t hostEngineRefCount() const;
  // Class factories currently registered.
  int32_t registeredFactories() const;

 private:
  hostEngineC* engine_;
  void* library_ = nullptr;
  int32_t (*init_)(qzIUnknown*) = nullptr;
  int32_t (*terminate_)() = nullptr;
  int32_t pendingInits_ = 0;  // inits made through loadEngine/initEngine not yet terminated
};

// Where the engine library is: $QZ_ENGINE_PATH, else beside or near the running program.
std::string defaultEnginePath();

// Ends a program that may have started the Java VM, after flushing C and C++ output. The VM is
// never destroyed: an ordinary exit tears down the VM library's statics while its threads
// still run, and under -Xcheck:jni its signal check then writes "handler modified" warnings
// into standard output.
[[noreturn]] void exitWithoutTeardown(int code);

// The companion classes this host serves, by class name; null for any other name.
// One reference for the caller.
qzIUnknown* createCompanion(const qzIIDS& classId);

}  // namespace qz::host
