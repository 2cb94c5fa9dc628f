// Cutting texts into caller buffers at whole characters.
#include "jdbc/text_buffer.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>

namespace qz::jdbc {
namespace {

TEST(TextBuffer, Utf8CutsNeverEndInsideACharacter) {
  const std::string mixed = "a\xCE\xA4\xE6\xBC\xA2\xF0\x9F\x98\x80";  // 1, 2, 3 and 4 bytes
  const std::size_t expected[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 10};
  for (std::size_t size = 0; size < std::size(expected); ++size) {
    EXPECT_EQ(utf8CutLength(mixed, size), expected[size]) << "size " << size;
  }
  EXPECT_EQ(utf8CutLength("\x80\x80\x80\x80\x80", 2), 2u) << "stray bytes are characters";

  char buffer[8];
  std::memset(buffer, 'X', sizeof buffer);
  copyUtf8(mixed, buffer, 5);
  EXPECT_EQ(std::string(buffer, 6), std::string("a\xCE\xA4\0\0X", 6)) << "zero-filled to size";
  std::memset(buffer, 'X', sizeof buffer);
  copyUtf8("abcdef", buffer, 4);
  EXPECT_EQ(std::string(buffer, 5), "abcdX") << "a text that fills the size is not terminated";
  copyUtf8("abc", nullptr, 4);
  copyUtf8("zzz", buffer, 0);
  copyUtf8("zzz", buffer, -3);
  EXPECT_EQ(buffer[0], 'a');
}

TEST(TextBuffer, ConvertedTextKeepsWholeCharactersOfItsCharset) {
  Converter sjis = [](const std::string& text, std::string* out) {
    iconv_t cd = iconv_open("SHIFT_JIS", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result(text.size() * 2 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    char* o = result.data();
    size_t inLeft = text.size(), outLeft = result.size();
    size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    result.resize(result.size() - outLeft);
    *out = result;
    return rc != static_cast<size_t>(-1);
  };
  const std::string source = "ab\xE6\xBC\xA2\xE5\xAD\x97";  // "ab漢字": 2 + 2 + 2 bytes
  std::string converted;
  ASSERT_TRUE(sjis(source, &converted));
  ASSERT_EQ(converted.size(), 6u);
  EXPECT_EQ(fitConverted(source, converted, 6, sjis), converted);
  EXPECT_EQ(fitConverted(source, converted, 5, sjis), converted.substr(0, 4));
  EXPECT_EQ(fitConverted(source, converted, 3, sjis), "ab");
  EXPECT_EQ(fitConverted(source, converted, 0, sjis), "");
  // An ASCII prefix long enough is cut without converting again.
  Converter never = [](const std::string&, std::string*) { return false; };
  EXPECT_EQ(fitConverted("123456789.25", "123456789.25", 8, never), "12345678");
}

}  // namespace
}  // namespace qz::jdbc
