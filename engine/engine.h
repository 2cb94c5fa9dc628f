// The engine's entry: the two exported functions. The host engine they keep is reached through
// object/host_link.h.
//
// Thread rule: the host calls the exports from one thread at a time.
#pragma once

#include <cstdint>

#include "object/host_link.h"

#ifdef _WIN32
// C calling convention, exported under the plain names (engine.def).
#define QZ_EXPORT extern "C" __declspec(dllexport)
#else
#define QZ_EXPORT extern "C" __attribute__((visibility("default")))
#endif

QZ_EXPORT int32_t qzComInitRemoteEngine(qzIUnknown* hostEngine);
QZ_EXPORT int32_t qzComTerminateRemoteEngine();
