// The allocator started with QZMEMTRACK_LOCATION set: every header carries a call stack.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/memman.h"

namespace mm = qz::memman;

namespace {

const uint64_t* stackOf(const void* p) {
  return reinterpret_cast<const uint64_t*>(mm::headerOf(p) + 1);
}

// Stride 8 + 136 = 144, so a class-1 page holds 10000 / 144 = 69 cells.
TEST(MemManTrackedTest, ClassOnePageHolds69Cells) {
  std::vector<void*> blocks;
  for (int i = 0; i < 70; ++i) blocks.push_back(qzAlloc(1));
  for (int i = 0; i < 69; ++i) EXPECT_EQ(mm::pageOf(blocks[i]), mm::pageOf(blocks[0]));
  EXPECT_NE(mm::pageOf(blocks[69]), mm::pageOf(blocks[0]));
  for (void* p : blocks) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
    EXPECT_TRUE(mm::guardIntact(p));
    qzFree(p);
  }
}

TEST(MemManTrackedTest, RecorderFillsTheStackOfSmallAndLargeBlocks) {
  void* before = qzAlloc(32);
  for (size_t i = 0; i < mm::kStackDepth; ++i) EXPECT_EQ(stackOf(before)[i], 0u);
  mm::setLocationRecorder([](uint64_t* stack, size_t depth) {
    ASSERT_EQ(depth, mm::kStackDepth);
    stack[0] = 0x1234;
    stack[1] = 0x5678;
  });
  void* small = qzAlloc(32);
  void* large = qzAlloc(5000);
  mm::setLocationRecorder(nullptr);
  for (void* p : {small, large}) {
    EXPECT_EQ(stackOf(p)[0], 0x1234u);
    EXPECT_EQ(stackOf(p)[1], 0x5678u);
    EXPECT_EQ(stackOf(p)[2], 0u);
  }
  EXPECT_EQ(mm::headerOf(large)->page, mm::kHeapMark);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(large) % 16, 0u);
  qzFree(before);
  qzFree(small);
  qzFree(large);
}

}  // namespace
