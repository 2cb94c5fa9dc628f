// The library's link to the host that loaded it: the host engine object, and creating other
// components through it. Below every layer that creates components, so none of them needs
// the engine's entry code.
//
// Thread rule: qzComGetRemoteEngine and qzComCreateObject may be called from any thread;
// attach and detach come from the engine entry points, one thread at a time.
//
// Statuses: 0 success, 1 failure (the component convention); a creation the host refuses passes on
// the host's status.
#pragma once

#include <cstdint>

#include "interfaces/qzcom.h"

// The host engine with a new reference for the caller; 1 (out untouched) when none is kept.
int32_t qzComGetRemoteEngine(qzIUnknown** out);

// Creates a component by class name through the host and asks it for iid.
int32_t qzComCreateObject(const char* className, const qzIIDS& iid, void** out);
int32_t qzComCreateObject(const qzIIDS& classId, const qzIIDS& iid, void** out);

// Keeps `hostEngine` (one reference taken) as the host of every later call.
void qzHostLinkAttach(qzIUnknown* hostEngine);
// Forgets the host engine and hands its reference to the caller (null when none was kept).
qzIUnknown* qzHostLinkDetach();
