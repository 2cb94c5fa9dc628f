#include "runtime/memman.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/static_mutex.h"
#include "platform/thread.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QZ_NO_ASAN __attribute__((no_sanitize_address))
#else
#define ASAN_POISON_MEMORY_REGION(p, n) ((void)(p), (void)(n))
#define ASAN_UNPOISON_MEMORY_REGION(p, n) ((void)(p), (void)(n))
#define QZ_NO_ASAN
#endif

namespace qz::memman {
namespace {

constexpr uint32_t kNoCell = 0xFFFFFFFFu;  // end of a page's free list
// A thread caches up to this many bytes of cells per class (at least 2, at most kCacheCells
// cells). A walk that makes a few hundred blocks of a class and frees them together (a block of
// rows) must fit, or each of its blocks goes through refill and drain under the module lock.
constexpr size_t kCacheBytesPerClass = 32768;
constexpr size_t kCacheCells = 512;

// Sits at offset kCellAreaBytes of its page; u16 fields hold at most a stride of 2040 + 136
// and 1250 cells (class 0), which keeps the page at kPageBytes with 64-bit links.
struct PageDesc {
  uint32_t marker;
  uint32_t freeHead;  // offset of the first free cell in the cell area, or kNoCell
  PageDesc* prev;
  PageDesc* next;
  uint16_t stride;
  uint16_t cellSize;
  uint16_t inUse;  // cells handed out or parked in a thread cache
  uint16_t capacity;
#if UINTPTR_MAX == 0xFFFFFFFFu
  uint32_t pad[2];  // 32-bit links: the descriptor keeps its size
#endif
};

struct Page {
  unsigned char cells[kCellAreaBytes];
  PageDesc desc;
};
static_assert(sizeof(Page) == kPageBytes);

// In front of the header of a C-heap block: makes large blocks enumerable for reports and
// keeps their full size.
struct LargeBlock {
  LargeBlock* prev;
  LargeBlock* next;
  size_t size;
};

// A cached cell keeps kFreedMark in word 0, its page distance in word 1 and the link to the
// next cached cell in the first 8 bytes of its user area (every cached class has them).
struct Bin {
  unsigned char* head = nullptr;
  uint32_t count = 0;
};

struct ThreadCache {
  Bin bins[kClassCount];
  // Written only by the owning thread (no read-modify-write), summed by counters().
  std::atomic<int64_t> live{0};
  ThreadCache* prev = nullptr;  // registry links, guarded by Central::lock
  ThreadCache* next = nullptr;
};

struct Central {
  platform::StaticMutex lock;
  // All below guarded by lock.
  PageDesc* classHead[kClassCount] = {};  // pages with free cells
  PageDesc* fullHead = nullptr;           // pages without, of every class
  LargeBlock* largeHead = nullptr;
  ThreadCache* caches = nullptr;
  bool releaseFlag = false;
  int64_t pageCount = 0;
  int64_t pagePeak = 0;
  int64_t heapBytes = 0;
  int64_t heapPeak = 0;
  // Live blocks counted by threads without a cache, and those of exited threads.
  std::atomic<int64_t> spareLive{0};
};

// Never destroyed: static destructors of other objects may still free blocks at exit.
union CentralHolder {
  constexpr CentralHolder() : c() {}
  ~CentralHolder() {}
  Central c;
};
constinit CentralHolder gHolder;
Central& central() {
  return gHolder.c;
}

// Fixed at the first allocation.
std::once_flag gInitOnce;
std::atomic<bool> gReady{false};
size_t gHeader = 8;
size_t gLargeLead = 32;  // C-heap bytes in front of a large block's user area
uint16_t gCacheLimit[kClassCount];

std::atomic<bool> gHeapSwitch{false};
std::atomic<int64_t> gFailCountdown{0};

// True for the one allocation the armed seam makes fail. One relaxed load when disarmed.
bool injectedFailure() {
  int64_t left = gFailCountdown.load(std::memory_order_relaxed);
  while (left > 0 && !gFailCountdown.compare_exchange_weak(left, left - 1)) {
  }
  return left == 1;
}
std::atomic<LocationRecorder> gRecorder{nullptr};
std::atomic<StackReporter> gStackReporter{nullptr};

void writeToStderr(const char* text) {
  std::fputs(text, stderr);
}
std::atomic<ReportOutput> gOutput{&writeToStderr};

// Read on every allocation and free.
QZ_HOT_TLS thread_local ThreadCache* tlsCache = nullptr;
QZ_HOT_TLS thread_local bool tlsRetired = false;

void initOnce() {
  gHeader = std::getenv(kLocationVariable) ? (kTrackedHeaderBytes + 7) / 8 * 8 : 8;
  gLargeLead = (sizeof(LargeBlock) + gHeader + 15) / 16 * 16;
  for (size_t c = 0; c < kClassCount; ++c) {
    gCacheLimit[c] = static_cast<uint16_t>(
        std::clamp<size_t>(kCacheBytesPerClass / (c * 8 + gHeader), 2, kCacheCells));
  }
  gReady.store(true, std::memory_order_release);
}

__attribute__((noinline)) void initOnceCalled() {
  std::call_once(gInitOnce, initOnce);
}
inline void ensureReady() {
  if (!gReady.load(std::memory_order_acquire)) initOnceCalled();
}

inline BlockHeader* headerAt(const void* user) {
  return reinterpret_cast<BlockHeader*>(
      const_cast<unsigned char*>(static_cast<const unsigned char*>(user) - gHeader));
}
inline unsigned char* userOf(BlockHeader* h) {
  return reinterpret_cast<unsigned char*>(h) + gHeader;
}
inline PageDesc* descOf(BlockHeader* h, uint32_t distance) {
  return reinterpret_cast<PageDesc*>(reinterpret_cast<unsigned char*>(h) + distance);
}
inline Page* pageOfDesc(PageDesc* d) {
  return reinterpret_cast<Page*>(reinterpret_cast<unsigned char*>(d) - kCellAreaBytes);
}
inline uint32_t distanceTo(BlockHeader* h, PageDesc* d) {
  return static_cast<uint32_t>(reinterpret_cast<unsigned char*>(d) -
                               reinterpret_cast<unsigned char*>(h));
}
inline LargeBlock* largeOf(BlockHeader* h) {
  return reinterpret_cast<LargeBlock*>(h) - 1;
}
inline std::atomic_ref<uint32_t> mark(BlockHeader* h) {
  return std::atomic_ref<uint32_t>(h->page);
}

inline unsigned char* loadLink(const unsigned char* user) {
  unsigned char* next;
  std::memcpy(&next, user, sizeof next);
  return next;
}
inline void storeLink(unsigned char* user, unsigned char* next) {
  std::memcpy(user, &next, sizeof next);
}

void unlinkPage(PageDesc*& head, PageDesc* d) {
  if (d->prev)
    d->prev->next = d->next;
  else
    head = d->next;
  if (d->next) d->next->prev = d->prev;
  d->prev = d->next = nullptr;
}
void pushPage(PageDesc*& head, PageDesc* d) {
  d->prev = nullptr;
  d->next = head;
  if (head) head->prev = d;
  head = d;
}

// REQUIRES: lock held. The first page of class c with a free cell, made if there is none.
PageDesc* pageWithRoom(Central& m, size_t c) {
  if (m.classHead[c]) return m.classHead[c];
  auto* pg = static_cast<Page*>(std::malloc(sizeof(Page)));
  if (!pg) return nullptr;
  const size_t cellSize = c * 8;
  const size_t stride = cellSize + gHeader;  // gHeader is a multiple of 8
  const size_t capacity = kCellAreaBytes / stride;
  PageDesc& d = pg->desc;
  d.marker = kPageMarker;
  d.freeHead = kNoCell;
  d.prev = d.next = nullptr;
  d.stride = static_cast<uint16_t>(stride);
  d.cellSize = static_cast<uint16_t>(cellSize);
  d.inUse = 0;
  d.capacity = static_cast<uint16_t>(capacity);
  // Linked back to front so that cells go out in address order.
  for (size_t i = capacity; i-- > 0;) {
    auto* h = reinterpret_cast<BlockHeader*>(pg->cells + i * stride);
    h->page = kFreedMark;
    h->size = d.freeHead;
    d.freeHead = static_cast<uint32_t>(i * stride);
    ASAN_POISON_MEMORY_REGION(userOf(h), cellSize);
  }
  ASAN_POISON_MEMORY_REGION(pg->cells + capacity * stride, kCellAreaBytes - capacity * stride);
  m.pagePeak = std::max(m.pagePeak, ++m.pageCount);
  pushPage(m.classHead[c], &d);
  return &d;
}

// REQUIRES: lock held, d has a free cell.
BlockHeader* takeCell(Central& m, PageDesc* d) {
  Page* pg = pageOfDesc(d);
  auto* h = reinterpret_cast<BlockHeader*>(pg->cells + d->freeHead);
  d->freeHead = h->size;
  if (++d->inUse == d->capacity) {
    unlinkPage(m.classHead[d->cellSize / 8], d);
    pushPage(m.fullHead, d);
  }
  return h;
}

void releasePage(Central& m, PageDesc* d) {
  Page* pg = pageOfDesc(d);
  ASAN_UNPOISON_MEMORY_REGION(pg, sizeof(Page));
  std::free(pg);
  --m.pageCount;
}

// REQUIRES: lock held, word 0 of h reads kFreedMark.
void returnCell(Central& m, BlockHeader* h, uint32_t distance) {
  PageDesc* d = descOf(h, distance);
  Page* pg = pageOfDesc(d);
  const size_t c = d->cellSize / 8;
  ASAN_POISON_MEMORY_REGION(userOf(h), d->cellSize);
  h->size = d->freeHead;
  d->freeHead = static_cast<uint32_t>(reinterpret_cast<unsigned char*>(h) - pg->cells);
  if (d->inUse == d->capacity) {
    unlinkPage(m.fullHead, d);
    pushPage(m.classHead[c], d);
  }
  // The only page of a class stays until unload, so a class that swings between one and no
  // live block does not make and release a page each time.
  if (--d->inUse == 0 && (d->prev || d->next || m.releaseFlag)) {
    unlinkPage(m.classHead[c], d);
    releasePage(m, d);
  }
}

// REQUIRES: lock held.
void drainBin(Central& m, Bin& bin, uint32_t keep) {
  while (bin.count > keep) {
    unsigned char* user = bin.head;
    bin.head = loadLink(user);
    --bin.count;
    BlockHeader* h = headerAt(user);
    returnCell(m, h, h->size);
  }
}

// Takes cells from one page only, so a new page appears exactly when the live blocks of the
// class no longer fit in the existing ones.
bool refill(ThreadCache* tc, size_t c) {
  Central& m = central();
  std::lock_guard<platform::StaticMutex> hold(m.lock);
  PageDesc* d = pageWithRoom(m, c);
  if (!d) return false;
  uint32_t n = std::min<uint32_t>(gCacheLimit[c] / 2, d->capacity - d->inUse);
  Bin& bin = tc->bins[c];
  unsigned char* last = nullptr;
  for (uint32_t i = 0; i < n; ++i) {
    BlockHeader* h = takeCell(m, d);
    h->size = distanceTo(h, d);
    unsigned char* user = userOf(h);
    ASAN_UNPOISON_MEMORY_REGION(user, sizeof(void*));
    storeLink(user, nullptr);
    if (last)
      storeLink(last, user);
    else
      bin.head = user;
    last = user;
  }
  bin.count = n;
  return true;
}

void retireCache(ThreadCache* tc) {
  tlsCache = nullptr;
  tlsRetired = true;
  if (!tc) return;
  Central& m = central();
  {
    std::lock_guard<platform::StaticMutex> hold(m.lock);
    for (Bin& bin : tc->bins) drainBin(m, bin, 0);
    m.spareLive.fetch_add(tc->live.load(std::memory_order_relaxed), std::memory_order_relaxed);
    if (tc->prev)
      tc->prev->next = tc->next;
    else
      m.caches = tc->next;
    if (tc->next) tc->next->prev = tc->prev;
  }
  tc->~ThreadCache();
  std::free(tc);
}

void retireCacheAtExit(void* cache) {
  retireCache(static_cast<ThreadCache*>(cache));
}

// The calling thread's cache, made on first use; null after the thread has begun to exit
// (other thread-local destructors may still free blocks) or when the C heap refuses.
ThreadCache* currentCache() {
  ThreadCache* tc = tlsCache;
  if (tc || tlsRetired) return tc;
  void* mem = std::malloc(sizeof(ThreadCache));
  if (!mem) return nullptr;
  tc = new (mem) ThreadCache();
  Central& m = central();
  {
    std::lock_guard<platform::StaticMutex> hold(m.lock);
    tc->next = m.caches;
    if (m.caches) m.caches->prev = tc;
    m.caches = tc;
  }
  tlsCache = tc;
  platform::armThreadExit(&retireCacheAtExit, tc);
  return tc;
}

inline void countLive(ThreadCache* tc, int64_t delta) {
  if (tc)
    tc->live.store(tc->live.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
  else
    central().spareLive.fetch_add(delta, std::memory_order_relaxed);
}

__attribute__((noinline)) void recordLocation(BlockHeader* h) {
  auto* stack = reinterpret_cast<uint64_t*>(h + 1);
  std::memset(stack, 0, kStackDepth * sizeof(uint64_t));
  if (LocationRecorder rec = gRecorder.load(std::memory_order_acquire)) rec(stack, kStackDepth);
}

inline void fillTracking(BlockHeader* h) {
  if (gHeader != 8) recordLocation(h);
}

// The cell is exclusively the caller's; word 0 is written last so a racing stray free sees
// either the freed mark or a complete header.
void finishSmall(BlockHeader* h, uint32_t distance, size_t size, size_t cellSize) {
  unsigned char* user = userOf(h);
  h->size = static_cast<uint32_t>(size);
  ASAN_UNPOISON_MEMORY_REGION(user, cellSize);
  if (size % 8) user[size] = kGuardByte;
  ASAN_POISON_MEMORY_REGION(user + size, cellSize - size);
  fillTracking(h);
  mark(h).store(distance, std::memory_order_release);
}

// Out of line: it would make every small allocation save registers it never uses.
__attribute__((noinline)) void* allocateLarge(size_t size) {
  if (size > SIZE_MAX - gLargeLead) return nullptr;
  auto* raw = static_cast<unsigned char*>(std::malloc(gLargeLead + size));
  if (!raw) return nullptr;
  auto* h = reinterpret_cast<BlockHeader*>(raw + gLargeLead - gHeader);
  LargeBlock* lb = largeOf(h);
  lb->size = size;
  h->page = kHeapMark;
  h->size = static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX));
  fillTracking(h);
  Central& m = central();
  {
    std::lock_guard<platform::StaticMutex> hold(m.lock);
    lb->prev = nullptr;
    lb->next = m.largeHead;
    if (m.largeHead) m.largeHead->prev = lb;
    m.largeHead = lb;
    m.heapBytes += static_cast<int64_t>(size);
    m.heapPeak = std::max(m.heapPeak, m.heapBytes);
  }
  countLive(currentCache(), 1);
  return userOf(h);
}

void freeLarge(BlockHeader* h) {
  LargeBlock* lb = largeOf(h);
  Central& m = central();
  {
    std::lock_guard<platform::StaticMutex> hold(m.lock);
    if (lb->prev)
      lb->prev->next = lb->next;
    else
      m.largeHead = lb->next;
    if (lb->next) lb->next->prev = lb->prev;
    m.heapBytes -= static_cast<int64_t>(lb->size);
  }
  std::free(userOf(h) - gLargeLead);
}

void reportDoubleFree() {
  ReportOutput out = gOutput.load(std::memory_order_acquire);
  out(kDoubleFreeText);
  if (StackReporter rep = gStackReporter.load(std::memory_order_acquire)) rep(out);
}

inline BlockHeader* popCell(Bin& bin) {
  unsigned char* user = bin.head;
  bin.head = loadLink(user);
  --bin.count;
  return headerAt(user);
}

// Everything but a hit in the thread's cache: an empty bin, size 0, a thread without a cache
// yet or past its exit. Out of line, so the hit path saves few registers.
__attribute__((noinline)) void* allocateSmallSlow(size_t size, size_t c) {
  ThreadCache* tc = currentCache();
  BlockHeader* h;
  uint32_t distance;
  if (tc && c != 0) {
    Bin& bin = tc->bins[c];
    if (!bin.head && !refill(tc, c)) return nullptr;
    h = popCell(bin);
    distance = h->size;
  } else {
    Central& m = central();
    std::lock_guard<platform::StaticMutex> hold(m.lock);
    PageDesc* d = pageWithRoom(m, c);
    if (!d) return nullptr;
    h = takeCell(m, d);
    distance = distanceTo(h, d);
  }
  finishSmall(h, distance, size, c * 8);
  countLive(tc, 1);
  return userOf(h);
}

void* allocateBlock(size_t size) {
  ensureReady();
  if (injectedFailure()) return nullptr;
  if (size > kMaxSmallSize || gHeapSwitch.load(std::memory_order_relaxed)) {
    return allocateLarge(size);
  }
  const size_t c = (size + 7) / 8;
  ThreadCache* tc = tlsCache;
  if (tc && c != 0 && tc->bins[c].head) {
    BlockHeader* h = popCell(tc->bins[c]);
    finishSmall(h, h->size, size, c * 8);
    countLive(tc, 1);
    return userOf(h);
  }
  return allocateSmallSlow(size, c);
}

// Out of line for the same reason: one free in many overflows the bin.
__attribute__((noinline)) void drainOverflow(Bin& bin, size_t c) {
  Central& m = central();
  std::lock_guard<platform::StaticMutex> hold(m.lock);
  drainBin(m, bin, gCacheLimit[c] / 2);
}

void freeBlock(void* p) {
  if (!p) return;
  BlockHeader* h = headerAt(p);
  const uint32_t was = mark(h).exchange(kFreedMark, std::memory_order_acq_rel);
  if (was == kFreedMark) {
    reportDoubleFree();
    return;
  }
  ThreadCache* tc = currentCache();
  countLive(tc, -1);
  if (was == kHeapMark) {
    freeLarge(h);
    return;
  }
  const size_t c = (h->size + 7) / 8;
  if (tc && c != 0) {
    Bin& bin = tc->bins[c];
    unsigned char* user = userOf(h);
    h->size = was;
    ASAN_POISON_MEMORY_REGION(user, c * 8);
    ASAN_UNPOISON_MEMORY_REGION(user, sizeof(void*));
    storeLink(user, bin.head);
    bin.head = user;
    if (++bin.count > gCacheLimit[c]) drainOverflow(bin, c);
    return;
  }
  Central& m = central();
  std::lock_guard<platform::StaticMutex> hold(m.lock);
  returnCell(m, h, was);
}

void* reallocateBlock(void* p, size_t size) {
  if (!p) return allocateBlock(size);
  BlockHeader* h = headerAt(p);
  const uint32_t was = mark(h).load(std::memory_order_acquire);
  // A freed block has no size left to copy; reading on would copy from a free-list link.
  if (was == kFreedMark) {
    reportDoubleFree();
    return nullptr;
  }
  const size_t old = was == kHeapMark ? largeOf(h)->size : h->size;
  void* q = allocateBlock(size);
  if (!q) return nullptr;
  std::memcpy(q, p, std::min(old, size));
  freeBlock(p);
  return q;
}

}  // namespace

Counters counters() {
  Central& m = central();
  std::lock_guard<platform::StaticMutex> hold(m.lock);
  Counters out;
  out.liveBlocks = m.spareLive.load(std::memory_order_relaxed);
  for (ThreadCache* tc = m.caches; tc; tc = tc->next) {
    out.liveBlocks += tc->live.load(std::memory_order_relaxed);
  }
  out.pageCount = m.pageCount;
  out.pagePeak = m.pagePeak;
  out.heapBytes = m.heapBytes;
  out.heapPeak = m.heapPeak;
  return out;
}

size_t headerSize() {
  ensureReady();
  return gHeader;
}

bool setHeapSwitch(bool on) {
  return gHeapSwitch.exchange(on);
}

void failAllocation(int64_t n) {
  gFailCountdown.store(n > 0 ? n : 0);
}
int64_t allocationsBeforeFailure() {
  return gFailCountdown.load();
}

void setReleaseFlag(bool on) {
  if (on) flushThreadCache();
  Central& m = central();
  std::lock_guard<platform::StaticMutex> hold(m.lock);
  m.releaseFlag = on;
  if (!on) return;
  for (PageDesc*& head : m.classHead) {
    for (PageDesc* d = head; d;) {
      PageDesc* next = d->next;
      if (d->inUse == 0) {
        unlinkPage(head, d);
        releasePage(m, d);
      }
      d = next;
    }
  }
}

void flushThreadCache() {
  ThreadCache* tc = tlsCache;
  if (!tc) return;
  Central& m = central();
  std::lock_guard<platform::StaticMutex> hold(m.lock);
  for (Bin& bin : tc->bins) drainBin(m, bin, 0);
}

ReportOutput setReportOutput(ReportOutput out) {
  return gOutput.exchange(out ? out : &writeToStderr);
}
void report(const char* text) {
  gOutput.load(std::memory_order_acquire)(text);
}

void setLocationRecorder(LocationRecorder recorder) {
  gRecorder.store(recorder);
}
void setStackReporter(StackReporter reporter) {
  gStackReporter.store(reporter);
}

const BlockHeader* headerOf(const void* p) {
  ensureReady();
  return headerAt(p);
}

const void* pageOf(const void* p) {
  BlockHeader* h = const_cast<BlockHeader*>(headerOf(p));
  const uint32_t was = mark(h).load(std::memory_order_acquire);
  if (was == kFreedMark || was == kHeapMark) return nullptr;
  return pageOfDesc(descOf(h, was));
}

QZ_NO_ASAN bool guardIntact(const void* p) {
  const BlockHeader* h = headerOf(p);
  if (h->page == kFreedMark || h->page == kHeapMark || h->size % 8 == 0) return true;
  return static_cast<const unsigned char*>(p)[h->size] == kGuardByte;
}

namespace {

// Reads the page descriptor without address checks: a damaged page may have been written past.
QZ_NO_ASAN bool pageIntact(const PageDesc* d, PageDesc* const* head, const PageDesc* prev) {
  if (d->marker != kPageMarker) return false;
  if (d->prev != prev) return false;
  if (!prev && *head != d) return false;
  return d->stride != 0 && d->capacity == kCellAreaBytes / d->stride;
}

QZ_NO_ASAN void checkPage(PageDesc* d, std::vector<Damage>& out) {
  Page* pg = pageOfDesc(d);
  for (size_t i = 0; i < d->capacity; ++i) {
    auto* h = reinterpret_cast<BlockHeader*>(pg->cells + i * d->stride);
    if (h->page == kFreedMark) continue;
    unsigned char* user = userOf(h);
    if (h->page != distanceTo(h, d) || h->size > d->cellSize ||
        (h->size % 8 && user[h->size] != kGuardByte)) {
      out.push_back({Damage::kBlock, user});
    }
  }
}

}  // namespace

std::vector<BlockInfo> liveBlocks() {
  ensureReady();
  std::vector<BlockInfo> out;
  Central& m = central();
  std::lock_guard<platform::StaticMutex> hold(m.lock);
  auto walk = [&](PageDesc* head) {
    for (PageDesc* d = head; d && d->marker == kPageMarker; d = d->next) {
      Page* pg = pageOfDesc(d);
      for (size_t i = 0; i < d->capacity; ++i) {
        auto* h = reinterpret_cast<BlockHeader*>(pg->cells + i * d->stride);
        if (h->page != distanceTo(h, d)) continue;
        out.push_back({userOf(h), h->size, false,
                       gHeader == 8 ? nullptr : reinterpret_cast<const uint64_t*>(h + 1)});
      }
    }
  };
  for (PageDesc* head : m.classHead) walk(head);
  walk(m.fullHead);
  for (LargeBlock* lb = m.largeHead; lb; lb = lb->next) {
    auto* h = reinterpret_cast<BlockHeader*>(lb + 1);
    out.push_back({userOf(h), lb->size, true,
                   gHeader == 8 ? nullptr : reinterpret_cast<const uint64_t*>(h + 1)});
  }
  return out;
}

std::vector<Damage> checkConsistency() {
  ensureReady();
  std::vector<Damage> out;
  Central& m = central();
  std::lock_guard<platform::StaticMutex> hold(m.lock);
  auto walk = [&](PageDesc** head) {
    const PageDesc* prev = nullptr;
    for (PageDesc* d = *head; d; prev = d, d = d->next) {
      if (!pageIntact(d, head, prev)) {
        out.push_back({Damage::kPage, pageOfDesc(d)});
        return;
      }
      checkPage(d, out);
    }
  };
  for (PageDesc*& head : m.classHead) walk(&head);
  walk(&m.fullHead);
  for (LargeBlock* lb = m.largeHead; lb; lb = lb->next) {
    auto* h = reinterpret_cast<BlockHeader*>(lb + 1);
    if (h->page != kHeapMark) out.push_back({Damage::kBlock, userOf(h)});
  }
  return out;
}

}  // namespace qz::memman

void* memManSystemC::allocate(size_t size) {
  return qz::memman::allocateBlock(size);
}
void memManSystemC::free(void* p) {
  qz::memman::freeBlock(p);
}
void* memManSystemC::reallocate(void* p, size_t size) {
  return qz::memman::reallocateBlock(p, size);
}

memManSystemC* memManSystemC::instance() {
  // Built in static storage and never destroyed, so blocks freed during exit still find it.
  alignas(memManSystemC) static unsigned char storage[sizeof(memManSystemC)];
  static memManSystemC* front = new (storage) memManSystemC();
  return front;
}

memManSystemC* memManInterfaceC::memSystem() const {
  return memManSystemC::instance();
}

// This module's own entries call its allocator directly: the front object's virtual slots are
// for other modules, and going through them here cost a guarded static and an indirect call per
// block. instance() can only ever be the plain front, so the result is the same.
void* memManInterfaceC::operator new(size_t size) {
  void* p = qz::memman::allocateBlock(size);
  if (!p) throw std::bad_alloc();
  return p;
}
void memManInterfaceC::operator delete(void* p) {
  qz::memman::freeBlock(p);
}
void* memManInterfaceC::operator new[](size_t size) {
  void* p = qz::memman::allocateBlock(size);
  if (!p) throw std::bad_alloc();
  return p;
}
void memManInterfaceC::operator delete[](void* p) {
  qz::memman::freeBlock(p);
}

void* qzAlloc(size_t size) {
  return qz::memman::allocateBlock(size);
}
void qzFree(void* p) {
  qz::memman::freeBlock(p);
}
void* qzRealloc(void* p, size_t size) {
  return qz::memman::reallocateBlock(p, size);
}
