// Every heap of the process, walked entry by entry while it is locked. The walk records into a
// fixed array: allocating would take the lock of the very heap being walked.
#include <windows.h>

#include "platform/heaps.h"
#include "platform/stack.h"

namespace qz::platform {
namespace {

constexpr DWORD kMaxHeaps = 256;
constexpr size_t kMaxDamages = 256;

struct Found {
  HeapDamage items[kMaxDamages];
  size_t count = 0;
  void add(HeapDamage::Kind kind, const void* where) {
    if (count < kMaxDamages) items[count++] = {kind, reinterpret_cast<uintptr_t>(where)};
  }
};

void walkHeap(HANDLE heap, Found& found) {
  if (!HeapLock(heap)) return;  // a heap without serialisation cannot be walked safely
  PROCESS_HEAP_ENTRY entry{};
  const void* last = nullptr;
  while (HeapWalk(heap, &entry)) {
    last = entry.lpData;
    if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)) continue;
    unsigned char first;
    if (entry.cbData > 0 && !readMemory(reinterpret_cast<uintptr_t>(entry.lpData), &first, 1)) {
      found.add(HeapDamage::kDataPtr, entry.lpData);
    } else if (!HeapValidate(heap, 0, entry.lpData)) {
      found.add(HeapDamage::kBlock, entry.lpData);
    }
  }
  if (GetLastError() != ERROR_NO_MORE_ITEMS) found.add(HeapDamage::kNode, last);
  HeapUnlock(heap);
}

}  // namespace

std::vector<HeapDamage> checkProcessHeaps() {
  HANDLE heaps[kMaxHeaps];
  DWORD n = GetProcessHeaps(kMaxHeaps, heaps);
  if (n > kMaxHeaps) n = kMaxHeaps;
  // The result vector's own block comes after every heap is unlocked.
  Found found;
  for (DWORD i = 0; i < n; ++i) walkHeap(heaps[i], found);
  return std::vector<HeapDamage>(found.items, found.items + found.count);
}

}  // namespace qz::platform
