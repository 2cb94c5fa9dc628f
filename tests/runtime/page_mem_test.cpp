#include "runtime/page_mem.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace mm = qz::memman;

namespace {

struct Tracked {
  static inline int alive = 0;
  static inline int throwAt = -1;  // the construction that throws, counted from 0
  static inline int made = 0;
  Tracked() {
    if (made++ == throwAt) throw std::runtime_error("refused");
    ++alive;
  }
  ~Tracked() { --alive; }
  int value = 0;
};

class PageMemTest : public ::testing::Test {
 protected:
  void SetUp() override { Tracked::alive = Tracked::made = 0, Tracked::throwAt = -1; }
};

TEST_F(PageMemTest, ElementsLiveInPagesOfEightMadeOnDemand) {
  pageMemT<Tracked> pm;
  EXPECT_EQ(pm.find(0), nullptr);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(&pm[i], &pm[0] + i);
  EXPECT_EQ(pm.pageCount(), 1u);
  EXPECT_EQ(Tracked::alive, 8);
  pm[100].value = 5;  // page 12 only
  EXPECT_EQ(pm.pageCount(), 2u);
  EXPECT_EQ(pm.find(8), nullptr);
  EXPECT_EQ(pm.find(96), &pm[96]);
  EXPECT_EQ(pm.find(100)->value, 5);
  EXPECT_EQ(pm.find(100000), nullptr);
}

TEST_F(PageMemTest, AddressesSurviveGrowth) {
  pageMemT<Tracked> pm;
  Tracked* first = &pm[0];
  first->value = 42;
  for (int i = 8; i < 2000; i += 8) pm[i].value = i;  // the page array reallocates many times
  EXPECT_EQ(&pm[0], first);
  EXPECT_EQ(first->value, 42);
  EXPECT_EQ(pm[1992].value, 1992);
}

TEST_F(PageMemTest, PagesAndElementsLastUntilDestruction) {
  const int64_t live = mm::counters().liveBlocks;
  {
    pageMemT<Tracked> pm;
    pm[3];
    pm[40];
    EXPECT_EQ(Tracked::alive, 16);
    EXPECT_EQ(mm::counters().liveBlocks, live + 3);  // two pages and the page array
    pageMemT<Tracked> moved(std::move(pm));
    EXPECT_EQ(pm.pageCount(), 0u);
    EXPECT_EQ(moved.pageCount(), 2u);
    EXPECT_EQ(Tracked::alive, 16);
  }
  EXPECT_EQ(Tracked::alive, 0);
  EXPECT_EQ(mm::counters().liveBlocks, live);
}

// Tests that a page whose elements fail to construct is taken back whole.
TEST_F(PageMemTest, FailedPageLeavesNothingBehind) {
  pageMemT<Tracked> pm;
  pm[0];
  const int64_t live = mm::counters().liveBlocks;
  Tracked::throwAt = Tracked::made + 3;
  EXPECT_THROW(pm[9], std::runtime_error);
  EXPECT_EQ(Tracked::alive, 8);
  EXPECT_EQ(pm.find(9), nullptr);
  EXPECT_EQ(mm::counters().liveBlocks, live);
  pm[9].value = 1;  // the next attempt succeeds
  EXPECT_EQ(pm.pageCount(), 2u);
}

}  // namespace
