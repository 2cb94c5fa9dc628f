// The engine's entry: the two exported functions. The host engine they keep is reached through
// object/host_link.h.
//
// Thread rule: the host calls the exports from one thread at a time.
#pragma once

#include <cstdint>

#include "object/host_link.h"

#define QZ_EXPORT extern "C" __attribute__((visibility("default")))

QZ_EXPORT int32_t qzComInitRemoteEngine(qzIUnknown* hostEngine);
QZ_EXPORT int32_t qzComTerminateRemoteEngine();
