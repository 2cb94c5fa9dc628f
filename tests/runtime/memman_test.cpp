#include "runtime/memman.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace mm = qz::memman;

namespace {

std::vector<std::string>* gReports = nullptr;
void captureReport(const char* text) {
  gReports->push_back(text);
}

class MemManTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gReports = &reports_;
    previous_ = mm::setReportOutput(&captureReport);
    mm::flushThreadCache();
  }
  void TearDown() override {
    mm::setReportOutput(previous_);
    gReports = nullptr;
  }

  static int64_t pages() {
    mm::flushThreadCache();
    return mm::counters().pageCount;
  }

  std::vector<std::string> reports_;
  mm::ReportOutput previous_ = nullptr;
};

// Tests that each size lands in its class with its size recorded, and that the guard byte sits
// right behind sizes that are not a multiple of 8.
TEST_F(MemManTest, SizeClassEdges) {
  for (size_t size : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 2039u, 2040u}) {
    SCOPED_TRACE(size);
    auto* p = static_cast<unsigned char*>(qzAlloc(size));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
    const mm::BlockHeader* h = mm::headerOf(p);
    EXPECT_EQ(h->size, size);
    EXPECT_NE(mm::pageOf(p), nullptr);
    EXPECT_TRUE(mm::guardIntact(p));
#if defined(__SANITIZE_ADDRESS__)
    // The slack behind the block is fenced off like the end of a malloc'd block.
    if (size % 8) {
      EXPECT_TRUE(__asan_address_is_poisoned(p + size));
    }
    if (size) {
      EXPECT_FALSE(__asan_address_is_poisoned(p + size - 1));
    }
#else
    if (size % 8) {
      EXPECT_EQ(p[size], mm::kGuardByte);
      p[size] = 0;
      EXPECT_FALSE(mm::guardIntact(p));
      p[size] = mm::kGuardByte;
    }
#endif
    std::memset(p, 0xAB, size);
    EXPECT_TRUE(mm::guardIntact(p));
    qzFree(p);
  }
}

TEST_F(MemManTest, LargeBlocksComeFromTheCHeap) {
  const mm::Counters before = mm::counters();
  void* p = qzAlloc(2041);
  const mm::BlockHeader* h = mm::headerOf(p);
  EXPECT_EQ(h->page, mm::kHeapMark);
  EXPECT_EQ(h->size, 2041u);
  EXPECT_EQ(mm::pageOf(p), nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
  mm::Counters during = mm::counters();
  EXPECT_EQ(during.liveBlocks, before.liveBlocks + 1);
  EXPECT_EQ(during.heapBytes, before.heapBytes + 2041);
  EXPECT_GE(during.heapPeak, during.heapBytes);
  qzFree(p);
  mm::Counters after = mm::counters();
  EXPECT_EQ(after.liveBlocks, before.liveBlocks);
  EXPECT_EQ(after.heapBytes, before.heapBytes);
  EXPECT_EQ(after.heapPeak, during.heapPeak);
}

// Sizes whose class arithmetic would wrap around must fail, not land in a small class.
TEST_F(MemManTest, ImpossibleSizesFailWithoutSideEffects) {
  const mm::Counters before = mm::counters();
  EXPECT_EQ(qzAlloc(SIZE_MAX), nullptr);
  EXPECT_EQ(qzAlloc(SIZE_MAX - 3), nullptr);
  EXPECT_EQ(mm::counters().liveBlocks, before.liveBlocks);
  EXPECT_EQ(mm::counters().heapBytes, before.heapBytes);
}

TEST_F(MemManTest, HeapSwitchSendsSmallRequestsToTheCHeap) {
  void* inPage = qzAlloc(16);
  EXPECT_FALSE(mm::setHeapSwitch(true));
  const int64_t heap = mm::counters().heapBytes;
  void* p = qzAlloc(16);
  EXPECT_EQ(mm::headerOf(p)->page, mm::kHeapMark);
  EXPECT_EQ(mm::counters().heapBytes, heap + 16);
  qzFree(inPage);  // a page block freed meanwhile still goes back to its page
  qzFree(p);
  EXPECT_TRUE(mm::setHeapSwitch(false));
  EXPECT_EQ(mm::counters().heapBytes, heap);
}

// With H = 8, class 1 has stride 16, so a page holds 625 cells; the 626th live block of the
// class needs a second page. Freeing them keeps one page; the release flag takes that too.
TEST_F(MemManTest, PageBoundaryAndEmptyPageRelease) {
  ASSERT_EQ(mm::headerSize(), 8u);
  const int64_t base = pages();
  std::vector<void*> blocks;
  for (int i = 0; i < 625; ++i) blocks.push_back(qzAlloc(1 + i % 8));
  const int64_t full = pages();
  EXPECT_LE(full - base, 1);
  for (void* p : blocks) EXPECT_EQ(mm::pageOf(p), mm::pageOf(blocks[0]));
  blocks.push_back(qzAlloc(3));
  EXPECT_EQ(pages(), full + 1);
  EXPECT_NE(mm::pageOf(blocks.back()), mm::pageOf(blocks[0]));
  EXPECT_GE(mm::counters().pagePeak, full + 1);

  // The second page empties while the first is full: it is the only page in its class list,
  // so it stays.
  qzFree(blocks.back());
  blocks.pop_back();
  EXPECT_EQ(pages(), full + 1);
  // The first page empties next to it: released.
  for (void* p : blocks) qzFree(p);
  EXPECT_EQ(pages(), full);

  // Under the release flag the empty pages go at once, and so does the last page of a class
  // as soon as it empties.
  void* pin = qzAlloc(5);
  mm::setReleaseFlag(true);
  const int64_t released = pages();
  EXPECT_LE(released, full);
  EXPECT_NE(mm::pageOf(pin), nullptr);
  qzFree(pin);
  EXPECT_EQ(pages(), released - 1);
  qzFree(qzAlloc(5));
  EXPECT_EQ(pages(), released - 1);
  mm::setReleaseFlag(false);
}

// Tests that a second free is reported once and changes nothing, whether the cell still sits
// in the thread's cache or has gone back to its page's free list.
TEST_F(MemManTest, DoubleFreeIsReportedOnceAndLeavesCountersAlone) {
  void* keep = qzAlloc(24);  // keeps the class's page in place
  void* p = qzAlloc(24);
  qzFree(p);
  EXPECT_EQ(mm::headerOf(p)->page, mm::kFreedMark);
  const mm::Counters afterFirst = mm::counters();
  qzFree(p);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0], "free called on free object\n");
  EXPECT_EQ(mm::counters().liveBlocks, afterFirst.liveBlocks);

  mm::flushThreadCache();
  EXPECT_EQ(mm::headerOf(p)->page, mm::kFreedMark);  // the free-list link lives elsewhere
  qzFree(p);
  EXPECT_EQ(reports_.size(), 2u);
  EXPECT_EQ(mm::counters().liveBlocks, afterFirst.liveBlocks);

  // A freed block cannot be reallocated either: there is no size left to copy.
  EXPECT_EQ(qzRealloc(p, 100), nullptr);
  EXPECT_EQ(reports_.size(), 3u);
  EXPECT_EQ(mm::counters().liveBlocks, afterFirst.liveBlocks);

  // The allocator still works after all that.
  void* a = qzAlloc(24);
  void* b = qzAlloc(24);
  EXPECT_NE(a, b);
  qzFree(a);
  qzFree(b);
  qzFree(keep);
}

TEST_F(MemManTest, ReallocateKeepsThePrefix) {
  const int64_t live = mm::counters().liveBlocks;
  auto fill = [](void* p, size_t n) {
    for (size_t i = 0; i < n; ++i) static_cast<unsigned char*>(p)[i] = i & 0xFF;
  };
  auto holds = [](const void* p, size_t n) {
    size_t i = 0;
    while (i < n && static_cast<const unsigned char*>(p)[i] == (i & 0xFF)) ++i;
    return i == n;
  };
  void* p = qzRealloc(nullptr, 5);
  fill(p, 5);
  p = qzRealloc(p, 100);  // grows within the pages
  EXPECT_TRUE(holds(p, 5));
  EXPECT_EQ(mm::headerOf(p)->size, 100u);
  fill(p, 100);
  p = qzRealloc(p, 3000);  // into the C heap
  EXPECT_TRUE(holds(p, 100));
  fill(p, 3000);
  p = qzRealloc(p, 5000);  // C heap to C heap
  EXPECT_TRUE(holds(p, 3000));
  p = qzRealloc(p, 7);  // back to a page
  EXPECT_TRUE(holds(p, 7));
  EXPECT_TRUE(mm::guardIntact(p));
  EXPECT_EQ(mm::counters().liveBlocks, live + 1);
  EXPECT_EQ(qzRealloc(p, SIZE_MAX), nullptr);  // refused: the old block stays intact
  EXPECT_TRUE(holds(p, 7));
  qzFree(p);
  EXPECT_EQ(mm::counters().liveBlocks, live);
}

struct Widget : memManInterfaceC {
  explicit Widget(int v = 0) : value(v) {}
  int value;
};

TEST_F(MemManTest, ObjectsGoThroughTheAllocator) {
  const int64_t live = mm::counters().liveBlocks;
  Widget* w = new Widget(7);
  EXPECT_EQ(mm::headerOf(w)->size, sizeof(Widget));
  EXPECT_EQ(w->memSystem(), memManSystemC::instance());
  Widget* many = new Widget[3];
  EXPECT_EQ(mm::counters().liveBlocks, live + 2);
  memManInterfaceC* base = w;
  delete base;
  delete[] many;
  EXPECT_EQ(mm::counters().liveBlocks, live);

  alignas(Widget) unsigned char storage[sizeof(Widget)];
  Widget* placed = new (storage) Widget(3);  // placement form stays available
  EXPECT_EQ(placed->value, 3);
  placed->~Widget();
  EXPECT_EQ(mm::counters().liveBlocks, live);
}

}  // namespace
