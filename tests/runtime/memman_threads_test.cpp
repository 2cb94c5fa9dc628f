// The allocator under two threads at once: counters stay exact, blocks keep their contents,
// and a double free raced from two threads is reported exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "runtime/memman.h"

namespace mm = qz::memman;

namespace {

std::atomic<int> gReports{0};
void countReport(const char*) {
  gReports.fetch_add(1);
}

class MemManThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gReports = 0;
    previous_ = mm::setReportOutput(&countReport);
  }
  void TearDown() override { mm::setReportOutput(previous_); }
  mm::ReportOutput previous_ = nullptr;
};

struct Held {
  unsigned char* p;
  size_t size;
  unsigned char tag;
};

size_t pickSize(std::mt19937& rng) {
  switch (rng() % 8) {
    case 0:
      return 2041 + rng() % 3000;  // C heap
    case 1:
      return 0;
    default:
      return 1 + rng() % 300;
  }
}

Held make(size_t size, unsigned char tag) {
  auto* p = static_cast<unsigned char*>(qzAlloc(size));
  std::memset(p, tag, size);
  return {p, size, tag};
}

bool intact(const Held& h) {
  for (size_t i = 0; i < h.size; ++i) {
    if (h.p[i] != h.tag) return false;
  }
  return mm::guardIntact(h.p);
}

// Frees the block; false when its bytes or its guard were overwritten meanwhile.
bool release(const Held& h) {
  const bool ok = intact(h);
  qzFree(h.p);
  return ok;
}

// The counters once the threads are done, checking that every block they made stayed intact
// and was freed.
mm::Counters countersAfter(bool corrupt, const mm::Counters& base) {
  EXPECT_FALSE(corrupt);
  const mm::Counters end = mm::counters();
  EXPECT_EQ(end.liveBlocks, base.liveBlocks);
  return end;
}

// Tests that, with both threads paused holding known blocks, the counters read exactly what
// they hold, and that every block keeps its bytes while the other thread churns.
TEST_F(MemManThreadsTest, CountersExactWhileTwoThreadsChurn) {
  const mm::Counters base = mm::counters();
  constexpr int kRounds = 4;
  constexpr int kSteps = 20000;
  constexpr size_t kHold = 200;
  std::barrier sync(3);
  std::atomic<int64_t> heldBlocks{0}, heldHeap{0};
  std::atomic<bool> corrupt{false};

  auto worker = [&](unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<Held> held;
    for (int round = 0; round < kRounds; ++round) {
      for (int step = 0; step < kSteps; ++step) {
        if (held.size() < kHold && (held.empty() || rng() % 2)) {
          const size_t size = pickSize(rng);
          held.push_back(make(size, static_cast<unsigned char>(rng())));
        } else {
          size_t i = rng() % held.size();
          if (!release(held[i])) corrupt = true;
          held[i] = held.back();
          held.pop_back();
        }
      }
      for (const Held& h : held) {
        heldBlocks += 1;
        if (h.size > mm::kMaxSmallSize) heldHeap += static_cast<int64_t>(h.size);
      }
      sync.arrive_and_wait();  // main reads the counters
      sync.arrive_and_wait();
    }
    for (const Held& h : held) corrupt = !release(h) || corrupt;
  };

  std::thread a(worker, 1u), b(worker, 2u);
  for (int round = 0; round < kRounds; ++round) {
    sync.arrive_and_wait();
    const mm::Counters now = mm::counters();
    EXPECT_EQ(now.liveBlocks, base.liveBlocks + heldBlocks.exchange(0)) << "round " << round;
    EXPECT_EQ(now.heapBytes, base.heapBytes + heldHeap.exchange(0)) << "round " << round;
    EXPECT_GE(now.pagePeak, now.pageCount);
    sync.arrive_and_wait();
  }
  a.join();
  b.join();
  const mm::Counters end = countersAfter(corrupt, base);
  EXPECT_EQ(end.heapBytes, base.heapBytes);
  EXPECT_EQ(gReports, 0);
}

// Bursts of one class far beyond the thread caches: both threads make, fill and release
// pages of the same class list at once.
TEST_F(MemManThreadsTest, SameClassBurstsShareThePages) {
  const mm::Counters base = mm::counters();
  std::atomic<bool> corrupt{false};
  std::barrier sync(2);
  auto worker = [&](unsigned char tag) {
    std::vector<Held> held;
    for (int round = 0; round < 200; ++round) {
      for (int i = 0; i < 1500; ++i) held.push_back(make(25 + i % 8, tag));  // class 4
      sync.arrive_and_wait();  // both hold their blocks at once
      // Free in an order unlike the allocation order, so pages empty at different times.
      for (size_t i = 0; i < held.size(); i += 2) corrupt = !release(held[i]) || corrupt;
      for (size_t i = 1; i < held.size(); i += 2) corrupt = !release(held[i]) || corrupt;
      held.clear();
    }
  };
  std::thread a(worker, 0x5A), b(worker, 0xA5);
  a.join();
  b.join();
  const mm::Counters end = countersAfter(corrupt, base);
  EXPECT_LE(end.pageCount, base.pageCount + 1);
  EXPECT_GE(end.pagePeak, base.pageCount + 2 * 1500 / 250 - 1);  // 250 cells a page
}

// Tests blocks made on one thread and freed on another: one thread fills a batch while the
// other checks and frees the previous one.
TEST_F(MemManThreadsTest, BlocksFreedOnAnotherThread) {
  mm::flushThreadCache();
  const mm::Counters base = mm::counters();
  constexpr int kRounds = 60;
  std::vector<Held> batches[2];
  std::barrier sync(2);
  bool corrupt = false;
  std::thread producer([&] {
    std::mt19937 rng(7);
    for (int r = 0; r < kRounds; ++r) {
      for (int i = 0; i < 500; ++i) {
        const size_t size = 1 + rng() % 120;
        batches[r % 2].push_back(make(size, static_cast<unsigned char>(i)));
      }
      sync.arrive_and_wait();
    }
  });
  std::thread consumer([&] {
    for (int r = 0; r < kRounds; ++r) {
      sync.arrive_and_wait();
      for (const Held& h : batches[r % 2]) corrupt = !release(h) || corrupt;
      batches[r % 2].clear();
    }
  });
  producer.join();
  consumer.join();
  const mm::Counters end = countersAfter(corrupt, base);
  // Both threads have exited, so every cell is back in its page and each of the 15 classes
  // kept at most one empty page.
  EXPECT_LE(end.pageCount, base.pageCount + 15);
}

// Tests that an exiting thread gives its cached cells back, so that their pages can go.
TEST_F(MemManThreadsTest, ExitingThreadReturnsItsCache) {
  mm::flushThreadCache();
  const mm::Counters base = mm::counters();
  int64_t withBlocks = 0;
  std::thread t([&] {
    std::vector<void*> blocks;
    for (int i = 0; i < 1300; ++i) blocks.push_back(qzAlloc(40));  // 7 pages of 208 cells
    mm::flushThreadCache();
    withBlocks = mm::counters().pageCount;
    for (void* p : blocks) qzFree(p);  // partly parked in this thread's cache
  });
  t.join();
  const mm::Counters end = mm::counters();
  EXPECT_EQ(end.liveBlocks, base.liveBlocks);
  EXPECT_EQ(end.pageCount, withBlocks - 6);  // the class keeps its last page
}

// Tests that two threads freeing the same block give one free and one report, never a cell
// pushed twice. (The frees rarely overlap to the nanosecond; the mark is swapped atomically so
// that even overlapping ones cannot both succeed.)
TEST_F(MemManThreadsTest, RacedDoubleFreeIsReportedOnce) {
  const mm::Counters base = mm::counters();
  constexpr int kRounds = 2000;
  std::barrier sync(3);
  void* shared = nullptr;
  auto racer = [&] {
    for (int i = 0; i < kRounds; ++i) {
      sync.arrive_and_wait();  // shared is set
      qzFree(shared);
      sync.arrive_and_wait();
    }
  };
  std::thread a(racer), b(racer);
  for (int i = 0; i < kRounds; ++i) {
    shared = qzAlloc(1 + i % 64);
    sync.arrive_and_wait();
    sync.arrive_and_wait();
  }
  a.join();
  b.join();
  EXPECT_EQ(gReports, kRounds);
  EXPECT_EQ(mm::counters().liveBlocks, base.liveBlocks);
  // Cells handed out again are distinct: a cell pushed twice would come back twice.
  std::vector<void*> fresh;
  for (int i = 0; i < 500; ++i) fresh.push_back(qzAlloc(16));
  std::sort(fresh.begin(), fresh.end());
  EXPECT_EQ(std::adjacent_find(fresh.begin(), fresh.end()), fresh.end());
  for (void* p : fresh) qzFree(p);
}

}  // namespace
