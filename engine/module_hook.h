// Module hooks: static objects told when the engine starts and stops.
//
// Each hook adds itself at the head of the module's chain when it is constructed (static
// construction at load), so the chain runs from the newest hook to the oldest.
// Thread rule: the chain is built during static initialisation and walked by the engine
// entry points, which the host calls from one thread at a time.
//
// Results: the hooks answer 1, which the engine ignores; no status convention applies.
#pragma once

#include <cstdint>

class qzModuleHookC {
 public:
  qzModuleHookC();
  qzModuleHookC(const qzModuleHookC&) = delete;
  qzModuleHookC& operator=(const qzModuleHookC&) = delete;

  virtual int32_t onEngineInit();       // slot 0; the engine ignores the result
  virtual int32_t onEngineTerminate();  // slot 1

  qzModuleHookC* next() const { return next_; }

 protected:
  ~qzModuleHookC() = default;

 private:
  qzModuleHookC* next_;
};

// The newest hook, or null.
qzModuleHookC* qzModuleHookChain();
