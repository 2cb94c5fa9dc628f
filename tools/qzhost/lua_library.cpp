// The `qz` library table: creating objects, explicit calls, release and inspection.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "tools/qzhost/lua_internal.h"
#include "tools/qzhost/lua_objects.h"
#include "tools/qzhost/native_registry.h"
#include "variant/variant.h"

// Lua raises errors with longjmp, which skips C++ destructors. So no function here raises a
// Lua error while it has a C++ object with a destructor in scope: the C++ work happens in
// helpers that return after pushing either results or an error value, and only their caller,
// holding plain values alone, calls lua_error. (Memory errors of the Lua API itself are the
// one exception; they leak what is in scope.)

namespace qz::luahost {

namespace {

// --- the qz table -----------------------------------------------------------------------

int qzCreate(lua_State* L) {
  const char* className = checkName(L, 1, "qz.create: a class name");
  auto* create = static_cast<CreateFn*>(lua_touserdata(L, lua_upvalueindex(1)));
  int32_t status = kQzFailed;
  bool created = false;
  char failure[160] = "";
  try {
    qzRef<qzIUnknown> object = (*create)(className, &status);
    if (object) {
      pushObject(L, object.get());
      created = true;
    }
  } catch (const std::exception& e) {
    std::snprintf(failure, sizeof failure, ": %s", e.what());
  }
  if (!created) {
    return raise(L, "qz.create: cannot create class '%s' (status %d)%s", className,
                 static_cast<int>(status), failure);
  }
  return 1;
}

int qzNative(lua_State* L) {
  Box* box = testBox(L, 1);
  if (!box) return raise(L, "qz.native: a qz object expected, got %s", luaL_typename(L, 1));
  if (!box->ref) return raise(L, "qz.native: the object was released");
  usedBox(L, 1, box);
  const char* iid = checkName(L, 2, "qz.native: an interface name");
  const NativeInterface* binding = findNativeInterface(iid);
  if (!binding) return raise(L, "qz.native: no bindings for interface '%s'", iid);
  auto* native = static_cast<Box*>(lua_newuserdatauv(L, sizeof(Box), 0));
  *native = Box{nullptr, nullptr, binding, nullptr, nullptr, true, false, true, nullptr};
  luaL_setmetatable(L, kNativeMeta);
  qzIIDS id = qzMakeIID(binding->iid.c_str(), 0);
  void* out = nullptr;
  int32_t rc = box->ref->QueryInterface(&id, &out);
  if (rc != kQzOk || !out) {
    return raise(L, "qz.native: the object does not offer interface '%s' (status %d)", iid,
                 static_cast<int>(rc));
  }
  native->ref = static_cast<qzIUnknown*>(out);
  native->identity = out;
  ++g_liveWrappers;
  return 1;
}

int qzCallKind(lua_State* L, int32_t kind) {
  Box* box = checkLiveObject(L, 1, "qz call");
  const char* name = checkName(L, 2, "a member name");
  int pushed = 0;
  if (invokeFromLua(L, box->dispatch, name, kind, 3, lua_gettop(L), false, &pushed) ==
      Outcome::kFailed) {
    return lua_error(L);
  }
  if (kind == kQzMethod && pushed == 1 && lua_isnil(L, -1) && lua_gettop(L) >= 4 &&
      qzEqualsIgnoringAsciiCase(name, "Field") && fieldsAccessor(box)) {
    return missingColumnCheck(L, box, 3);
  }
  return pushed;
}

int qzCall(lua_State* L) {
  return qzCallKind(L, kQzMethod);
}
int qzGet(lua_State* L) {
  return qzCallKind(L, kQzPropertyGet);
}
int qzSet(lua_State* L) {
  return qzCallKind(L, kQzPropertyPut);
}

int qzRelease(lua_State* L) {
  Box* box = testBox(L, 1);
  luaL_argexpected(L, box != nullptr, 1, "qz object");
  releaseBox(L, 1, box);
  return 0;
}

// qz.members(obj): {name, kind, arguments, optional} per member, from the method table.
int qzMembers(lua_State* L) {
  Box* box = checkLiveObject(L, 1, "qz.members");
  std::vector<MemberDesc> members = describeMembers(box->ref);
  lua_createtable(L, static_cast<int>(members.size()), 0);
  for (size_t i = 0; i < members.size(); ++i) {
    const MemberDesc& m = members[i];
    lua_createtable(L, 0, 4);
    lua_pushstring(L, m.name.c_str());
    lua_setfield(L, -2, "name");
    lua_pushstring(L, kindWord(m.kind));
    lua_setfield(L, -2, "kind");
    lua_pushinteger(L, m.arguments);
    lua_setfield(L, -2, "arguments");
    lua_pushinteger(L, m.optional);
    lua_setfield(L, -2, "optional");
    lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
  }
  std::string cls = classNameOf(box->ref);
  lua_pushstring(L, cls.c_str());
  lua_setfield(L, -2, "class");
  return 1;
}

int qzIsObject(lua_State* L) {
  lua_pushboolean(L, testBox(L, 1) != nullptr);
  return 1;
}

int qzLiveObjects(lua_State* L) {
  lua_pushinteger(L, liveWrappers());
  return 1;
}

int qzCollect(lua_State* L) {
  // The second cycle frees what the first one's finalizers let go.
  lua_gc(L, LUA_GCCOLLECT);
  lua_gc(L, LUA_GCCOLLECT);
  return 0;
}

int createFnGc(lua_State* L) {
  static_cast<CreateFn*>(lua_touserdata(L, 1))->~CreateFn();
  return 0;
}

void newMetatable(lua_State* L, const char* name, const luaL_Reg* functions) {
  luaL_newmetatable(L, name);
  lua_pushvalue(L, -1);  // the upvalue of its functions: checked against without a lookup
  luaL_setfuncs(L, functions, 1);
  lua_pushstring(L, name);
  lua_setfield(L, -2, "__metatable");  // scripts cannot swap our metamethods
  lua_pop(L, 1);
}

}  // namespace

void openQzLibrary(lua_State* L, CreateFn create) {
  const luaL_Reg objectMeta[] = {{"__index", objectIndex},    {"__newindex", objectNewIndex},
                                 {"__gc", boxCollect},        {"__close", boxRelease},
                                 {"__tostring", boxToString}, {nullptr, nullptr}};
  const luaL_Reg nativeMeta[] = {{"__index", nativeIndex},    {"__newindex", nativeNewIndex},
                                 {"__gc", boxCollect},        {"__close", boxRelease},
                                 {"__tostring", boxToString}, {nullptr, nullptr}};
  const luaL_Reg errorMeta[] = {
      {"__tostring", errorToString}, {"__concat", errorConcat}, {nullptr, nullptr}};
  const luaL_Reg createMeta[] = {{"__gc", createFnGc}, {nullptr, nullptr}};
  newMetatable(L, kObjectMeta, objectMeta);
  newMetatable(L, kNativeMeta, nativeMeta);
  newMetatable(L, kErrorMeta, errorMeta);
  newMetatable(L, kCreateMeta, createMeta);

  lua_newtable(L);
  lua_createtable(L, 0, 1);
  lua_pushliteral(L, "v");
  lua_setfield(L, -2, "__mode");
  lua_setmetatable(L, -2);
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kCacheKey);
  lua_newtable(L);
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kMethodsKey);
  lua_newtable(L);
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kClassesKey);
  luaL_getmetatable(L, kObjectMeta);
  // The main thread's pointer is the one threads made from now on copy.
  objectMetaPointer(L) = lua_topointer(L, -1);
  lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_MAINTHREAD);
  objectMetaPointer(lua_tothread(L, -1)) = lua_topointer(L, -2);
  lua_pop(L, 1);
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kObjectMetaKey);
  luaL_getmetatable(L, kNativeMeta);
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kNativeMetaKey);

  const luaL_Reg functions[] = {{"native", qzNative},   {"call", qzCall},
                                {"get", qzGet},         {"set", qzSet},
                                {"release", qzRelease}, {"isObject", qzIsObject},
                                {"members", qzMembers}, {"liveObjects", qzLiveObjects},
                                {"collect", qzCollect}, {nullptr, nullptr}};
  luaL_newlib(L, functions);
  new (lua_newuserdatauv(L, sizeof(CreateFn), 0)) CreateFn(std::move(create));
  luaL_setmetatable(L, kCreateMeta);
  lua_pushcclosure(L, qzCreate, 1);
  lua_setfield(L, -2, "create");
  lua_pushstring(L, kVersion);
  lua_setfield(L, -2, "version");
  lua_setglobal(L, "qz");
}

}  // namespace qz::luahost
