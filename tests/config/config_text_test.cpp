#include "config/config_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace qz::config {
namespace {

using Strings = std::vector<std::string>;

TEST(TokenizeTest, SeparatorsBlanksAndQuotes) {
  EXPECT_EQ(tokenize(" a , b ,c", ','), (Strings{"a", "b", "c"}));
  EXPECT_EQ(tokenize("\" a,b \",c", ','), (Strings{" a,b ", "c"}));
  EXPECT_EQ(tokenize("\"say \"\"hi\"\"\"", ','), (Strings{"say \"hi\""}));
  EXPECT_EQ(tokenize("a,b,", ','), (Strings{"a", "b"}));
  EXPECT_EQ(tokenize("a,,b", ','), (Strings{"a", "", "b"}));
  EXPECT_EQ(tokenize("a, ,b", ',', '"', true), (Strings{"a", "b"}));
  EXPECT_EQ(tokenize(",,a", ',', '"', true), (Strings{"a"}));
  EXPECT_TRUE(tokenize("", ',').empty());
  EXPECT_TRUE(tokenize("   ", ',').empty());
  // A quoted empty element survives even at the end; blanks after the closing quote go.
  EXPECT_EQ(tokenize("a,\"\"", ','), (Strings{"a", ""}));
  EXPECT_EQ(tokenize("\"x\"  ,y", ','), (Strings{"x", "y"}));
  // A quote inside an unquoted element is an ordinary character.
  EXPECT_EQ(tokenize("a\"b,c", ','), (Strings{"a\"b", "c"}));
  // An unterminated quote runs to the end.
  EXPECT_EQ(tokenize("\"a,b", ','), (Strings{"a,b"}));
  // Without a quote character, quotes are text.
  EXPECT_EQ(tokenize("\"a,b\"", ',', kNoQuote), (Strings{"\"a", "b\""}));
  // Comment splitting: empty lines are kept, a final line break adds nothing.
  EXPECT_EQ(tokenize("x\n\n y \n", '\n', kNoQuote), (Strings{"x", "", "y"}));
}

// joinList must give back what tokenize splits, whatever the elements hold.
TEST(TokenizeTest, JoinListRoundTripsRandomLists) {
  std::mt19937 rng(12345);
  const std::string alphabet = "ab ,\"\t;=";
  for (int round = 0; round < 2000; ++round) {
    Strings items(rng() % 5);
    for (std::string& item : items) {
      int len = rng() % 5;
      for (int i = 0; i < len; ++i) item += alphabet[rng() % alphabet.size()];
    }
    std::string joined = joinList(items, ',', '"');
    ASSERT_EQ(tokenize(joined, ',', '"'), items) << "joined: [" << joined << "]";
  }
}

TEST(TextTest, NumbersConvertLikeCAndNeverOverflow) {
  bool ok = false;
  EXPECT_EQ(parseInt("  -42abc", &ok), -42);
  EXPECT_TRUE(ok);
  EXPECT_EQ(parseInt("abc", &ok), 0);
  EXPECT_FALSE(ok);
  EXPECT_EQ(parseInt("+7"), 7);
  EXPECT_EQ(parseInt("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(parseInt("-99999999999999999999999"), INT_MIN);
  EXPECT_EQ(parseInt("-2147483648"), INT_MIN);
  EXPECT_DOUBLE_EQ(parseDouble(" 2.5e1x", &ok), 25.0);
  EXPECT_TRUE(ok);
  parseDouble("x", &ok);
  EXPECT_FALSE(ok);

  EXPECT_EQ(formatFixed(1.0 / 3, 2, 1100), "0.33");
  EXPECT_EQ(formatFixed(2.5, -1, 1100), "2.500000");
  // Far longer than any fixed buffer a formatter might have used.
  std::string big = formatFixed(1e300, 6, 1100);
  EXPECT_EQ(big.size(), 301u + 7u);
  EXPECT_EQ(big.substr(0, 1), "1");
  EXPECT_EQ(formatFixed(-1e308, 0, 1100).size(), 310u);
  EXPECT_EQ(formatFixed(1.0, 5000, 1100).size(), 2u + 1100u);
  EXPECT_EQ(formatFixed(INFINITY, 2, 1100), "inf");
}

// Formats each text with the marker; the pairs are the text and the comment it becomes.
void expectFormatted(CommentMarker marker,
                     std::initializer_list<std::pair<const char*, const char*>> cases) {
  for (const auto& [text, formatted] : cases) {
    EXPECT_EQ(formatComment(text, marker), formatted) << text;
  }
}

TEST(FormatCommentTest, PlainCommentsAreTrimmedAndMarkersNeutralised) {
  expectFormatted(CommentMarker::kNone, {{"", ""},
                                         {"  ; a  \n\n\t; b\n", "; a\n\n; b\n"},
                                         {"#!x\n#-y\n#~z\n#!\n", "# x\n# y\n# z\n#\n"},
                                         {"\n", "\n"},
                                         {"no break", "no break\n"}});
}

TEST(FormatCommentTest, TrailingMarkersEndTheText) {
  expectFormatted(CommentMarker::kDisabled, {{"", "#-"}, {"; why\n", "; why\n#-"}});
  expectFormatted(CommentMarker::kInactive,
                  {{"; why\n", "; why\n#:INACTIVE;"},
                   // A marker line of its own is taken for the marker, not repeated.
                   {"; why\n#:INACTIVE;\n", "; why\n#:INACTIVE;"},
                   // A commented-out inactive text is a comment line like any other and stays.
                   {"#:INACTIVE;old\n", "#:INACTIVE;old\n#:INACTIVE;"}});
}

TEST(FormatCommentTest, LeadingMarkersGoOnTheFirstNonEmptyLine) {
  expectFormatted(CommentMarker::kForced, {{"", "#!\n"},
                                           {"#!always\n", "#!always\n"},
                                           {"#! spaced\n", "#! spaced\n"},
                                           {"#!\n", "#!\n"},
                                           {"\n# note\n", "\n#!note\n"},
                                           {"#note\n", "#!note\n"},
                                           {"; note\n", "#!; note\n"},
                                           {"#:INACTIVE;x\n", "#!\n#:INACTIVE;x\n"}});
  expectFormatted(CommentMarker::kBlockMarked,
                  {{"\n\n", "#~\n\n"},
                   {"#~ keep\n; more\n", "#~ keep\n; more\n"},
                   // A forced mark written into a block comment is neutralised.
                   {"#!x\n", "#~x\n"}});
}

}  // namespace
}  // namespace qz::config
