// Tests of the UTF-8/UTF-16 conversions that Java text goes through.
#include "jbridge/utf.h"

#include <gtest/gtest.h>

namespace jbridge::utf {
namespace {

TEST(UtfTest, WellFormedTextRoundTrips) {
  const std::string samples[] = {
      "plain ASCII",
      "\xCE\xB1\xCE\xB2\xCE\xB3",          // Greek, two bytes each
      "\xE4\xB8\xAD\xE6\x96\x87",          // CJK, three bytes each
      "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF",  // U+1F600 and U+10FFFF
      std::string("\0", 1),                // U+0000 stays one zero byte
      "\xEF\xBB\xBF\xEF\xBF\xBD",          // U+FEFF and U+FFFD themselves
  };
  for (const std::string& sample : samples) {
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(sample)), sample);
  }
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
  EXPECT_EQ(utf8ToUtf16(std::string("\0", 1)), std::u16string(1, u'\0'));
}

TEST(UtfTest, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart) {
  const std::u16string bad(1, u'\xFFFD');
  EXPECT_EQ(utf8ToUtf16("\x80"), bad);                                // stray continuation
  EXPECT_EQ(utf8ToUtf16("\xC0\x80"), bad + bad);                      // modified UTF-8's U+0000
  EXPECT_EQ(utf8ToUtf16("\xE0\x80\x80"), bad + bad + bad);            // overlong
  EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), bad + bad + bad);            // an encoded surrogate
  EXPECT_EQ(utf8ToUtf16("\xF4\x90\x80\x80"), bad + bad + bad + bad);  // above U+10FFFF
  EXPECT_EQ(utf8ToUtf16("\xE4\xB8"), bad);                            // truncated at the end
  EXPECT_EQ(utf8ToUtf16("\xE4\xB8x"), bad + u"x");                    // truncated before ASCII
  EXPECT_EQ(utf8ToUtf16("\xFF"), bad);
}

TEST(UtfTest, UnpairedSurrogatesBecomeReplacements) {
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, u'\xDC00') + u"a"),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(utf16ToUtf8(std::u16string(u"\xD83D"
                                       "a")),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(utf16ToUtf8(std::u16string(u"\xDE00\xD83D")), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace jbridge::utf
