// The module allocator: its front object, the base class that routes objects through it, and
// a small control and inspection surface for tests and memory reports.
//
// Every module that links this code has its own allocator. Objects derived from
// memManInterfaceC are deleted through their virtual destructor, so an object made by one
// module and deleted by another still goes back to the allocator that made it.
//
// Algorithm. Requests of up to kMaxSmallSize bytes are sorted into 256 classes of 8 bytes and
// served from pages of kPageBytes taken from the C heap: a cell area of kCellAreaBytes cut into
// cells of one stride, then a descriptor that opens with kPageMarker. Every block, small or
// large, is preceded by a header of headerSize() bytes (see BlockHeader). Larger requests, and
// every request while the heap switch is on, go to the C heap. A request size that is not a
// multiple of 8 gets the guard byte kGuardByte right behind it in its cell.
//
// Threads. Any thread may allocate and free, also blocks made by another thread. Each thread
// keeps a short per-class cache of freed cells; refilling and draining it, and everything about
// pages and large blocks, runs under one module-wide lock. The counters are exact whenever no
// allocation is in flight. A cell parked in a thread cache still counts as used by its page,
// so a page becomes empty (and may be released) only once the caches give its cells back:
// flushThreadCache() does that for the calling thread, thread exit for the others.
//
// Limits. Blocks are 8-byte aligned: types that need more must not come from here. An allocation
// that the C heap refuses returns null (operator new throws std::bad_alloc) and changes nothing.
// A double free is caught while the block's header still reads kFreedMark, that is until the
// cell is handed out again; other invalid pointers are not detected at free time.
//
// Sanitizer builds poison free cells and the slack behind each small block, so overruns and
// use after free of pool blocks are caught as for malloc'd memory. Code that inspects raw
// pages (memory reports) must read through functions built without address checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

// The allocator front object, one per module, created on first use. Thread rule: any thread.
class memManSystemC {
 public:
  virtual void* allocate(size_t size);             // slot 0; null when the C heap refuses
  virtual void free(void* p);                      // slot 1; null is ignored
  virtual void* reallocate(void* p, size_t size);  // slot 2; null: p is left as it was

  // This module's front object; never destroyed.
  static memManSystemC* instance();

 protected:
  memManSystemC() = default;
  ~memManSystemC() = default;
};

// Base of every pool-allocated object. REQUIRES: alignof(derived type) <= 8.
class memManInterfaceC {
 public:
  virtual memManSystemC* memSystem() const;  // slot 0
  // Slot 1. Under the Itanium C++ ABI a virtual destructor takes two entries (complete and
  // deleting); the deleting one is the entry other modules reach.
  virtual ~memManInterfaceC() = default;

  // Throw std::bad_alloc when the allocator returns null.
  static void* operator new(size_t size);
  static void operator delete(void* p);
  static void* operator new[](size_t size);
  static void operator delete[](void* p);
  // The class-scope forms above hide the global placement form; bring it back.
  static void* operator new(size_t, void* where) noexcept { return where; }
  static void operator delete(void*, void*) noexcept {}
};

// Plain allocation through this module's allocator.
void* qzAlloc(size_t size);
void qzFree(void* p);
void* qzRealloc(void* p, size_t size);

namespace qz::memman {

inline constexpr size_t kCellAreaBytes = 10000;
inline constexpr size_t kPageBytes = 10032;  // cell area plus the page descriptor
inline constexpr uint32_t kPageMarker = 0x11223344;
inline constexpr size_t kClassCount = 256;
inline constexpr size_t kMaxSmallSize = (kClassCount - 1) * 8;  // 2040
inline constexpr unsigned char kGuardByte = 0xDF;
// The header when allocation locations are tracked: the two words and a stack of 16 addresses.
inline constexpr size_t kStackDepth = 16;
inline constexpr size_t kTrackedHeaderBytes = 8 + kStackDepth * 8;  // 136
// Its presence at the first allocation switches location tracking on.
inline constexpr const char kLocationVariable[] = "QZMEMTRACK_LOCATION";
inline constexpr const char kDoubleFreeText[] = "free called on free object\n";

// The first 8 bytes of every block header. Pointers are 64 bits wide, so the header keeps its
// 8 bytes by storing the owning page as a 32-bit distance: from the header forward to its page's
// descriptor, always within 1..kCellAreaBytes and so never one of the marks. The requested size
// saturates at UINT32_MAX for huge C-heap blocks, whose full size the allocator keeps aside.
// In a freed cell `page` reads kFreedMark and `size` holds the allocator's free-list link.
struct BlockHeader {
  uint32_t page;
  uint32_t size;
};
inline constexpr uint32_t kFreedMark = 0xFFFFFFFFu;  // -1
inline constexpr uint32_t kHeapMark = 0xFFFFFFFEu;   // -2: the block came from the C heap

// Counters at one moment. Exact when no allocation or free is in flight.
struct Counters {
  int64_t liveBlocks = 0;
  int64_t pageCount = 0;
  int64_t pagePeak = 0;
  int64_t heapBytes = 0;  // requested bytes of live C-heap blocks
  int64_t heapPeak = 0;
};
Counters counters();

// The header size H: 8, or kTrackedHeaderBytes rounded up to 8 when locations are tracked.
// Fixed at the first allocation.
size_t headerSize();

// Sends every request to the C heap while on; returns the previous setting.
bool setHeapSwitch(bool on);
// A test seam: the nth allocation from now (any thread) fails as if the C heap refused it, and
// so does none after it; 0 disarms. What is left of the count, 0 once it has fired or when
// disarmed.
void failAllocation(int64_t n);
int64_t allocationsBeforeFailure();
// While on, every page that becomes empty is released, also the last of its class. Turning it
// on first flushes the calling thread's cache and releases the pages that are empty now.
void setReleaseFlag(bool on);
// Gives the calling thread's cached free cells back to their pages.
void flushThreadCache();

// Where allocator reports go (double frees now, memory reports later). The default writes to
// standard error. The function must not free pool blocks. Returns the previous output.
using ReportOutput = void (*)(const char* text);
ReportOutput setReportOutput(ReportOutput out);
void report(const char* text);

// Hooks for location tracking. The recorder fills the tracking part of a new block's header
// (kStackDepth addresses, a zero entry ending the stack early); without one it stays zero.
// The stack reporter writes the current call stack after a double-free report.
using LocationRecorder = void (*)(uint64_t* stack, size_t depth);
using StackReporter = void (*)(ReportOutput out);
void setLocationRecorder(LocationRecorder recorder);
void setStackReporter(StackReporter reporter);

// Inspection of one block handed out by this allocator (p = the pointer returned).
const BlockHeader* headerOf(const void* p);
// The start of the page holding p, or null for a C-heap or freed block.
const void* pageOf(const void* p);
// False when a small block's guard byte has been overwritten.
bool guardIntact(const void* p);

// A live block as the memory reports see it.
struct BlockInfo {
  const unsigned char* user;  // the pointer handed out
  size_t size;                // requested bytes
  bool large;                 // taken from the C heap
  const uint64_t* stack;      // the allocation stack (kStackDepth entries), or null untracked
};
// Every live block: pages of each class in list order, then full pages, then C-heap blocks.
// Blocks parked in thread caches are free and not listed. The list itself comes from the C
// heap. Meant for quiet moments: blocks freed after the call leave dangling entries.
std::vector<BlockInfo> liveBlocks();

// What the consistency walk found. `where` is the damaged page's cell area or the block.
struct Damage {
  enum Kind { kPage, kBlock } kind;
  const void* where;
};
// Walks every page and block: a page whose marker or list links are damaged (its cells are not
// trusted then, nor the rest of its list), a block whose header does not lead back to its page
// or whose guard byte is overwritten, a C-heap block whose header lost its mark.
std::vector<Damage> checkConsistency();

}  // namespace qz::memman
