// The engine's entry: the two exported functions, the host engine the library keeps, and the
// one way the library creates other components through the host.
//
// Thread rule: the host calls the exports from one thread at a time. qzComGetRemoteEngine
// and qzComCreateObject may be called from any thread while the engine is initialised.
#pragma once

#include <cstdint>

#include "object/qzcom.h"

#define QZ_EXPORT extern "C" __attribute__((visibility("default")))

QZ_EXPORT int32_t qzComInitRemoteEngine(qzIUnknown* hostEngine);
QZ_EXPORT int32_t qzComTerminateRemoteEngine();

// The host engine with a new reference for the caller; 1 (out untouched) when none is kept.
int32_t qzComGetRemoteEngine(qzIUnknown** out);

// Creates a component by class name through the host and asks it for iid.
int32_t qzComCreateObject(const char* className, const qzIIDS& iid, void** out);
int32_t qzComCreateObject(const qzIIDS& classId, const qzIIDS& iid, void** out);

// The module's class factory, with one reference for the caller (null on failure).
qzIUnknown* qzCreateModuleClassFactory();
