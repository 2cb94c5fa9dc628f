// Literal splitting: what the driver gets as statement text and as bound values.
#include "jdbc/sql_literals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qz::jdbc {
namespace {

using Literals = std::vector<std::string>;

TEST(SplitLiterals, TextWithoutQuotesPassesUnchanged) {
  SplitSql s = splitLiterals("SELECT a, \"b\" FROM t -- comment");
  EXPECT_EQ(s.statement, "SELECT a, \"b\" FROM t -- comment");
  EXPECT_TRUE(s.literals.empty());
  EXPECT_EQ(splitLiterals("").statement, "");
}

TEST(SplitLiterals, DoubledQuotesAndEmptyLiterals) {
  SplitSql s = splitLiterals("SELECT * FROM T WHERE A='x''y' AND B=''");
  EXPECT_EQ(s.statement, "SELECT * FROM T WHERE A=?  AND B=? ");
  EXPECT_EQ(s.literals, (Literals{"x'y", ""}));

  // A literal of one quote, and adjacent literals.
  s = splitLiterals("VALUES ('''','a''''b''','c')");
  EXPECT_EQ(s.statement, "VALUES (? ,? ,? )");
  EXPECT_EQ(s.literals, (Literals{"'", "a''b'", "c"}));

  s = splitLiterals("'O''Brien'");
  EXPECT_EQ(s.statement, "? ");
  EXPECT_EQ(s.literals, (Literals{"O'Brien"}));
}

TEST(SplitLiterals, UnterminatedLiteralTakesTheRest) {
  SplitSql s = splitLiterals("SELECT 'abc, def");
  EXPECT_EQ(s.statement, "SELECT ? ");
  EXPECT_EQ(s.literals, (Literals{"abc, def"}));

  s = splitLiterals("X='");
  EXPECT_EQ(s.statement, "X=? ");
  EXPECT_EQ(s.literals, (Literals{""}));

  // A doubled quote at the very end stays inside the unterminated literal.
  s = splitLiterals("X='a''");
  EXPECT_EQ(s.literals, (Literals{"a'"}));
}

TEST(SplitLiterals, QuotesInIdentifiersAndCommentsOpenLiterals) {
  SplitSql s = splitLiterals("SELECT \"it's\" FROM t WHERE x='1'");
  EXPECT_EQ(s.statement, "SELECT \"it? 1? ");
  EXPECT_EQ(s.literals, (Literals{"s\" FROM t WHERE x=", ""}));

  s = splitLiterals("SELECT 1 -- don't\nFROM t");
  EXPECT_EQ(s.statement, "SELECT 1 -- don? ");
  EXPECT_EQ(s.literals, (Literals{"t\nFROM t"}));

  // Backslashes are plain bytes.
  s = splitLiterals("x='a\\'b'");
  EXPECT_EQ(s.statement, "x=? b? ");
  EXPECT_EQ(s.literals, (Literals{"a\\", ""}));
}

TEST(SplitLiterals, MultiByteTextIsCopiedByteForByte) {
  SplitSql s = splitLiterals("INSERT INTO \xCE\xA4 VALUES ('\xE6\xBC\xA2\xF0\x9F\x98\x80''')");
  EXPECT_EQ(s.statement, "INSERT INTO \xCE\xA4 VALUES (? )");
  EXPECT_EQ(s.literals, (Literals{"\xE6\xBC\xA2\xF0\x9F\x98\x80'"}));
}

}  // namespace
}  // namespace qz::jdbc
