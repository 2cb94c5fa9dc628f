// Lua values to variants and back, for the arguments and results of calls.

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

}  // namespace

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
      usedBox(L, idx, box);
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
bool pushVariant(lua_State* L, qzVariantS& v, std::string* problem, int depth) {
  if (quickPush(L, v)) return true;
  switch (v.type) {
    case kVtObject:
      pushTakenObject(L, v);
      return true;
    case kVtArray: {
      if (depth >= kMaxDepth || !lua_checkstack(L, 3)) {
        *problem = "arrays nested deeper than 64 levels";
        return false;
      }
      qzVariantArrayC* array = v.value.a;
      const int32_t n = array ? array->count() : 0;
      lua_createtable(L, n, 1);
      // A page of 8 elements lies in one piece: one call into the array's module per page.
      constexpr int32_t kPage = qzVariantArrayC::kPageElements;
      for (int32_t first = 0; first < n; first += kPage) {
        qzVariantS* page = &array->element(first);
        const int32_t size = n - first < kPage ? n - first : kPage;
        for (int32_t j = 0; j < size; ++j) {
          qzVariantS& element = page[j];
          if (element.type == kVtObject) {
            pushTakenObject(L, element);
          } else if (!quickPush(L, element) && !pushVariant(L, element, problem, depth + 1)) {
            lua_pop(L, 1);
            return false;
          }
          lua_rawseti(L, -2, first + j + 1);
        }
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

}  // namespace qz::luahost
