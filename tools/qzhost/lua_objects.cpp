#include "tools/qzhost/lua_objects.h"

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

#include "tools/qzhost/native_registry.h"
#include "variant/variant.h"

// Lua raises errors with longjmp, which skips C++ destructors. So no function here raises a
// Lua error while it has a C++ object with a destructor in scope: the C++ work happens in
// helpers that return after pushing either results or an error value, and only their caller,
// holding plain values alone, calls lua_error. (Memory errors of the Lua API itself are the
// one exception; they leak what is in scope.)

namespace qz::luahost {
namespace {

constexpr const char* kObjectMeta = "qz.object";
constexpr const char* kNativeMeta = "qz.native";
constexpr const char* kErrorMeta = "qz.error";
constexpr const char* kCreateMeta = "qz.createfn";
constexpr const char* kVersion = "1.0";
constexpr int kMaxDepth = 64;               // nesting of tables and arrays
constexpr size_t kMaxChain = 64;            // inner exceptions followed
constexpr lua_Integer kMaxArray = 1 << 24;  // elements of one table passed to an object

// Registry keys: their addresses are unique.
char kCacheKey;       // weak-valued: object identity -> its wrapper
char kMethodsKey;     // member name -> the method closure
char kClassesKey;     // class key -> its member table (see memberTableKey)
char kObjectMetaKey;  // the wrappers' metatable, found without hashing its name

// A member table maps a name, as the script wrote it, to how a read of it resolves: the
// method closure, or true for a property read. A wrapper's user value is its class's table,
// so a walk asks the type information once per class and name, not per access.
constexpr int kMemberTableSlot = 1;

std::atomic<int32_t> g_liveWrappers{0};

struct Box {
  qzIUnknown* ref;                // the one reference; null once released
  qzIDispatch* dispatch;          // ref as dispatch, when the object offers it
  const NativeInterface* native;  // non-null: a native wrapper, ref is that interface
  void* identity;                 // the "QZIIDUNK" pointer: key of the cache
};

// luaL_testudata for object wrappers alone, on the path of every call. meta is the index of
// the wrappers' metatable when the caller has it as an upvalue; 0 looks it up.
Box* objectBox(lua_State* L, int idx, int meta = 0) {
  void* p = lua_touserdata(L, idx);
  if (!p || !lua_getmetatable(L, idx)) return nullptr;
  const bool lookUp = meta == 0;
  if (lookUp) lua_rawgetp(L, LUA_REGISTRYINDEX, &kObjectMetaKey);
  const bool ours = lua_rawequal(L, -1, lookUp ? -2 : meta);
  lua_pop(L, lookUp ? 2 : 1);
  return ours ? static_cast<Box*>(p) : nullptr;
}

Box* testBox(lua_State* L, int idx) {
  void* p = luaL_testudata(L, idx, kObjectMeta);
  if (!p) p = luaL_testudata(L, idx, kNativeMeta);
  return static_cast<Box*>(p);
}

void releaseBox(lua_State* L, int idx, Box* box) {
  if (!box->ref) return;
  qzIUnknown* ref = std::exchange(box->ref, nullptr);
  box->dispatch = nullptr;
  --g_liveWrappers;
  if (!box->native) {
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

void* identityOf(qzIUnknown* object) {
  void* identity = nullptr;
  if (object->QueryInterface(&qziid::kUnknown, &identity) == kQzOk && identity) {
    static_cast<qzIUnknown*>(identity)->Release();
    return identity;
  }
  return object;
}

// Pushes "chunk:line: " of the innermost Lua code running, or "". Unlike luaL_where it looks
// past C functions, so a call made by pcall(obj.method, obj) still tells where it was made.
void pushWhere(lua_State* L) {
  lua_Debug ar;
  for (int level = 1; lua_getstack(L, level, &ar); ++level) {
    if (lua_getinfo(L, "Sl", &ar) && ar.currentline > 0) {
      lua_pushfstring(L, "%s:%d: ", ar.short_src, ar.currentline);
      return;
    }
  }
  lua_pushliteral(L, "");
}

// luaL_error with pushWhere's position.
int raise(lua_State* L, const char* format, ...) {
  va_list args;
  va_start(args, format);
  pushWhere(L);
  lua_pushvfstring(L, format, args);
  va_end(args);
  lua_concat(L, 2);
  return lua_error(L);
}

// Pushes "where: text", where is the position of the calling Lua code.
void pushMessage(lua_State* L, const std::string& text) {
  pushWhere(L);
  lua_pushlstring(L, text.data(), text.size());
  lua_concat(L, 2);
}

// --- conversions ------------------------------------------------------------------------

bool toVariant(lua_State* L, int idx, qzVariantS& out, std::string* problem, int depth = 0);

std::string keyText(lua_State* L, int idx) {
  switch (lua_type(L, idx)) {
    case LUA_TSTRING:
      return std::string("'") + lua_tostring(L, idx) + "'";
    case LUA_TNUMBER:
      return lua_isinteger(L, idx) ? std::to_string(lua_tointeger(L, idx))
                                   : std::to_string(lua_tonumber(L, idx));
    default:
      return std::string("of type ") + luaL_typename(L, idx);
  }
}

// A sequence 1..n becomes an array; "n" (as table.pack sets it) gives the count, so holes
// pass as undef. Any other key would be lost, so it is refused.
bool tableToVariant(lua_State* L, int idx, qzVariantS& out, std::string* problem, int depth) {
  if (depth >= kMaxDepth) {
    *problem = "tables nested deeper than 64 levels (does a table contain itself?)";
    return false;
  }
  if (!lua_checkstack(L, 4)) {
    *problem = "Lua stack exhausted";
    return false;
  }
  lua_Integer count = 0;
  lua_pushliteral(L, "n");
  bool counted =
      lua_rawget(L, idx) == LUA_TNUMBER && lua_isinteger(L, -1) && lua_tointeger(L, -1) >= 0;
  count = counted ? lua_tointeger(L, -1) : static_cast<lua_Integer>(lua_rawlen(L, idx));
  lua_pop(L, 1);
  if (count > kMaxArray) {
    *problem = "a table of more than 16777216 elements";
    return false;
  }
  lua_pushnil(L);
  while (lua_next(L, idx)) {
    lua_pop(L, 1);
    bool index = lua_type(L, -1) == LUA_TNUMBER && lua_isinteger(L, -1) &&
                 lua_tointeger(L, -1) >= 1 && lua_tointeger(L, -1) <= count;
    bool n =
        counted && lua_type(L, -1) == LUA_TSTRING && std::strcmp(lua_tostring(L, -1), "n") == 0;
    if (!index && !n) {
      *problem = "a table that is not a sequence (key " + keyText(L, -1) + ")";
      lua_pop(L, 1);
      return false;
    }
  }
  auto array = std::make_unique<qzVariantArrayC>();
  array->resize(static_cast<int32_t>(count));
  for (lua_Integer i = 1; i <= count; ++i) {
    lua_rawgeti(L, idx, i);
    bool ok = toVariant(L, -1, array->element(static_cast<int32_t>(i - 1)), problem, depth + 1);
    lua_pop(L, 1);
    if (!ok) {
      *problem = "element " + std::to_string(i) + ": " + *problem;
      return false;
    }
  }
  out.setArray(array.release());
  return true;
}

bool toVariant(lua_State* L, int idx, qzVariantS& out, std::string* problem, int depth) {
  idx = lua_absindex(L, idx);
  switch (lua_type(L, idx)) {
    case LUA_TNONE:
    case LUA_TNIL:
      out.clear();
      return true;
    case LUA_TBOOLEAN:
      out.setInt(lua_toboolean(L, idx) ? 1 : 0);
      return true;
    case LUA_TNUMBER: {
      if (!lua_isinteger(L, idx)) {
        out.setFloat(lua_tonumber(L, idx));
        return true;
      }
      lua_Integer n = lua_tointeger(L, idx);
      if (n >= INT32_MIN && n <= INT32_MAX) {
        out.setInt(static_cast<int32_t>(n));
        return true;
      }
      // Beyond 32 bits the value goes as a float, but only when the float is exactly it.
      double d = static_cast<double>(n);
      if (d < 9223372036854775808.0 && static_cast<lua_Integer>(d) == n) {
        out.setFloat(d);
        return true;
      }
      *problem = "the integer " + std::to_string(n) + " fits neither 32 bits nor a float exactly";
      return false;
    }
    case LUA_TSTRING: {
      size_t length = 0;
      const char* s = lua_tolstring(L, idx, &length);
      if (const void* nul = std::memchr(s, '\0', length)) {
        *problem = "a string with a NUL byte at position " +
                   std::to_string(static_cast<const char*>(nul) - s + 1) +
                   " (component strings end at the first NUL; the rest would be lost)";
        return false;
      }
      out.setString(s, length);
      return true;
    }
    case LUA_TUSERDATA: {
      Box* box = testBox(L, idx);
      if (!box) {
        *problem = "a userdata that is not a qz object";
        return false;
      }
      if (!box->ref) {
        *problem = "an object that was released";
        return false;
      }
      out.setObject(box->ref);
      return true;
    }
    case LUA_TTABLE:
      return tableToVariant(L, idx, out, problem, depth);
    default:
      *problem = std::string("a ") + luaL_typename(L, idx) + " cannot be passed to an object";
      return false;
  }
}

// False with *problem when the value has no Lua form; the stack is then as before.
bool pushVariant(lua_State* L, const qzVariantS& v, std::string* problem, int depth = 0) {
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
      lua_pushstring(L, v.text());
      return true;
    case kVtByte:
      lua_pushinteger(L, v.value.b);
      return true;
    case kVtObject:
      pushObject(L, v.value.o);
      return true;
    case kVtArray: {
      if (depth >= kMaxDepth || !lua_checkstack(L, 3)) {
        *problem = "arrays nested deeper than 64 levels";
        return false;
      }
      qzVariantArrayC* array = v.value.a;
      int32_t n = array ? array->count() : 0;
      lua_createtable(L, n, 1);
      for (int32_t i = 0; i < n; ++i) {
        if (!pushVariant(L, array->element(i), problem, depth + 1)) {
          lua_pop(L, 1);
          return false;
        }
        lua_rawseti(L, -2, i + 1);
      }
      lua_pushinteger(L, n);
      lua_setfield(L, -2, "n");
      return true;
    }
    default:
      *problem = "a value of unknown variant type " + std::to_string(v.type);
      return false;
  }
}

// --- call errors ------------------------------------------------------------------------

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

std::vector<ErrorLevel> readChain(qzIUnknown* exception) {
  std::vector<ErrorLevel> chain;
  qzRef<qzIUnknown> current = qzRef<qzIUnknown>::share(exception);
  while (current && chain.size() < kMaxChain) {
    qzRef<qzIException> e = qzQuery<qzIException>(current.get(), qziid::kException);
    if (!e) {
      chain.push_back({"", "an error object that is not a call exception"});
      break;
    }
    ErrorLevel level;
    qzVariantS text;
    if (e->getSource(&text) == kQzOk && text.text()) level.source = text.text();
    if (e->getDescription(&text) == kQzOk && text.text()) level.description = text.text();
    // Exception objects of other modules may not know the interface: they answer without it.
    if (qzRef<qzISqlError> sql = qzQuery<qzISqlError>(current.get(), qziid::kSqlError)) {
      if (sql->getSqlState(&text) == kQzOk && text.text()) level.sqlState = text.text();
      if (sql->getVendorCode(&level.vendorCode) != kQzOk) level.vendorCode = 0;
    }
    chain.push_back(std::move(level));
    qzIUnknown* inner = nullptr;
    if (e->getInnerException(&inner) != kQzOk) inner = nullptr;
    current = qzRef<qzIUnknown>(inner);
  }
  return chain;
}

// Pushes the error value: a table {source, description, inner, where} per level, innermost
// first, each with the qz.error metatable. sqlstate and vendorcode are the level's own or,
// failing that, the nearest inner level's: the driver's state sits below the generic failure
// of the member that a script catches.
void pushErrorTable(lua_State* L, const std::vector<ErrorLevel>& chain) {
  lua_pushnil(L);
  const ErrorLevel* database = nullptr;
  for (auto level = chain.rbegin(); level != chain.rend(); ++level) {
    if (level->database()) database = &*level;
    lua_createtable(L, 0, 7);
    lua_pushlstring(L, level->source.data(), level->source.size());
    lua_setfield(L, -2, "source");
    lua_pushlstring(L, level->description.data(), level->description.size());
    lua_setfield(L, -2, "description");
    if (!level->detail.empty()) {
      lua_pushlstring(L, level->detail.data(), level->detail.size());
      lua_setfield(L, -2, "detail");
    }
    if (database) {
      lua_pushlstring(L, database->sqlState.data(), database->sqlState.size());
      lua_setfield(L, -2, "sqlstate");
      lua_pushinteger(L, database->vendorCode);
      lua_setfield(L, -2, "vendorcode");
    }
    lua_rotate(L, -2, 1);  // inner on top
    lua_setfield(L, -2, "inner");
    luaL_setmetatable(L, kErrorMeta);
  }
  pushWhere(L);
  lua_setfield(L, -2, "where");
}

int errorToString(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_settop(L, 1);
  {
    std::string text;
    lua_getfield(L, 1, "where");
    if (lua_type(L, -1) == LUA_TSTRING) text = lua_tostring(L, -1);
    lua_pop(L, 1);
    lua_pushvalue(L, 1);
    for (size_t level = 0; level < kMaxChain && lua_istable(L, -1); ++level) {
      if (level) text += "\n  inner: ";
      lua_getfield(L, -1, "source");
      if (lua_type(L, -1) == LUA_TSTRING) text += lua_tostring(L, -1);
      lua_getfield(L, -2, "description");
      if (lua_type(L, -1) == LUA_TSTRING) text += std::string(": ") + lua_tostring(L, -1);
      if (lua_getfield(L, -3, "detail") == LUA_TSTRING)
        text += std::string(" (") + lua_tostring(L, -1) + ")";
      lua_pop(L, 1);
      // The state is told where it arose: on the level whose inner one has another or none.
      if (lua_getfield(L, -3, "sqlstate") == LUA_TSTRING && lua_rawlen(L, -1) > 0) {
        bool own = true;
        if (lua_getfield(L, -4, "inner") == LUA_TTABLE) {
          lua_getfield(L, -1, "sqlstate");
          own = !lua_rawequal(L, -1, -3);
          lua_pop(L, 1);
        }
        lua_pop(L, 1);
        if (own) text += std::string(" (SQL state ") + lua_tostring(L, -1) + ")";
      }
      lua_pop(L, 1);
      lua_getfield(L, -3, "inner");
      lua_replace(L, -4);
      lua_pop(L, 2);
    }
    lua_pop(L, 1);
    lua_pushlstring(L, text.data(), text.size());
  }
  return 1;
}

// So that "failed: " .. err works as it does with a message.
int errorConcat(lua_State* L) {
  luaL_tolstring(L, 1, nullptr);
  luaL_tolstring(L, 2, nullptr);
  lua_concat(L, 2);
  return 1;
}

// --- calls ------------------------------------------------------------------------------

enum class Outcome { kDone, kFailed, kMissing };

std::string classNameOf(qzIUnknown* object);

struct MemberDesc {
  std::string name;
  int32_t kind = kQzMethod;  // kQzMethod, kQzPropertyGet or kQzPropertyPut
  int32_t arguments = 0;     // the fewest a call takes
  int32_t optional = 0;      // how many more it may take
};

// The members of an object from its type information (its method table); empty when it
// has none.
std::vector<MemberDesc> describeMembers(qzIUnknown* object) {
  std::vector<MemberDesc> members;
  qzRef<qzIComTypeInfo> info = qzQuery<qzIComTypeInfo>(object, qziid::kTypeInfo);
  qzRef<qzIUnknown> all;
  if (!info || info->getMembers(kQzMethod | kQzPropertyGet | kQzPropertyPut, all.out()) != kQzOk) {
    return members;
  }
  qzRef<qzIComObjectCollection> list =
      qzQuery<qzIComObjectCollection>(all.get(), qziid::kObjectCollection);
  int32_t count = 0;
  if (!list || list->getCount(&count) != kQzOk) return members;
  for (int32_t i = 0; i < count; ++i) {
    qzRef<qzIUnknown> item;
    if (list->getItem(i, item.out()) != kQzOk) continue;
    MemberDesc d;
    qzVariantS name;
    if (auto m = qzQuery<qzIComMethodeTypeInfo>(item.get(), qziid::kMethodTypeInfo)) {
      if (m->getName(&name) == kQzOk && name.text()) d.name = name.text();
      m->getMinParameterCount(&d.arguments);
      m->getOptionalParameterCount(&d.optional);
    } else if (auto p = qzQuery<qzIComPropertyTypeInfo>(item.get(), qziid::kPropertyTypeInfo)) {
      if (p->getName(&name) == kQzOk && name.text()) d.name = name.text();
      p->getKind(&d.kind);
      d.arguments = d.kind == kQzPropertyPut ? 1 : 0;
    } else {
      continue;
    }
    members.push_back(std::move(d));
  }
  return members;
}

const char* kindWord(int32_t kind) {
  return kind == kQzMethod ? "method" : kind == kQzPropertyGet ? "property" : "property put";
}

std::string lowerText(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

// What the fixed "Object call failed" leaves out: which member of which class, and what it
// expected. Empty when the object does not describe itself.
std::string callDetail(qzIUnknown* object, const char* name, int32_t kind, int given,
                       const std::string& source) {
  std::vector<MemberDesc> members = describeMembers(object);
  if (members.empty()) return "";
  std::string cls = classNameOf(object);
  std::string of = cls.empty() ? "" : " of " + cls;
  std::vector<const MemberDesc*> same;
  for (const MemberDesc& m : members) {
    if (lowerText(m.name) == lowerText(name)) same.push_back(&m);
  }
  if (same.empty()) {
    std::string detail =
        (cls.empty() ? std::string("the object") : cls) + " has no member '" + name + "'";
    const MemberDesc* best = nullptr;
    size_t bestDistance = 3;
    for (const MemberDesc& m : members) {
      size_t d = editDistance(lowerText(m.name), lowerText(name));
      if (!m.name.empty() && d < bestDistance) {
        best = &m;
        bestDistance = d;
      }
    }
    if (best) detail += " (did you mean '" + best->name + "'?)";
    return detail;
  }
  for (const MemberDesc* m : same) {
    if (m->kind != kind && !(kind == kQzMethod && m->kind == kQzPropertyGet)) continue;
    if (given < m->arguments || given > m->arguments + m->optional) {
      std::string expected = std::to_string(m->arguments);
      if (m->optional > 0) expected += " to " + std::to_string(m->arguments + m->optional);
      return std::string(kindWord(m->kind)) + " '" + m->name + "'" + of + " takes " + expected +
             " argument" + (expected == "1" ? "" : "s") + ", got " + std::to_string(given);
    }
  }
  size_t para = source.find("(Para:");
  if (para != std::string::npos) {
    return "argument " + source.substr(para + 6, source.find(')', para) - para - 6) + " of '" +
           name + "'" + of + " is not of a type it takes";
  }
  if (std::none_of(same.begin(), same.end(),
                   [&](const MemberDesc* m) { return m->kind == kind; })) {
    return std::string("'") + name + "'" + of + " is a " + kindWord(same.front()->kind) +
           ", not a " + kindWord(kind);
  }
  return "";
}

// Calls a member with the Lua values first..last as arguments. kDone: *pushed results are on
// the stack; kFailed: the error value is; kMissing (only with detectMissing): no row of that
// name took the call, and nothing was pushed.
Outcome invokeFromLua(lua_State* L, qzIDispatch* target, const char* name, int32_t kind, int first,
                      int last, bool detectMissing, int* pushed) {
  const int base = lua_gettop(L);
  try {
    const int n = last >= first ? last - first + 1 : 0;
    // Calls take a few arguments: those stay off the heap.
    qzVariantS few[4];
    std::vector<qzVariantS> many;
    qzVariantS* args = few;
    if (n > 4) {
      many.resize(n);
      args = many.data();
    }
    std::string problem;
    for (int i = 0; i < n; ++i) {
      if (!toVariant(L, first + i, args[i], &problem)) {
        pushMessage(L, "argument " + std::to_string(i + 1) + " of '" + name + "': " + problem);
        return Outcome::kFailed;
      }
    }
    qzVariantS result;
    qzIUnknown* raw = nullptr;
    int32_t rc = target->invoke(name, kind, n, n ? args : nullptr, &result, &raw);
    qzRef<qzIUnknown> exception(raw);
    if (rc == kQzOk) {
      *pushed = 0;
      if (kind == kQzPropertyPut) return Outcome::kDone;
      if (!pushVariant(L, result, &problem)) {
        pushMessage(L, std::string("the result of '") + name + "': " + problem);
        return Outcome::kFailed;
      }
      *pushed = 1;
      return Outcome::kDone;
    }
    std::vector<ErrorLevel> chain = readChain(exception.get());
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
    return Outcome::kFailed;
  } catch (const std::exception& e) {
    lua_settop(L, base);
    pushMessage(L, std::string("qzhost: ") + e.what());
    return Outcome::kFailed;
  }
}

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

Box* checkLiveObject(lua_State* L, int idx, const char* what, int meta = 0) {
  Box* box = objectBox(L, idx, meta);
  if (!box) {
    raise(L, "%s: a qz object expected, got %s", what, luaL_typename(L, idx));
    return nullptr;
  }
  if (!box->ref) raise(L, "%s: the object was released", what);
  if (!box->dispatch) raise(L, "%s: the object offers no scriptable interface", what);
  return box;
}

// Field answers nil for NULL and for a column the result does not have alike (the member
// never raises), so a misspelt column would read as NULL on every row. When a field accessor's
// Field gives nil, the column's name (code 1, which every column has) tells the two apart.
// True, with *message, when the column at columnIdx is not in the result.
bool missingColumn(lua_State* L, qzIDispatch* target, const char* name, int columnIdx,
                   std::string* message) {
  if (strcasecmp(name, "Field") != 0 || lua_gettop(L) < columnIdx || !lua_isnil(L, -1)) {
    return false;
  }
  qzIIDS fieldsId = qzMakeIID("DATABASE.RECORDSETFIELDS", 0);
  void* fields = nullptr;
  if (target->QueryInterface(&fieldsId, &fields) != kQzOk || !fields) return false;
  static_cast<qzIUnknown*>(fields)->Release();
  auto call = [&](const char* member, int32_t kind, std::vector<qzVariantS>& args) {
    qzVariantS result;
    qzIUnknown* raw = nullptr;
    int32_t rc = target->invoke(member, kind, static_cast<int32_t>(args.size()),
                                args.empty() ? nullptr : args.data(), &result, &raw);
    qzRef<qzIUnknown> dropped(raw);
    return rc == kQzOk ? std::move(result) : qzVariantS();
  };
  std::vector<qzVariantS> args(2);
  std::string problem;
  if (!toVariant(L, columnIdx, args[0], &problem)) return false;
  args[1].setInt(1);
  if (call("Field", kQzMethod, args).type != kVtUndef) return false;
  std::vector<qzVariantS> none;
  qzVariantS count = call("Count", kQzPropertyGet, none);
  int32_t columns = 0;
  if (count.getIntNoConvert(&columns) != 0) columns = 0;
  const char* column = luaL_tolstring(L, columnIdx, nullptr);
  *message = std::string("Field: the result has no column ") +
             (lua_type(L, columnIdx) == LUA_TSTRING ? "'" + std::string(column) + "'" : column) +
             " (" + std::to_string(columns) + (columns == 1 ? " column" : " columns");
  lua_pop(L, 1);
  // The names, while they fit on a line.
  for (int32_t c = 0; c < columns && c < 12; ++c) {
    args[0].setInt(c);
    qzVariantS n = call("Field", kQzMethod, args);
    *message += (c == 0 ? ": " : ", ") + std::string(n.type == kVtString ? n.text() : "?");
  }
  *message += columns > 12 ? ", ...)" : ")";
  return true;
}

int methodCall(lua_State* L) {
  const char* name = lua_tostring(L, lua_upvalueindex(1));
  if (!objectBox(L, 1, lua_upvalueindex(2))) {
    return raise(L, "method '%s' needs its object: call it as obj:%s(...)", name, name);
  }
  auto* box = static_cast<Box*>(lua_touserdata(L, 1));
  if (!box->ref) raise(L, "%s: the object was released", name);
  if (!box->dispatch) raise(L, "%s: the object offers no scriptable interface", name);
  int pushed = 0;
  if (invokeFromLua(L, box->dispatch, name, kQzMethod, 2, lua_gettop(L), false, &pushed) ==
      Outcome::kFailed) {
    return lua_error(L);
  }
  std::string missing;
  if (pushed == 1 && missingColumn(L, box->dispatch, name, 2, &missing)) {
    return raise(L, "%s", missing.c_str());
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
    lua_pushcclosure(L, methodCall, 2);
    lua_pushvalue(L, nameIdx);
    lua_pushvalue(L, -2);
    lua_rawset(L, -4);
  }
  lua_remove(L, -2);
}

// A name passed on as a C string: one with a NUL byte would reach the object cut short,
// naming another member or class than the script wrote.
const char* checkName(lua_State* L, int idx, const char* what) {
  size_t length = 0;
  const char* name = luaL_checklstring(L, idx, &length);
  if (std::memchr(name, '\0', length)) raise(L, "%s with a NUL byte is refused", what);
  return name;
}

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

int objectIndex(lua_State* L) {
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
  switch (invokeFromLua(L, box->dispatch, name, kQzPropertyGet, 0, -1, true, &pushed)) {
    case Outcome::kFailed:
      return lua_error(L);
    case Outcome::kMissing:
      pushMethod(L, 2);
      return 1;
    case Outcome::kDone:
      break;
  }
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
                      box->identity);
      }
    } catch (const std::exception&) {
      std::snprintf(text, sizeof text, "qz object: %p", box->identity);
    }
  }
  lua_pushstring(L, text);
  return 1;
}

int boxRelease(lua_State* L) {
  if (Box* box = testBox(L, 1)) releaseBox(L, 1, box);
  return 0;
}

// --- native wrappers --------------------------------------------------------------------

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
    const auto& produced = results.values();
    if (!lua_checkstack(L, static_cast<int>(produced.size()) + 1)) {
      pushMessage(L, "too many results of '" + where + "'");
      return false;
    }
    for (const qzVariantS& v : produced) {
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
  const char* iid = checkName(L, 2, "qz.native: an interface name");
  const NativeInterface* binding = findNativeInterface(iid);
  if (!binding) return raise(L, "qz.native: no bindings for interface '%s'", iid);
  auto* native = static_cast<Box*>(lua_newuserdatauv(L, sizeof(Box), 0));
  *native = Box{nullptr, nullptr, binding, nullptr};
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
  std::string missing;
  if (kind == kQzMethod && pushed == 1 && missingColumn(L, box->dispatch, name, 3, &missing)) {
    return raise(L, "%s", missing.c_str());
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

void pushObject(lua_State* L, qzIUnknown* object) {
  if (!object) {
    lua_pushnil(L);
    return;
  }
  void* identity = identityOf(object);
  lua_rawgetp(L, LUA_REGISTRYINDEX, &kCacheKey);
  if (lua_rawgetp(L, -1, identity) == LUA_TUSERDATA &&
      static_cast<Box*>(lua_touserdata(L, -1))->ref) {
    lua_remove(L, -2);
    return;
  }
  lua_pop(L, 1);
  // The userdata first: if Lua runs out of memory here, no reference has been taken yet.
  auto* box = static_cast<Box*>(lua_newuserdatauv(L, sizeof(Box), 1));
  *box = Box{nullptr, nullptr, nullptr, identity};
  luaL_setmetatable(L, kObjectMeta);
  void* dispatch = nullptr;
  if (object->QueryInterface(&qziid::kDispatch, &dispatch) == kQzOk && dispatch) {
    box->dispatch = static_cast<qzIDispatch*>(dispatch);
    box->ref = box->dispatch;
  } else {
    object->AddRef();
    box->ref = object;
  }
  ++g_liveWrappers;
  lua_pushvalue(L, -1);
  lua_rawsetp(L, -3, identity);
  lua_remove(L, -2);
}

void openQzLibrary(lua_State* L, CreateFn create) {
  const luaL_Reg objectMeta[] = {{"__index", objectIndex},    {"__newindex", objectNewIndex},
                                 {"__gc", boxRelease},        {"__close", boxRelease},
                                 {"__tostring", boxToString}, {nullptr, nullptr}};
  const luaL_Reg nativeMeta[] = {{"__index", nativeIndex},    {"__newindex", nativeNewIndex},
                                 {"__gc", boxRelease},        {"__close", boxRelease},
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
  lua_rawsetp(L, LUA_REGISTRYINDEX, &kObjectMetaKey);

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
