// Object wrappers: their metatables, member reads and calls by name, and native wrappers.
#include <strings.h>

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

// Registry keys: their addresses are unique.
char kCacheKey;       // weak-valued: object identity -> its wrapper
char kMethodsKey;     // member name -> the method closure
char kClassesKey;     // class key -> its member table (see memberTableKey)
char kObjectMetaKey;  // the wrappers' metatable, found without hashing its name
char kNativeMetaKey;  // the native wrappers' metatable

std::atomic<int32_t> g_liveWrappers{0};

// luaL_testudata for object wrappers alone, on the path of every call. meta is the index of
// the wrappers' metatable when the caller has it as an upvalue; 0 looks it up.
Box* objectBox(lua_State* L, int idx, int meta) {
  void* p = lua_touserdata(L, idx);
  if (!p || !lua_getmetatable(L, idx)) return nullptr;
  bool ours = lua_topointer(L, -1) == objectMetaPointer(L);
  if (!ours) {
    const bool lookUp = meta == 0;
    if (lookUp) lua_rawgetp(L, LUA_REGISTRYINDEX, &kObjectMetaKey);
    ours = lua_rawequal(L, -1, lookUp ? -2 : meta);
    if (lookUp) lua_pop(L, 1);
  }
  lua_pop(L, 1);
  return ours ? static_cast<Box*>(p) : nullptr;
}

Box* testBox(lua_State* L, int idx) {
  void* p = lua_touserdata(L, idx);
  if (!p || !lua_getmetatable(L, idx)) return nullptr;
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kObjectMetaKey);
  bool ours = lua_rawequal(L, -1, -2);
  if (!ours) {
    lua_pop(L, 1);
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kNativeMetaKey);
    ours = lua_rawequal(L, -1, -2);
  }
  lua_pop(L, 2);
  return ours ? static_cast<Box*>(p) : nullptr;
}

void releaseBox(lua_State* L, int idx, Box* box, bool cached) {
  if (!box->ref) return;
  qzIUnknown* ref = std::exchange(box->ref, nullptr);
  box->dispatch = nullptr;
  if (dbIRecordSetFields* fields = std::exchange(box->fields, nullptr)) fields->Release();
  if (dbIRecordSetRows* rows = std::exchange(box->rows, nullptr)) rows->Release();
  --g_liveWrappers;
  if (cached && !box->native && !box->unpublished) {
    // Only this wrapper's entry: after a collection a newer wrapper may hold the key.
    idx = lua_absindex(L, idx);
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kCacheKey);
    if (lua_istable(L, -1)) {
      lua_rawgetp(L, -1, box->identity);
      bool mine = lua_rawequal(L, -1, idx);
      lua_pop(L, 1);
      if (mine) {
        lua_pushnil(L);
        lua_rawsetp(L, -2, box->identity);
      }
    }
    lua_pop(L, 1);
  }
  ref->Release();
}

namespace {

// *sole: the caller's reference is the object's only one (as its count says), so no wrapper
// holds it.
void* identityOf(qzIUnknown* object, bool* sole) {
  void* identity = nullptr;
  if (object->QueryInterface(&qziid::kUnknown, &identity) == kQzOk && identity) {
    *sole = static_cast<qzIUnknown*>(identity)->Release() == 1;
    return identity;
  }
  *sole = false;
  return object;
}

}  // namespace

void* boxIdentity(Box* box) {
  if (!box->identity && box->ref) {
    bool sole = false;
    box->identity = identityOf(box->ref, &sole);
  }
  return box->identity;
}

namespace {

// The failure paths of invokeFromLua, out of line: the path of a call that succeeds keeps no
// strings, vectors or handlers of theirs.

[[gnu::noinline, gnu::cold]] Outcome argumentFailed(lua_State* L, const char* name, int i,
                                                    const std::string& problem) {
  try {
    pushMessage(L, "argument " + std::to_string(i + 1) + " of '" + name + "': " + problem);
  } catch (const std::exception& e) {
    lua_pushstring(L, e.what());
  }
  return Outcome::kFailed;
}

[[gnu::noinline, gnu::cold]] Outcome resultFailed(lua_State* L, const char* name,
                                                  const std::string& problem) {
  try {
    pushMessage(L, std::string("the result of '") + name + "': " + problem);
  } catch (const std::exception& e) {
    lua_pushstring(L, e.what());
  }
  return Outcome::kFailed;
}

[[gnu::noinline, gnu::cold]] Outcome callFailed(lua_State* L, qzIDispatch* target, const char* name,
                                                int32_t kind, int n, int32_t rc,
                                                qzIUnknown* exception, bool detectMissing) {
  const int base = lua_gettop(L);
  try {
    std::vector<ErrorLevel> chain = readChain(exception);
    if (chain.empty()) {
      chain.push_back({std::string("methode:") + name,
                       "call failed with status " + std::to_string(rc) + " and no error object"});
    }
    if (detectMissing && chain.size() == 1 && chain[0].source == std::string("methode:") + name &&
        chain[0].description == "Object call failed") {
      return Outcome::kMissing;
    }
    if (chain.size() == 1 && chain[0].description == "Object call failed") {
      chain[0].detail = callDetail(target, name, kind, n, chain[0].source);
    }
    pushErrorTable(L, chain);
  } catch (const std::exception& e) {
    lua_settop(L, base);
    pushMessage(L, std::string("qzhost: ") + e.what());
  }
  return Outcome::kFailed;
}

// More than four arguments: on the heap.
[[gnu::noinline]] Outcome invokeMany(lua_State* L, qzIDispatch* target, const char* name,
                                     int32_t kind, int first, int n, bool detectMissing,
                                     int* pushed) {
  const int base = lua_gettop(L);
  try {
    std::vector<qzVariantS> args(n);
    std::string problem;
    for (int i = 0; i < n; ++i) {
      if (!toVariant(L, first + i, args[i], &problem)) return argumentFailed(L, name, i, problem);
    }
    qzVariantS result;
    qzIUnknown* raw = nullptr;
    int32_t rc = target->invoke(name, kind, n, args.data(), &result, &raw);
    qzRef<qzIUnknown> exception(raw);
    if (rc != kQzOk) {
      return callFailed(L, target, name, kind, n, rc, exception.get(), detectMissing);
    }
    *pushed = 0;
    if (kind == kQzPropertyPut) return Outcome::kDone;
    if (!pushVariant(L, result, &problem)) return resultFailed(L, name, problem);
    *pushed = 1;
    return Outcome::kDone;
  } catch (const std::exception& e) {
    lua_settop(L, base);
    pushMessage(L, std::string("qzhost: ") + e.what());
    return Outcome::kFailed;
  }
}

}  // namespace

// Calls a member with the Lua values first..last as arguments. kDone: *pushed results are on
// the stack; kFailed: the error value is; kMissing (only with detectMissing): no row of that
// name took the call, and nothing was pushed.
Outcome invokeFromLua(lua_State* L, qzIDispatch* target, const char* name, int32_t kind, int first,
                      int last, bool detectMissing, int* pushed) {
  const int n = last >= first ? last - first + 1 : 0;
  if (n > 4) return invokeMany(L, target, name, kind, first, n, detectMissing, pushed);
  // What can throw here (a string or table argument, the result's conversion) is caught in
  // the helpers it calls; scalars and the call itself do not throw.
  qzVariantS args[4];
  for (int i = 0; i < n; ++i) {
    if (!quickVariant(L, first + i, args[i])) {
      std::string problem;
      bool ok = false;
      try {
        ok = toVariant(L, first + i, args[i], &problem);
      } catch (const std::exception& e) {
        problem = std::string("qzhost: ") + e.what();
      }
      if (!ok) return argumentFailed(L, name, i, problem);
    }
  }
  qzVariantS result;
  qzIUnknown* raw = nullptr;
  const int32_t rc = target->invoke(name, kind, n, n ? args : nullptr, &result, &raw);
  if (rc != kQzOk) {
    qzRef<qzIUnknown> exception(raw);
    return callFailed(L, target, name, kind, n, rc, exception.get(), detectMissing);
  }
  if (raw) raw->Release();
  *pushed = 0;
  if (kind == kQzPropertyPut) return Outcome::kDone;
  if (!quickPush(L, result)) {
    const int base = lua_gettop(L);
    std::string problem;
    bool ok = false;
    try {
      ok = pushVariant(L, result, &problem);
    } catch (const std::exception& e) {
      lua_settop(L, base);
      problem = std::string("qzhost: ") + e.what();
    }
    if (!ok) return resultFailed(L, name, problem);
  }
  *pushed = 1;
  return Outcome::kDone;
}

namespace {

enum class Access { kRead, kMethod, kTryRead };

// Decides without side effects when the object describes itself: a name with a property-read
// row is read, any other name is a method.
Access decideAccess(qzIDispatch* target, const char* name) {
  qzRef<qzIComTypeInfo> info = qzQuery<qzIComTypeInfo>(target, qziid::kTypeInfo);
  if (!info) return Access::kTryRead;
  qzRef<qzIUnknown> member;
  if (info->getMember(name, kQzPropertyGet, member.out()) == kQzOk) return Access::kRead;
  return Access::kMethod;
}

}  // namespace

Box* checkLiveObject(lua_State* L, int idx, const char* what, int meta) {
  Box* box = objectBox(L, idx, meta);
  if (!box) {
    raise(L, "%s: a qz object expected, got %s", what, luaL_typename(L, idx));
    return nullptr;
  }
  if (!box->ref) raise(L, "%s: the object was released", what);
  if (!box->dispatch) raise(L, "%s: the object offers no scriptable interface", what);
  usedBox(L, idx, box);
  return box;
}

namespace {

// Field(column, code) with two numbers of 32 bits, as a walk calls it, on a field accessor:
// its native slot reads what the call by name reads, without the call's lookup of the name and
// its argument list. True with the value pushed; false pushes nothing, and the call goes by
// name: a failure of the slot (a column the result does not have, a value that cannot be read)
// is raised or answered there exactly as Field does.
bool nativeField(lua_State* L, Box* box) {
  if (!lua_isinteger(L, 2) || !lua_isinteger(L, 3)) return false;
  const lua_Integer index = lua_tointeger(L, 2), code = lua_tointeger(L, 3);
  if (index < INT32_MIN || index > INT32_MAX || code < INT32_MIN || code > INT32_MAX) return false;
  qzVariantS column, value;
  column.setInt(static_cast<int32_t>(index));
  if (box->fields->getField(&column, static_cast<int32_t>(code), &value) != kQzOk) return false;
  if (quickPush(L, value)) return true;
  std::string problem;
  try {
    if (pushVariant(L, value, &problem)) return true;
  } catch (const std::exception&) {
  }
  return false;
}

// Row's array or Rows's array of arrays as the tables pushVariant would make of them, built as
// the engine hands the values over: no array or string is made for them on the way.
class RowTables final : public dbIRowSink {
 public:
  // most < 0: one row (Row's); else a block of up to most (Rows's), whose rows take what they
  // share from slots of its own: what it makes is left on the stack above ownSlots() of them.
  RowTables(lua_State* L, int32_t most, std::string* problem) : L_(L), problem_(problem) {
    if (most < 0) return;
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kObjectMetaKey);
    meta_ = lua_gettop(L);
    lua_pushliteral(L, "n");
    count_ = meta_ + 1;
    // The count is known only at the end: enough for a block of the usual size.
    lua_createtable(L, std::min(most, 1024), 1);
    block_ = lua_gettop(L);
  }
  int ownSlots() const { return block_ ? 2 : 0; }

  void beginRow(int32_t columns) override {
    lua_createtable(L_, columns, 1);
    columns_ = columns;
    column_ = 0;
  }
  void text(const char* s, size_t length) override {
    lua_pushlstring(L_, s, length);
    lua_rawseti(L_, -2, ++column_);
  }
  void value(qzVariantS& v) override {
    ++column_;
    // A new table's slot is nil already: a NULL stores nothing.
    if (v.type == kVtUndef) return;
    if (v.type == kVtObject) {
      pushTakenObject(L_, v, meta_);
    } else if (!quickPush(L_, v) && !pushOther(v)) {
      return;
    }
    lua_rawseti(L_, -2, column_);
  }
  void endRow() override {
    if (!block_) {
      lua_pushinteger(L_, columns_);
      lua_setfield(L_, -2, "n");
      return;
    }
    lua_pushvalue(L_, count_);
    lua_pushinteger(L_, columns_);
    lua_rawset(L_, -3);
    lua_rawseti(L_, block_, ++rows_);
  }

 private:
  // Runs under the engine's frames: no C++ exception may leave it.
  bool pushOther(qzVariantS& v) {
    if (!problem_->empty()) return false;
    const int base = lua_gettop(L_);
    try {
      if (pushVariant(L_, v, problem_)) return true;
    } catch (const std::exception& e) {
      lua_settop(L_, base);
      *problem_ = std::string("qzhost: ") + e.what();
    }
    if (problem_->empty()) *problem_ = "a value that has no Lua form";
    return false;
  }

  lua_State* L_;
  std::string* problem_;  // what the call by name would have refused
  int meta_ = 0;          // the wrappers' metatable, or 0: looked up per value
  int count_ = 0;         // "n"
  int block_ = 0;
  int32_t rows_ = 0;
  int32_t columns_ = 0;
  int32_t column_ = 0;
};

bool rowsAccessor(Box* box) {
  if (!box->rowsAsked) {
    void* rows = nullptr;
    if (box->dispatch->QueryInterface(&dbiid::kRecordSetRows, &rows) != kQzOk) rows = nullptr;
    box->rows = static_cast<dbIRecordSetRows*>(rows);
    box->rowsAsked = true;
  }
  return box->rows != nullptr;
}

constexpr int kByName = -1, kRaise = -2;

// Rows(most, code) or Row(code) (one) with numbers of 32 bits on a field accessor, through its
// rows interface: what the call by name answers, raises or refuses, without its arrays. Returns
// the count of results; kByName for the call by name (other arguments, no such interface);
// kRaise with the error value pushed.
int nativeRows(lua_State* L, Box* box, const char* name, bool one) {
  const int codeIdx = one ? 2 : 3;
  if (!lua_isinteger(L, 2) || !lua_isinteger(L, codeIdx) || !rowsAccessor(box)) return kByName;
  const lua_Integer most = one ? 0 : lua_tointeger(L, 2), code = lua_tointeger(L, codeIdx);
  if (most < INT32_MIN || most > INT32_MAX || code < INT32_MIN || code > INT32_MAX) return kByName;
  const int base = lua_gettop(L);
  int32_t handed = 0;
  qzIUnknown* raw = nullptr;
  std::string problem;
  int32_t rc = kQzFailed;
  int own = 0;
  {
    // The collector may run finalizers while the engine walks: the engine reads nothing across
    // a call of the sink that a script's finalizer could have changed.
    RowTables tables(L, one ? -1 : static_cast<int32_t>(std::max<lua_Integer>(most, 0)), &problem);
    rc = one ? box->rows->currentRow(name, static_cast<int32_t>(code), &tables, &handed, &raw)
             : box->rows->rows(name, static_cast<int32_t>(most), static_cast<int32_t>(code),
                               &tables, &handed, &raw);
    own = tables.ownSlots();
  }
  qzRef<qzIUnknown> exception(raw);
  Outcome outcome = Outcome::kDone;
  if (rc != kQzOk) {
    lua_settop(L, base);
    outcome =
        callFailed(L, box->dispatch, name, kQzMethod, one ? 1 : 2, rc, exception.get(), false);
  } else if (!problem.empty()) {
    lua_settop(L, base);
    outcome = resultFailed(L, name, problem);
  } else if (handed < 0) {
    lua_settop(L, base);
    lua_pushnil(L);
  } else {
    if (!one) {
      lua_pushinteger(L, handed);
      lua_setfield(L, -2, "n");
    }
    if (own) {
      lua_rotate(L, base + 1, -own);
      lua_settop(L, base + 1);
    }
  }
  return outcome == Outcome::kFailed ? kRaise : 1;
}

enum class Member { kOther, kField, kRow, kRows };

// A method's closure: upvalue 1 its name, 2 the wrappers' metatable. The closure of a name
// spelt "Field", "Row" or "Rows" in any case is made for it, decided once per closure, not per
// call.
template <Member kMember>
int methodCall(lua_State* L) {
  constexpr bool kField = kMember == Member::kField;
  const char* name = lua_tostring(L, lua_upvalueindex(1));
  // objectBox, leaving the metatable above the arguments: popping costs more than the slot.
  const int last = lua_gettop(L);
  auto* box = static_cast<Box*>(lua_touserdata(L, 1));
  if (!box || !lua_getmetatable(L, 1) || !isObjectMeta(L, lua_upvalueindex(2))) {
    return raise(L, "method '%s' needs its object: call it as obj:%s(...)", name, name);
  }
  if (!box->ref) raise(L, "%s: the object was released", name);
  if (!box->dispatch) raise(L, "%s: the object offers no scriptable interface", name);
  usedBox(L, 1, box);
  if (kField && last == 3 && fieldsAccessor(box) && nativeField(L, box)) return 1;
  if ((kMember == Member::kRows && last == 3) || (kMember == Member::kRow && last == 2)) {
    const int pushed = nativeRows(L, box, name, kMember == Member::kRow);
    if (pushed == kRaise) return lua_error(L);
    if (pushed != kByName) return pushed;
  }
  int pushed = 0;
  if (invokeFromLua(L, box->dispatch, name, kQzMethod, 2, last, false, &pushed) ==
      Outcome::kFailed) {
    return lua_error(L);
  }
  if (kField && pushed == 1 && lua_isnil(L, -1) && last >= 2 && fieldsAccessor(box)) {
    return missingColumnCheck(L, box, 2);
  }
  return pushed;
}

// Pushes the method closure of the name at nameIdx; one per name, shared by all objects.
void pushMethod(lua_State* L, int nameIdx) {
  nameIdx = lua_absindex(L, nameIdx);
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kMethodsKey);
  lua_pushvalue(L, nameIdx);
  if (lua_rawget(L, -2) != LUA_TFUNCTION) {
    lua_pop(L, 1);
    lua_pushvalue(L, nameIdx);
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kObjectMetaKey);
    const char* name = lua_tostring(L, nameIdx);
    lua_pushcclosure(L,
                     qzEqualsIgnoringAsciiCase(name, "Field")  ? methodCall<Member::kField>
                     : qzEqualsIgnoringAsciiCase(name, "Row")  ? methodCall<Member::kRow>
                     : qzEqualsIgnoringAsciiCase(name, "Rows") ? methodCall<Member::kRows>
                                                               : methodCall<Member::kOther>,
                     2);
    lua_pushvalue(L, nameIdx);
    lua_pushvalue(L, -2);
    lua_rawset(L, -4);
  }
  lua_remove(L, -2);
}

}  // namespace

// A name passed on as a C string: one with a NUL byte would reach the object cut short,
// naming another member or class than the script wrote.
const char* checkName(lua_State* L, int idx, const char* what) {
  size_t length = 0;
  const char* name = luaL_checklstring(L, idx, &length);
  if (std::memchr(name, '\0', length)) raise(L, "%s with a NUL byte is refused", what);
  return name;
}

namespace {

const char* checkMemberName(lua_State* L, int idx) {
  if (lua_type(L, idx) != LUA_TSTRING) {
    raise(L, "qz object members are named by strings, not by a %s", luaL_typename(L, idx));
  }
  return checkName(L, idx, "a member name");
}

void pushMemberTable(lua_State* L, qzIDispatch* dispatch);

// Pushes the member table of the wrapper at 1, given to it at its first member read: many
// wrappers (values of date columns, say) are never read from.
void pushWrapperTable(lua_State* L, Box* box) {
  if (lua_getiuservalue(L, 1, kMemberTableSlot) == LUA_TTABLE) return;
  lua_pop(L, 1);
  pushMemberTable(L, box->dispatch);
  lua_pushvalue(L, -1);
  lua_setiuservalue(L, 1, kMemberTableSlot);
}

// Pushes what the member table of the wrapper at 1 says of the name at 2: a method closure,
// true (a property read) or nil (not decided yet).
int cachedAccess(lua_State* L, Box* box) {
  pushWrapperTable(L, box);
  lua_pushvalue(L, 2);
  const int type = lua_rawget(L, -2);
  lua_remove(L, -2);
  return type;
}

// Records the decision on top of the stack for the name at 2, leaving the stack as it was.
void rememberAccess(lua_State* L, Box* box) {
  pushWrapperTable(L, box);
  lua_pushvalue(L, 2);
  lua_pushvalue(L, -3);
  lua_rawset(L, -3);
  lua_pop(L, 1);
}

}  // namespace

namespace {

// The read of a name the class decided is a property: kDone with the result pushed, else the
// error value pushed (kFailed) or the method closure (kMissing).
Outcome readProperty(lua_State* L, Box* box, const char* name, int* pushed) {
  const Outcome o = invokeFromLua(L, box->dispatch, name, kQzPropertyGet, 0, -1, true, pushed);
  if (o == Outcome::kMissing) {
    pushMethod(L, 2);
    *pushed = 1;
  }
  return o;
}

}  // namespace

int objectIndex(lua_State* L) {
  // The path of nearly every access: a live wrapper of ours and a name its class decided
  // before. It pops nothing: Lua keeps the top value alone, and popping is dearer than a
  // stack slot. Member tables hold string keys alone, so any other key misses them.
  auto* fast = static_cast<Box*>(lua_touserdata(L, 1));
  if (fast && lua_getmetatable(L, 1) && isObjectMeta(L, lua_upvalueindex(1))) {
    if (fast->ref && fast->dispatch && lua_getiuservalue(L, 1, kMemberTableSlot) == LUA_TTABLE) {
      lua_pushvalue(L, 2);
      const int type = lua_rawget(L, -2);
      if (type == LUA_TFUNCTION) return 1;
      if (type == LUA_TBOOLEAN) {
        int pushed = 0;
        if (readProperty(L, fast, lua_tostring(L, 2), &pushed) == Outcome::kFailed) {
          return lua_error(L);
        }
        return pushed;
      }
    }
    lua_settop(L, 2);
  }
  Box* box = checkLiveObject(L, 1, "member access", lua_upvalueindex(1));
  bool decided = false;
  if (lua_type(L, 2) == LUA_TSTRING) {
    const int cached = cachedAccess(L, box);
    if (cached == LUA_TFUNCTION) return 1;
    lua_pop(L, 1);
    decided = cached == LUA_TBOOLEAN;
  }
  // A remembered name passed the checks when it was first met.
  const char* name = decided ? lua_tostring(L, 2) : checkMemberName(L, 2);
  Access access = decided ? Access::kRead : Access::kTryRead;
  if (!decided) {
    try {
      access = decideAccess(box->dispatch, name);
    } catch (const std::exception&) {
      // a type information object that throws is as good as none
    }
    if (access == Access::kMethod) {
      pushMethod(L, 2);
      rememberAccess(L, box);
      return 1;
    }
    if (access == Access::kRead) {
      lua_pushboolean(L, 1);
      rememberAccess(L, box);
      lua_pop(L, 1);
    }
  }
  int pushed = 0;
  if (readProperty(L, box, name, &pushed) == Outcome::kFailed) return lua_error(L);
  return pushed;
}

int objectNewIndex(lua_State* L) {
  Box* box = checkLiveObject(L, 1, "member assignment", lua_upvalueindex(1));
  const char* name = checkMemberName(L, 2);
  int pushed = 0;
  if (invokeFromLua(L, box->dispatch, name, kQzPropertyPut, 3, 3, false, &pushed) ==
      Outcome::kFailed) {
    return lua_error(L);
  }
  return 0;
}

std::string classNameOf(qzIUnknown* object) {
  qzRef<qzIComNativePointer> native = qzQuery<qzIComNativePointer>(object, qziid::kNativePointer);
  qzVariantS name;
  if (native && native->getClassName(&name) == kQzOk && name.text()) return name.text();
  return "";
}

int boxToString(lua_State* L) {
  Box* box = testBox(L, 1);
  char text[256] = "qz object (released)";
  if (box && box->ref) {
    try {
      if (box->native) {
        std::snprintf(text, sizeof text, "qz native %s: %p", box->native->iid.c_str(),
                      static_cast<void*>(box->ref));
      } else {
        std::string name = classNameOf(box->ref);
        std::snprintf(text, sizeof text, "qz object %s%s%p", name.c_str(), name.empty() ? "" : ": ",
                      boxIdentity(box));
      }
    } catch (const std::exception&) {
      std::snprintf(text, sizeof text, "qz object: %p", boxIdentity(box));
    }
  }
  lua_pushstring(L, text);
  return 1;
}

// __close of both kinds of wrapper: upvalue 1 is the wrapper's metatable.
int boxRelease(lua_State* L) {
  void* p = lua_touserdata(L, 1);
  if (p && lua_getmetatable(L, 1) && lua_rawequal(L, -1, lua_upvalueindex(1))) {
    releaseBox(L, 1, static_cast<Box*>(p));
  }
  return 0;
}

// __gc: the collector took the wrapper out of the weak cache before finalizing it (and a
// state being closed asks the cache no more), so only the reference goes. A wrapper made per
// row (a date value) is collected per row.
int boxCollect(lua_State* L) {
  void* p = lua_touserdata(L, 1);
  if (p && lua_getmetatable(L, 1) &&
      (lua_topointer(L, -1) == objectMetaPointer(L) || lua_rawequal(L, -1, lua_upvalueindex(1)))) {
    releaseBox(L, 1, static_cast<Box*>(p), false);
  }
  return 0;
}

// --- native wrappers --------------------------------------------------------------------

namespace {

// Pushes the results or, returning false, the error value.
bool nativeInvoke(lua_State* L, Box* box, const NativeMethod* method, int* pushed) {
  const int base = lua_gettop(L);
  try {
    std::string where = box->native->iid + "::" + method->name;
    const int n = base - 1;
    std::vector<qzVariantS> values(n);
    std::string problem;
    for (int i = 0; i < n; ++i) {
      if (!toVariant(L, 2 + i, values[i], &problem)) {
        pushMessage(L, "argument " + std::to_string(i + 1) + " of '" + where + "': " + problem);
        return false;
      }
    }
    NativeArgs args(where, std::move(values));
    NativeResults results;
    try {
      method->fn(box->ref, args, results);
    } catch (const NativeCallError& e) {
      std::vector<ErrorLevel> chain{{e.source(), e.description()}};
      for (ErrorLevel& inner : readChain(e.exception())) chain.push_back(std::move(inner));
      pushErrorTable(L, chain);
      return false;
    }
    auto& produced = results.values();
    if (!lua_checkstack(L, static_cast<int>(produced.size()) + 1)) {
      pushMessage(L, "too many results of '" + where + "'");
      return false;
    }
    for (qzVariantS& v : produced) {
      if (!pushVariant(L, v, &problem)) {
        lua_settop(L, base);
        pushMessage(L, "a result of '" + where + "': " + problem);
        return false;
      }
    }
    *pushed = static_cast<int>(produced.size());
    return true;
  } catch (const std::exception& e) {
    lua_settop(L, base);
    pushMessage(L, std::string("qzhost: ") + e.what());
    return false;
  }
}

int nativeCall(lua_State* L) {
  auto* method = static_cast<const NativeMethod*>(lua_touserdata(L, lua_upvalueindex(1)));
  auto* binding = static_cast<const NativeInterface*>(lua_touserdata(L, lua_upvalueindex(2)));
  auto* box = static_cast<Box*>(luaL_testudata(L, 1, kNativeMeta));
  if (!box || box->native != binding) {
    return raise(L, "native method '%s' needs its %s wrapper: call it as nat:%s(...)",
                 method->name.c_str(), binding->iid.c_str(), method->name.c_str());
  }
  if (!box->ref) return raise(L, "%s: the interface was released", method->name.c_str());
  int pushed = 0;
  if (!nativeInvoke(L, box, method, &pushed)) return lua_error(L);
  return pushed;
}

}  // namespace

int nativeIndex(lua_State* L) {
  auto* box = static_cast<Box*>(luaL_checkudata(L, 1, kNativeMeta));
  const char* name = checkMemberName(L, 2);
  const NativeMethod* method = box->native->find(name);
  if (!method) {
    return raise(L, "interface '%s' has no bound method '%s'", box->native->iid.c_str(), name);
  }
  lua_pushlightuserdata(L, const_cast<NativeMethod*>(method));
  lua_pushlightuserdata(L, const_cast<NativeInterface*>(box->native));
  lua_pushcclosure(L, nativeCall, 2);
  return 1;
}

int nativeNewIndex(lua_State* L) {
  auto* box = static_cast<Box*>(luaL_checkudata(L, 1, kNativeMeta));
  return raise(L, "interface '%s' has no properties to assign", box->native->iid.c_str());
}

namespace {

// The class key: the class name and the object's table of virtual slots. The name alone may
// be shared by classes of other modules, or by every object that keeps a base class's name;
// the slot table tells those apart. Empty when the object does not name its class.
std::string memberTableKey(qzIDispatch* dispatch) {
  std::string name;
  try {
    name = classNameOf(dispatch);
  } catch (const std::exception&) {
    return "";
  }
  if (name.empty()) return "";
  char slots[2 + 2 * sizeof(void*) + 2];
  std::snprintf(slots, sizeof slots, "@%p", *reinterpret_cast<void**>(dispatch));
  return name + slots;
}

// Pushes the member table of the object's class; one of its own when its class is unnamed.
void pushMemberTable(lua_State* L, qzIDispatch* dispatch) {
  const std::string key = memberTableKey(dispatch);
  if (key.empty()) {
    lua_newtable(L);
    return;
  }
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kClassesKey);
  lua_pushlstring(L, key.data(), key.size());
  if (lua_rawget(L, -2) != LUA_TTABLE) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushlstring(L, key.data(), key.size());
    lua_pushvalue(L, -2);
    lua_rawset(L, -4);
  }
  lua_remove(L, -2);
}

}  // namespace

int32_t liveWrappers() {
  return g_liveWrappers.load();
}

void publishBox(lua_State* L, int idx, Box* box) {
  box->unpublished = false;
  idx = lua_absindex(L, idx);
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kCacheKey);
  lua_pushvalue(L, idx);
  lua_rawsetp(L, -2, boxIdentity(box));
  lua_pop(L, 1);
}

namespace {

// Pushes the wrapper the cache holds for identity and answers true, or pushes nothing.
bool pushCached(lua_State* L, void* identity) {
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kCacheKey);
  if (lua_rawgetp(L, -1, identity) == LUA_TUSERDATA &&
      static_cast<Box*>(lua_touserdata(L, -1))->ref) {
    lua_remove(L, -2);
    return true;
  }
  lua_pop(L, 2);
  return false;
}

// A new userdata for a wrapper, with its metatable (at meta, or looked up for 0), holding
// nothing yet.
Box* newBox(lua_State* L, int meta = 0) {
  auto* box = static_cast<Box*>(lua_newuserdatauv(L, sizeof(Box), 1));
  *box = Box{nullptr, nullptr, nullptr, nullptr, nullptr, false, true, false, nullptr};
  if (meta) {
    lua_pushvalue(L, meta);
  } else {
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kObjectMetaKey);
  }
  lua_setmetatable(L, -2);
  return box;
}

// Fills the new box on top with a reference of its own to object.
void holdObject(Box* box, qzIUnknown* object) {
  void* dispatch = nullptr;
  if (object->QueryInterface(&qziid::kDispatch, &dispatch) == kQzOk && dispatch) {
    box->dispatch = static_cast<qzIDispatch*>(dispatch);
    box->ref = box->dispatch;
  } else {
    object->AddRef();
    box->ref = object;
  }
  ++g_liveWrappers;
}

}  // namespace

void pushObject(lua_State* L, qzIUnknown* object) {
  if (!object) {
    lua_pushnil(L);
    return;
  }
  bool sole = false;
  void* identity = identityOf(object, &sole);
  // An object nobody else holds (a value made for this result, read per row) skips the cache
  // both ways: no wrapper can hold it, and none can be asked for it before this one is used.
  if (!sole && pushCached(L, identity)) return;
  // The userdata first: if Lua runs out of memory here, no reference has been taken yet.
  Box* box = newBox(L);
  box->identity = identity;
  holdObject(box, object);
  if (!sole) publishBox(L, -1, box);
}

void pushTakenObject(lua_State* L, qzVariantS& v, int meta) {
  qzIUnknown* object = v.value.o;
  if (!object) {
    v.type = kVtUndef;
    lua_pushnil(L);
    return;
  }
  Box* box = newBox(L, meta);  // if Lua runs out of memory here, v keeps its reference to release
  holdObject(box, object);
  v.type = kVtUndef;
  v.value.raw = 0;
  // The handed reference goes now; the count it leaves says whether anyone but the new
  // wrapper holds the object. A value made for this result has no other holder: it needs
  // neither its identity nor the cache until the script uses it.
  if (object->Release() == 1) return;
  if (pushCached(L, boxIdentity(box))) {
    // A wrapper of it lives: that one is the value; the new one lets go at once.
    releaseBox(L, -2, box, false);
    lua_remove(L, -2);
    return;
  }
  publishBox(L, -1, box);
}

}  // namespace qz::luahost
