// Literal splitting: what the driver gets as statement text and as bound values.
#include "jdbc/sql_literals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qz::jdbc {
namespace {

using Literals = std::vector<std::string>;

void expectSplit(const std::string& sql, const std::string& statement, const Literals& literals) {
  SplitSql s = splitLiterals(sql);
  EXPECT_EQ(s.statement, statement) << sql;
  EXPECT_EQ(s.literals, literals) << sql;
}

TEST(SplitLiterals, QuotesDoubledEmptyAndUnterminated) {
  expectSplit("SELECT a, \"b\" FROM t", "SELECT a, \"b\" FROM t", {});
  expectSplit("", "", {});
  expectSplit("SELECT * FROM T WHERE A='x''y' AND B=''", "SELECT * FROM T WHERE A=?  AND B=? ",
              {"x'y", ""});
  expectSplit("VALUES ('''','a''''b''','c')", "VALUES (? ,? ,? )", {"'", "a''b'", "c"});
  expectSplit("SELECT 'abc, def", "SELECT ? ", {"abc, def"});
  expectSplit("X='", "X=? ", {""});
  expectSplit("X='a''", "X=? ", {"a'"});
}

TEST(SplitLiterals, NoOtherSyntaxIsKnown) {
  // Quotes in identifiers and comments open literals; backslashes are plain bytes.
  expectSplit("SELECT \"it's\" FROM t WHERE x='1'", "SELECT \"it? 1? ",
              {"s\" FROM t WHERE x=", ""});
  expectSplit("SELECT 1 -- don't\nFROM t", "SELECT 1 -- don? ", {"t\nFROM t"});
  expectSplit("x='a\\'b'", "x=? b? ", {"a\\", ""});
  // Multi-byte text is copied byte for byte.
  expectSplit("INSERT INTO \xCE\xA4 VALUES ('\xE6\xBC\xA2\xF0\x9F\x98\x80''')",
              "INSERT INTO \xCE\xA4 VALUES (? )", {"\xE6\xBC\xA2\xF0\x9F\x98\x80'"});
}

}  // namespace
}  // namespace qz::jdbc
