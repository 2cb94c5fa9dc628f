// The Lua state scripts run in: luaL_newstate's, with an allocator that keeps freed small
// blocks for reuse.

#include <cstdlib>
#include <new>
#include <utility>

#include "tools/qzhost/lua_internal.h"
#include "tools/qzhost/lua_objects.h"

namespace qz::luahost {

namespace {

// A walk makes and frees a few small blocks per row (the row's table and its parts, strings,
// value wrappers), each a trip through malloc and free. Freed blocks of up to kLargest bytes
// wait in a list per exact size, so the next block of that size is taken from it. Each block
// is still a malloc block of at least its size, so realloc and free take any of them, and
// those luaL_newstate made before the switch.
class BlockCache {
 public:
  BlockCache() = default;
  BlockCache(const BlockCache&) = delete;
  BlockCache& operator=(const BlockCache&) = delete;
  ~BlockCache() {
    for (Free*& list : lists_) {
      while (list) std::free(std::exchange(list, list->next));
    }
  }

  void* reallocate(void* block, size_t oldSize, size_t newSize) {
    if (newSize == 0) {
      if (!block) return nullptr;
      if (cached(oldSize) && kept_ + oldSize <= kMostKept) {
        auto* free = static_cast<Free*>(block);
        free->next = lists_[oldSize];
        lists_[oldSize] = free;
        kept_ += oldSize;
      } else {
        std::free(block);
      }
      return nullptr;
    }
    // Without a block, oldSize is the kind of object to make, not a size.
    if (!block && cached(newSize) && lists_[newSize]) {
      Free* free = lists_[newSize];
      lists_[newSize] = free->next;
      kept_ -= newSize;
      return free;
    }
    return std::realloc(block, newSize);
  }

 private:
  struct Free {
    Free* next;
  };
  static constexpr size_t kLargest = 256;
  // What a scan frees between two blocks of rows is taken again by the next; beyond that
  // the memory goes back to malloc.
  static constexpr size_t kMostKept = size_t{4} << 20;

  static bool cached(size_t size) { return size >= sizeof(Free) && size <= kLargest; }

  Free* lists_[kLargest + 1] = {};
  size_t kept_ = 0;
};

void* cachedAllocate(void* cache, void* block, size_t oldSize, size_t newSize) {
  return static_cast<BlockCache*>(cache)->reallocate(block, oldSize, newSize);
}

}  // namespace

lua_State* newState() {
  // luaL_newstate's panic and warning functions, which lauxlib keeps to itself.
  lua_State* L = luaL_newstate();
  if (!L) return nullptr;
  // The extra space, which openQzLibrary claims, is not cleared by Lua.
  objectMetaPointer(L) = nullptr;
  if (auto* cache = new (std::nothrow) BlockCache) lua_setallocf(L, cachedAllocate, cache);
  return L;
}

void closeState(lua_State* L) {
  if (!L) return;
  void* cache = nullptr;
  const lua_Alloc allocate = lua_getallocf(L, &cache);
  lua_close(L);
  if (allocate == cachedAllocate) delete static_cast<BlockCache*>(cache);
}

}  // namespace qz::luahost
