// Cutting texts into caller buffers at whole characters.
#include "jdbc/text_buffer.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>

namespace qz::jdbc {
namespace {

// "aΤ漢😀": 1, 2, 3 and 4 bytes.
const std::string kMixed = "a\xCE\xA4\xE6\xBC\xA2\xF0\x9F\x98\x80";

TEST(Utf8Cut, NeverEndsInsideACharacter) {
  const std::size_t expected[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 10};
  for (std::size_t size = 0; size < std::size(expected); ++size) {
    EXPECT_EQ(utf8CutLength(kMixed, size), expected[size]) << "size " << size;
  }
}

TEST(Utf8Cut, InvalidBytesAreSingleCharacters) {
  // Five continuation bytes belong to no character: cut where the size says.
  const std::string junk = "\x80\x80\x80\x80\x80";
  EXPECT_EQ(utf8CutLength(junk, 2), 2u);
  // A lone lead byte cut off after itself.
  EXPECT_EQ(utf8CutLength("x\xE6"
                          "y",
                          2),
            2u);
}

TEST(CopyUtf8, CutsAndZeroFills) {
  char buffer[8];
  std::memset(buffer, 'X', sizeof buffer);
  copyUtf8(kMixed, buffer, 5);
  EXPECT_EQ(std::string(buffer, 5), std::string("a\xCE\xA4\0\0", 5));
  EXPECT_EQ(buffer[5], 'X') << "nothing written past the size";

  std::memset(buffer, 'X', sizeof buffer);
  copyUtf8("ab", buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), std::string("ab\0\0", 4));

  std::memset(buffer, 'X', sizeof buffer);
  copyUtf8("abcdef", buffer, 4);
  EXPECT_EQ(std::string(buffer, 5), "abcdX") << "a text that fills the size is not terminated";

  copyUtf8("abc", nullptr, 4);  // no buffer, no crash
  copyUtf8("abc", buffer, 0);
  copyUtf8("abc", buffer, -3);
  EXPECT_EQ(buffer[0], 'a');
}

bool iconvConvert(const char* to, const std::string& text, std::string* out) {
  iconv_t cd = iconv_open(to, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(text.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = result.data();
  size_t outLeft = result.size();
  size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return false;
  result.resize(result.size() - outLeft);
  *out = result;
  return true;
}

TEST(FitConverted, DoubleByteCharactersAreNotSplit) {
  Converter sjis = [](const std::string& text, std::string* out) {
    return iconvConvert("SHIFT_JIS", text, out);
  };
  const std::string source = "ab\xE6\xBC\xA2\xE5\xAD\x97";  // "ab漢字": 2 + 2 + 2 bytes in SJIS
  std::string converted;
  ASSERT_TRUE(sjis(source, &converted));
  ASSERT_EQ(converted.size(), 6u);
  EXPECT_EQ(fitConverted(source, converted, 6, sjis), converted);
  EXPECT_EQ(fitConverted(source, converted, 5, sjis), converted.substr(0, 4));
  EXPECT_EQ(fitConverted(source, converted, 3, sjis), "ab");
  EXPECT_EQ(fitConverted(source, converted, 1, sjis), "a");
  EXPECT_EQ(fitConverted(source, converted, 0, sjis), "");
}

TEST(FitConverted, AsciiPrefixIsCutWithoutConvertingAgain) {
  int calls = 0;
  Converter counting = [&](const std::string& text, std::string* out) {
    ++calls;
    *out = text;
    return true;
  };
  const std::string text = "123456789.25";
  EXPECT_EQ(fitConverted(text, text, 8, counting), "12345678");
  EXPECT_EQ(calls, 0);
}

TEST(FitConverted, AConverterThatFailsOnPrefixesGivesTheLongestThatWorked) {
  // Converts only texts of at most 3 bytes.
  Converter picky = [](const std::string& text, std::string* out) {
    if (text.size() > 3) return false;
    *out = text;
    return true;
  };
  const std::string source = "\xCE\xA4\xCE\xA4\xCE\xA4";  // ΤΤΤ
  EXPECT_EQ(fitConverted(source, source, 5, picky), "\xCE\xA4");
}

}  // namespace
}  // namespace qz::jdbc
