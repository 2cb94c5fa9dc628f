// What the files of the Lua host's `qz` library share: the wrapper box and its registry keys
// (lua_wrappers.cpp), conversions (lua_conversions.cpp), error values and messages
// (lua_errors.cpp); lua_library.cpp builds the `qz` table from them. Not for callers outside
// the library: lua_objects.h is its interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <lua.hpp>
#include <string>
#include <vector>

#include "interfaces/qzcom.h"
#include "interfaces/record_set.h"
#include "object/com_ref.h"
#include "tools/qzhost/native_registry.h"
#include "variant/variant.h"

namespace qz::luahost {

constexpr const char* kObjectMeta = "qz.object";
constexpr const char* kNativeMeta = "qz.native";
constexpr const char* kErrorMeta = "qz.error";
constexpr const char* kCreateMeta = "qz.createfn";
constexpr const char* kVersion = "1.0";
constexpr int kMaxDepth = 64;               // nesting of tables and arrays
constexpr size_t kMaxChain = 64;            // inner exceptions followed
constexpr lua_Integer kMaxArray = 1 << 24;  // elements of one table passed to an object

// Registry keys: their addresses are unique.
extern char kCacheKey;       // weak-valued: object identity -> its wrapper
extern char kMethodsKey;     // member name -> the method closure
extern char kClassesKey;     // class key -> its member table (see memberTableKey)
extern char kObjectMetaKey;  // the wrappers' metatable, found without hashing its name
extern char kNativeMetaKey;  // the native wrappers' metatable

// A member table maps a name, as the script wrote it, to how a read of it resolves: the
// method closure, or true for a property read. A wrapper's user value is its class's table,
// so a walk asks the type information once per class and name, not per access.
constexpr int kMemberTableSlot = 1;

extern std::atomic<int32_t> g_liveWrappers;

struct Box {
  qzIUnknown* ref;                // the one reference; null once released
  qzIDispatch* dispatch;          // ref as dispatch, when the object offers it
  const NativeInterface* native;  // non-null: a native wrapper, ref is that interface
  void* identity;                 // the "QZIIDUNK" pointer, key of the cache; null: not asked yet
  // The object as a field accessor ("DATABASE.RECORDSETFIELDS"; one reference, or null),
  // asked at its first Field call that answers nil.
  dbIRecordSetFields* fields;
  bool fieldsAsked;
  // Not in the cache yet: the object had no other holder when wrapped (a value made for this
  // result), so nothing but this wrapper can hand it out again until it is used. Entered at
  // its first use (publishBox).
  bool unpublished;
  // As fields, for its rows interface ("DATABASE.RECORDSETROWS"), asked at its first Rows call.
  bool rowsAsked;
  dbIRecordSetRows* rows;
};

// --- wrappers (lua_wrappers.cpp) ---

// The wrappers' metatable as lua_topointer shows it, kept in the state's extra space (which
// openQzLibrary claims, and new threads copy): a userdata's metatable is told ours by one
// comparison of pointers instead of lua_rawequal's lookups, on the path of every access.
inline const void*& objectMetaPointer(lua_State* L) {
  return *static_cast<const void**>(lua_getextraspace(L));
}
// Whether the table on top is the wrappers' metatable, which is also at index meta (a thread
// made before the library was opened has no pointer of its own: the comparison decides).
inline bool isObjectMeta(lua_State* L, int meta) {
  return lua_topointer(L, -1) == objectMetaPointer(L) || lua_rawequal(L, -1, meta);
}

// luaL_testudata for object wrappers alone, on the path of every call. meta is the index of
// the wrappers' metatable when the caller has it as an upvalue; 0 looks it up.
Box* objectBox(lua_State* L, int idx, int meta = 0);
// Enters the wrapper at idx in the cache; called before its object can reach native code.
void publishBox(lua_State* L, int idx, Box* box);
inline void usedBox(lua_State* L, int idx, Box* box) {
  if (box->unpublished) publishBox(L, idx, box);
}
Box* testBox(lua_State* L, int idx);
// The object's "QZIIDUNK" identity, found at the box's first need of it: a wrapper of a value
// nobody else holds may never need it.
void* boxIdentity(Box* box);
// Pushes a wrapper of v's object (nil for none), taking over v's reference: v holds undef
// afterwards, or still its object if Lua fails to make the wrapper.
// meta: the index of the wrappers' metatable, when the caller holds it on the stack; 0 looks
// it up.
void pushTakenObject(lua_State* L, qzVariantS& v, int meta = 0);
// Gives the reference back; cached: also takes the wrapper out of the cache of wrappers.
void releaseBox(lua_State* L, int idx, Box* box, bool cached = true);
Box* checkLiveObject(lua_State* L, int idx, const char* what, int meta = 0);
// A name passed on as a C string: one with a NUL byte would reach the object cut short,
// naming another member or class than the script wrote.
const char* checkName(lua_State* L, int idx, const char* what);
std::string classNameOf(qzIUnknown* object);

enum class Outcome { kDone, kFailed, kMissing };

// Calls a member with the Lua values first..last as arguments. kDone: *pushed results are on
// the stack; kFailed: the error value is; kMissing (only with detectMissing): no row of that
// name took the call, and nothing was pushed.
Outcome invokeFromLua(lua_State* L, qzIDispatch* target, const char* name, int32_t kind, int first,
                      int last, bool detectMissing, int* pushed);

// Metamethods of object and native wrappers.
int objectIndex(lua_State* L);
int objectNewIndex(lua_State* L);
int boxToString(lua_State* L);
int boxRelease(lua_State* L);
int boxCollect(lua_State* L);
int nativeIndex(lua_State* L);
int nativeNewIndex(lua_State* L);

// --- conversions (lua_conversions.cpp) ---

bool toVariant(lua_State* L, int idx, qzVariantS& out, std::string* problem, int depth = 0);
// Objects in v, also inside its arrays, go to their wrappers with v's reference: v holds undef
// in their place afterwards.
bool pushVariant(lua_State* L, qzVariantS& v, std::string* problem, int depth = 0);

// toVariant's scalars, on the path of every call, into an undef variant. False leaves out as it
// was, for toVariant to convert or refuse.
inline bool quickVariant(lua_State* L, int idx, qzVariantS& out) {
  switch (lua_type(L, idx)) {
    case LUA_TNUMBER: {
      if (!lua_isinteger(L, idx)) {
        out.setFloat(lua_tonumberx(L, idx, nullptr));
        return true;
      }
      const lua_Integer v = lua_tointegerx(L, idx, nullptr);
      if (v < INT32_MIN || v > INT32_MAX) return false;
      out.setInt(static_cast<int32_t>(v));
      return true;
    }
    case LUA_TNONE:
    case LUA_TNIL:
      return true;
    case LUA_TBOOLEAN:
      out.setInt(lua_toboolean(L, idx) ? 1 : 0);
      return true;
    default:
      return false;
  }
}

// pushVariant's scalars and strings: false pushes nothing, for pushVariant to do.
inline bool quickPush(lua_State* L, const qzVariantS& v) {
  switch (v.type) {
    case kVtUndef:
      lua_pushnil(L);
      return true;
    case kVtInt:
      lua_pushinteger(L, v.value.i);
      return true;
    case kVtFloat:
      lua_pushnumber(L, v.value.f);
      return true;
    case kVtString:
      // The string knows its length (it holds no NUL): no strlen.
      if (v.value.s) {
        lua_pushlstring(L, v.value.s->c_str(), v.value.s->length());
      } else {
        lua_pushliteral(L, "");
      }
      return true;
    case kVtByte:
      lua_pushinteger(L, v.value.b);
      return true;
    default:
      return false;
  }
}

// --- errors and messages (lua_errors.cpp) ---

// Pushes "chunk:line: " of the innermost Lua code running, or "".
void pushWhere(lua_State* L);
// luaL_error with pushWhere's position.
int raise(lua_State* L, const char* format, ...);
// Pushes "where: text", where is the position of the calling Lua code.
void pushMessage(lua_State* L, const std::string& text);

struct ErrorLevel {
  ErrorLevel() = default;
  ErrorLevel(std::string s, std::string d) : source(std::move(s)), description(std::move(d)) {}

  std::string source;
  std::string description;
  std::string sqlState;  // of a database error ("QZISQLERROR"), else empty
  int32_t vendorCode = 0;
  std::string detail;  // what qzhost adds to a bare "Object call failed"
  bool database() const { return !sqlState.empty() || vendorCode != 0; }
};

std::vector<ErrorLevel> readChain(qzIUnknown* exception);
void pushErrorTable(lua_State* L, const std::vector<ErrorLevel>& chain);
// Metamethods of error values.
int errorToString(lua_State* L);
int errorConcat(lua_State* L);

struct MemberDesc {
  std::string name;
  int32_t kind = kQzMethod;  // kQzMethod, kQzPropertyGet or kQzPropertyPut
  int32_t arguments = 0;     // the fewest a call takes
  int32_t optional = 0;      // how many more it may take
};

// The members of an object from its type information (its method table); empty when it
// has none.
std::vector<MemberDesc> describeMembers(qzIUnknown* object);
const char* kindWord(int32_t kind);
// What the fixed "Object call failed" leaves out: which member of which class, and what it
// expected. Empty when the object does not describe itself.
std::string callDetail(qzIUnknown* object, const char* name, int32_t kind, int given,
                       const std::string& source);
// Whether the wrapper's object is a field accessor, asked once per wrapper.
bool askFieldsAccessor(Box* box);
inline bool fieldsAccessor(Box* box) {
  return box->fieldsAsked ? box->fields != nullptr : askFieldsAccessor(box);
}
// After a field accessor's Field answered nil (on top) for the column at columnIdx: raises
// the error naming the column when the result has no such column, else returns 1 (the nil
// stays the result: a NULL).
int missingColumnCheck(lua_State* L, Box* box, int columnIdx);

}  // namespace qz::luahost
