#include "runtime/str.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace mm = qz::memman;

namespace {

TEST(StrTest, NullAndEmptyAreEqual) {
  str none;
  str fromNull(static_cast<const char*>(nullptr));
  str fromEmpty("");
  for (const str* s : {&none, &fromNull, &fromEmpty}) {
    EXPECT_EQ(s->data(), nullptr);  // nothing allocated for the empty text
    EXPECT_STREQ(s->c_str(), "");
    EXPECT_EQ(s->length(), 0u);
    EXPECT_TRUE(*s == "");
    EXPECT_TRUE(*s == nullptr);
    EXPECT_TRUE(*s == none);
  }
  EXPECT_FALSE(str("a") == nullptr);
  EXPECT_GT(str("a").compare(nullptr), 0);
  EXPECT_LT(none.compare("a"), 0);
}

TEST(StrTest, ComparisonIsByteWise) {
  EXPECT_GT(str("\xff").compare("a"), 0);  // bytes compare unsigned
  EXPECT_LT(str("ab").compare("abc"), 0);
  EXPECT_NE(str("ABC").compare("abc"), 0);  // no case folding
  EXPECT_TRUE(str("abc") == str("abc"));
}

TEST(StrTest, AppendAndConcatenate) {
  str s;
  s += "";
  s += static_cast<const char*>(nullptr);
  EXPECT_EQ(s.data(), nullptr);
  s += "abc";
  EXPECT_EQ(s, "abc");
  EXPECT_EQ(s.length(), 3u);
  s += s;  // the source is the string itself
  EXPECT_EQ(s, "abcabc");
  s += s.c_str() + 4;
  EXPECT_EQ(s, "abcabcbc");
  s = s.c_str() + 6;  // assignment from its own text
  EXPECT_EQ(s, "bc");
  EXPECT_EQ(str("x") + str("y"), "xy");
  EXPECT_EQ(str("x") + "y", "xy");
  EXPECT_EQ("x" + str("y"), "xy");
  EXPECT_EQ(str() + str(), "");
}

TEST(StrTest, CountConstructionStopsAtTheTerminator) {
  EXPECT_EQ(str("abcdef", 3), "abc");
  EXPECT_EQ(str("abc", 0).data(), nullptr);
  EXPECT_EQ(str(nullptr, 5).data(), nullptr);
  // A count beyond the text must not read past it (a sanitizer build sees any overread).
  std::unique_ptr<char[]> exact(new char[3]{'a', 'b', '\0'});
  str s(exact.get(), 100);
  EXPECT_EQ(s, "ab");
  EXPECT_EQ(s.length(), 2u);
}

TEST(StrTest, Numbers) {
  EXPECT_EQ(str(INT_MIN), "-2147483648");
  EXPECT_EQ(str(0), "0");
  EXPECT_EQ(str(UINT_MAX), "4294967295");
  EXPECT_EQ(str(LONG_MIN), std::to_string(LONG_MIN).c_str());
  EXPECT_EQ(str(0.1, 17), "0.10000000000000001");
  EXPECT_EQ(str(3.14159265, -1), "3.14159");  // a negative precision means the default
  EXPECT_EQ(str(2.5, 0), "2");
  EXPECT_EQ(str(NAN, 5), "nan");
}

// Long formatted numbers must not overrun a fixed buffer.
TEST(StrTest, LongDoubleFormatting) {
  str big(1e308, 400);
  EXPECT_EQ(big.length(), 309u);
  EXPECT_EQ(std::strncmp(big.c_str(), "1000000000000000010979", 22), 0);
  str tiny(-4.9e-324, 2000);
  EXPECT_EQ(std::strncmp(tiny.c_str(), "-4.9406564584124654", 19), 0);
  EXPECT_EQ(tiny.length(), std::strlen(tiny.c_str()));
  EXPECT_GT(tiny.length(), 700u);
  str reuse("old text");
  reuse = str(1e300, 301);
  EXPECT_EQ(reuse.length(), 301u);
}

TEST(StrTest, CopyAndMoveOwnTheirText) {
  str a("hello");
  str b(a);
  EXPECT_NE(a.data(), b.data());
  str c(std::move(a));
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_EQ(c, "hello");
  b = c;
  c = std::move(b);
  EXPECT_EQ(c, "hello");
  c = c;  // self-assignment keeps the text
  EXPECT_EQ(c, "hello");
}

// One block for object and text; every change must leave that block alone. Texts of other
// strings come from the module allocator too (the count at the end).
TEST(StrTest, PackedTextLivesInTheObjectsBlock) {
  const int64_t live = mm::counters().liveBlocks;
  str* p = str::newPacked("packed text", 6);
  EXPECT_EQ(*p, "packed");
  EXPECT_EQ(p->length(), 6u);
  EXPECT_EQ(mm::counters().liveBlocks, live + 1);
  str moved(std::move(*p));  // copies: the text cannot leave the block
  EXPECT_EQ(moved, "packed");
  EXPECT_EQ(*p, "packed");
  *p += " and more";
  EXPECT_EQ(*p, "packed and more");
  *p = "other";
  EXPECT_EQ(*p, "other");
  delete p;
  str* q = str::newPacked("abc", 10);
  str target("old");
  target = std::move(*q);
  EXPECT_EQ(target, "abc");
  delete q;
  delete str::newPacked(nullptr, 5);
  delete str::newPacked("", 5);
  EXPECT_EQ(mm::counters().liveBlocks, live + 2);  // moved and target
}

}  // namespace
