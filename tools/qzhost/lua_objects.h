// The `qz` library of the Lua host: object wrappers, member access by name, conversions
// between Lua values and variants, and failed calls as Lua error values. README.md states
// the rules scripts rely on. By job: lua_wrappers.cpp (wrappers, member calls),
// lua_conversions.cpp (Lua values and variants), lua_errors.cpp (error values, messages),
// lua_library.cpp (the `qz` table).
//
// A wrapper is a full userdata holding one reference of its object. One object (by its
// "QZIIDUNK" identity) has one wrapper at a time, kept in a weak table, so `==` compares
// objects. The reference goes when the wrapper is collected, closed or released with
// qz.release; lua_close releases them all.
//
// The library keeps a pointer in each state's extra space (lua_getextraspace): the state's
// embedder must leave it alone.
//
// Thread rule: one thread runs a Lua state and the objects it reaches.
// Ownership: the state owns every wrapper; the create function must outlive the state.
#pragma once

#include <cstdint>
#include <functional>
#include <lua.hpp>

#include "interfaces/qzcom.h"
#include "object/com_ref.h"

namespace qz::luahost {

// Creates an object by class name; *status receives the host's status.
using CreateFn = std::function<qzRef<qzIUnknown>(const char* className, int32_t* status)>;

// A new Lua state as luaL_newstate makes it, with an allocator that reuses small blocks
// (lua_state.cpp); null when there is no memory. closeState closes it and frees what the
// allocator kept.
lua_State* newState();
void closeState(lua_State* L);

// Sets the global `qz`. create is copied into the state.
void openQzLibrary(lua_State* L, CreateFn create);

// Wrappers, of every state of the process, that still hold a reference.
int32_t liveWrappers();

// Pushes a wrapper of object (nil for null); takes its own reference.
void pushObject(lua_State* L, qzIUnknown* object);

}  // namespace qz::luahost
