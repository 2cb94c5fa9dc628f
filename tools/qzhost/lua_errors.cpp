// Failed calls as Lua error values, and the messages that tell a script what went wrong.
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

namespace {

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

}  // namespace

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

// Field answers nil for NULL and for a column the result does not have alike (the member
// never raises), so a misspelt column would read as NULL on every row. When a field accessor's
// Field gives nil, the column's name (code 1, which every column has) tells the two apart.
// True, with *message, when the column at columnIdx is not in the result.
bool askFieldsAccessor(Box* box) {
  void* fields = nullptr;
  if (box->dispatch->QueryInterface(&dbiid::kRecordSetFields, &fields) != kQzOk) fields = nullptr;
  box->fields = static_cast<dbIRecordSetFields*>(fields);
  box->fieldsAsked = true;
  return fields != nullptr;
}

namespace {

// The engine's Field never fails: a column it does not have reads as nil, like a NULL. Only
// a column that has a name (code 1) exists.
bool missingColumn(lua_State* L, Box* box, int columnIdx, std::string* message) {
  // A NULL in a column given by number, as a walk reads them: the accessor's own slot says the
  // column is there, without a call by name. (A name may hold references that only Field
  // resolves: those ask Field.)
  if (lua_isinteger(L, columnIdx)) {
    const lua_Integer index = lua_tointeger(L, columnIdx);
    if (index >= INT32_MIN && index <= INT32_MAX) {
      qzVariantS column, kind;
      column.setInt(static_cast<int32_t>(index));
      if (box->fields->getField(&column, kDbFieldKind, &kind) == kQzOk) return false;
    }
  }
  qzIDispatch* target = box->dispatch;
  auto call = [&](const char* member, int32_t kind, int32_t n, qzVariantS* args) {
    qzVariantS result;
    qzIUnknown* raw = nullptr;
    int32_t rc = target->invoke(member, kind, n, args, &result, &raw);
    qzRef<qzIUnknown> dropped(raw);
    return rc == kQzOk ? std::move(result) : qzVariantS();
  };
  qzVariantS args[2];
  std::string problem;
  if (!toVariant(L, columnIdx, args[0], &problem)) return false;
  args[1].setInt(1);
  if (call("Field", kQzMethod, 2, args).type != kVtUndef) return false;
  qzVariantS count = call("Count", kQzPropertyGet, 0, nullptr);
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
    qzVariantS n = call("Field", kQzMethod, 2, args);
    *message += (c == 0 ? ": " : ", ") + std::string(n.type == kVtString ? n.text() : "?");
  }
  *message += columns > 12 ? ", ...)" : ")";
  return true;
}

// Pushes the message of a missing column; false, pushing nothing, for a NULL.
bool pushMissingColumn(lua_State* L, Box* box, int columnIdx) {
  try {
    std::string message;
    if (!missingColumn(L, box, columnIdx, &message)) return false;
    lua_pushlstring(L, message.data(), message.size());
    return true;
  } catch (const std::exception&) {
    return false;  // the nil stands
  }
}

}  // namespace

int missingColumnCheck(lua_State* L, Box* box, int columnIdx) {
  if (!pushMissingColumn(L, box, columnIdx)) return 1;
  return raise(L, "%s", lua_tostring(L, -1));
}

}  // namespace qz::luahost
