// The system's own heaps, walked for the consistency report of the memory tracking.
//
// Thread rule: any thread; each heap is locked while it is walked. Meant for a quiet process.
#pragma once

#include <cstdint>
#include <vector>

namespace qz::platform {

struct HeapDamage {
  enum Kind {
    kNode,     // the walk itself broke at this entry
    kBlock,    // a busy block that fails the system's validation
    kDataPtr,  // a busy block whose data cannot be read
  };
  Kind kind;
  uintptr_t where;
};

// Walks every heap of the process and names the entries that fail. Empty where the system
// offers no walk of its heaps (glibc).
std::vector<HeapDamage> checkProcessHeaps();

}  // namespace qz::platform
