#include "platform/stack.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <string>

namespace {

// Internal linkage: only the module's full symbol table knows this name, not the dynamic one.
__attribute__((noinline)) size_t captureHere(uint64_t* out, size_t depth) {
  const size_t n = qz::platform::captureStack(out, depth, 0);
  asm volatile("");
  return n;
}

TEST(StackTest, CapturedFramesAreNamedFromTheSymbolTable) {
  uint64_t stack[8] = {};
  ASSERT_GE(captureHere(stack, 8), 2u);
  qz::platform::AddressInfo info;
  ASSERT_TRUE(qz::platform::describeAddress(stack[0] - 1, &info));
  EXPECT_NE(std::string(info.symbol).find("captureHere"), std::string::npos) << info.symbol;
  EXPECT_TRUE(std::string(info.module).ends_with("/platform_stack_test")) << info.module;
  EXPECT_GT(info.symbolOffset, 0u);
}

TEST(StackTest, ReadingUnmappedMemoryFailsWithoutFaulting) {
  void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(page, MAP_FAILED);
  unsigned char bytes[8];
  EXPECT_FALSE(qz::platform::readMemory(reinterpret_cast<uintptr_t>(page), bytes, sizeof bytes));
  EXPECT_FALSE(qz::platform::readMemory(0, bytes, sizeof bytes));
  munmap(page, 4096);
  const char text[] = "readable";
  ASSERT_TRUE(qz::platform::readMemory(reinterpret_cast<uintptr_t>(text), bytes, sizeof bytes));
  EXPECT_EQ(std::memcmp(bytes, text, sizeof bytes), 0);
}

TEST(StackTest, AnAddressOutsideEveryModuleHasNoModule) {
  int onTheStack = 0;
  qz::platform::AddressInfo info;
  EXPECT_FALSE(qz::platform::describeAddress(reinterpret_cast<uintptr_t>(&onTheStack), &info));
  EXPECT_EQ(info.module[0], '\0');
}

}  // namespace
