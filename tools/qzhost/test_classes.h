// Classes qzhost serves itself so that its tests need no database: registered only when
// QZHOST_TEST_CLASSES=1.
//
// "QZTEST.ECHO": a scriptable object with type information (members listed in README.md's
// test section and in test_classes.cpp); "QZTEST.PLAIN": the same object refusing
// "QZIIDTYPEINFO", so scripts also meet objects that do not describe themselves. Both offer
// the native interface "QZTEST.NATIVE", bound for qz.native.
//
// Thread rule: the main thread registers and revokes; the objects follow the object model's
// rule (one thread at a time).
#pragma once

#include <cstdint>

#include "interfaces/qzcom.h"

namespace qz::luahost {

// Registers the class factory with the host's engine factory and binds "QZTEST.NATIVE".
// False when the host refuses the registration.
bool registerTestClasses(qzIEngineFactory* engine, uint32_t* cookie);
void revokeTestClasses(qzIEngineFactory* engine, uint32_t cookie);

}  // namespace qz::luahost
