// A host built without any of our headers: plain C structures of function pointers stand
// for the interfaces, laid out as the binary contract says. If slots or layouts drift, this
// host calls the wrong operation and fails.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <strings.h>

#include <cstdint>
#include <cstring>

namespace {

struct Iid {
  int32_t length;
  char name[32];
};

struct Variant {  // 8-byte value, 32-bit type, 4 spare bytes
  uint64_t value;
  int32_t type;
  int32_t spare;
};
static_assert(sizeof(Variant) == 16);

struct Object;
struct EngineFactoryVtbl {
  int32_t (*queryInterface)(Object*, const Iid*, void**);
  int32_t (*addRef)(Object*);
  int32_t (*release)(Object*);
  int32_t (*registerClassObject)(Object*, const Iid*, Object*, int32_t, uint32_t*);
  int32_t (*revokeClassObject)(Object*, uint32_t);
  int32_t (*classObjectCount)(Object*, int32_t*);
  int32_t (*createObject)(Object*, const Iid*, Object**);
};
struct ClassFactoryVtbl {
  int32_t (*queryInterface)(Object*, const Iid*, void**);
  int32_t (*addRef)(Object*);
  int32_t (*release)(Object*);
  int32_t (*createInstance)(Object*, const Iid*, Object**);
};
struct Object {
  const void* vtbl;
};

struct HostState {
  int32_t refs = 0;
  int32_t registrations = 0;
  int32_t revocations = 0;
  uint32_t lastCookie = 0;
  Object* factory = nullptr;
  int32_t factoryQueryResult = -1;
};
HostState state;

bool nameIs(const Iid* id, const char* name) {
  return id->length == 0 ? strcasecmp(id->name, name) == 0
                         : std::strlen(name) == static_cast<size_t>(id->length) &&
                               std::memcmp(id->name, name, id->length) == 0;
}

int32_t hostQuery(Object* self, const Iid* iid, void** out) {
  if (nameIs(iid, "QZIIDUNK") || nameIs(iid, "QZCOMENGFACT")) {
    ++state.refs;
    *out = self;
    return 0;
  }
  return 2;
}
int32_t hostAddRef(Object*) {
  return ++state.refs;
}
int32_t hostRelease(Object*) {
  return --state.refs;
}
int32_t hostRegister(Object*, const Iid* iid, Object* factory, int32_t flags, uint32_t* cookie) {
  EXPECT_TRUE(nameIs(iid, "QZIIDCLSFAC"));
  EXPECT_EQ(iid->length, 11);
  EXPECT_EQ(flags, 1);
  ++state.registrations;
  state.factory = factory;
  // Ask the factory for its class factory interface through slot 0 and create through 3.
  Iid cf{11, "QZIIDCLSFAC"};
  void* p = nullptr;
  state.factoryQueryResult =
      static_cast<const ClassFactoryVtbl*>(factory->vtbl)->queryInterface(factory, &cf, &p);
  if (state.factoryQueryResult == 0) {
    auto* f = static_cast<Object*>(p);
    auto* v = static_cast<const ClassFactoryVtbl*>(f->vtbl);
    Iid cls{0, "NO.SUCH.CLASS"};
    Object* made = reinterpret_cast<Object*>(1);
    EXPECT_EQ(v->createInstance(f, &cls, &made), 1);
    v->release(f);
  }
  *cookie = state.lastCookie = 4242 + state.registrations;
  return 0;
}
int32_t hostRevoke(Object*, uint32_t cookie) {
  EXPECT_EQ(cookie, state.lastCookie);
  --state.lastCookie;
  ++state.revocations;
  return 0;
}
int32_t hostCount(Object*, int32_t* out) {
  *out = state.registrations - state.revocations;
  return 0;
}
int32_t hostCreate(Object*, const Iid*, Object** out) {
  *out = nullptr;
  return 1;
}

const EngineFactoryVtbl hostVtbl = {hostQuery,  hostAddRef, hostRelease, hostRegister,
                                    hostRevoke, hostCount,  hostCreate};

}  // namespace

TEST(ForeignHost, CallsTheEngineThroughTheBinaryContractOnly) {
  void* lib = dlopen(QZ_TEST_ENGINE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  auto init = reinterpret_cast<int32_t (*)(Object*)>(dlsym(lib, "qzComInitRemoteEngine"));
  auto term = reinterpret_cast<int32_t (*)()>(dlsym(lib, "qzComTerminateRemoteEngine"));
  ASSERT_TRUE(init && term);

  Object host{&hostVtbl};
  ASSERT_EQ(init(&host), 0);
  EXPECT_EQ(state.factoryQueryResult, 0);
  EXPECT_EQ(state.registrations, 1);
  EXPECT_EQ(state.refs, 1) << "one reference kept, every other one released";
  ASSERT_EQ(init(&host), 0);
  EXPECT_EQ(state.registrations, 2);
  EXPECT_EQ(state.refs, 1);
  EXPECT_EQ(term(), 0);
  EXPECT_EQ(state.revocations, 1);
  EXPECT_EQ(state.refs, 1);
  EXPECT_EQ(term(), 0);
  EXPECT_EQ(state.revocations, 2) << "each termination revokes its own registration";
  EXPECT_EQ(state.refs, 0);
  EXPECT_EQ(term(), 0) << "an unmatched termination still answers 0";
  EXPECT_EQ(state.revocations, 2);
  dlclose(lib);
}
